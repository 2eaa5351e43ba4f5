#include "CReaderEditSheet.h"

#include "CCommandPageWidget.h"
#include "CConfigPageWidget.h"
#include "CPasswordDlg.h"
#include "WkQtText.h"
#include "WkReaderEditDoc.h"

#include <QScrollArea>
#include <QTabBar>

CReaderEditSheet::CReaderEditSheet(WkReaderEditDoc& document, QWidget* parent)
    : QTabWidget(parent), pages_(document) {
    // Every tab in view: the sheet asks for the width of all its tabs.
    tabBar()->setUsesScrollButtons(false);
    addTab(new CCommandPageWidget(pages_.Commands(), this), ToQt(pages_.Commands().Caption()));
    for (const auto& page : pages_.ConfigPages()) {
        auto* widget = new CConfigPageWidget(*page, this);
        connect(widget, &CConfigPageWidget::dialogRequested, this, [this, &document](int id) {
            // Page 3's calibration button, page 6's three password buttons.
            const auto kind = id == 1092   ? WkPasswordDialog::kCalibration
                              : id == 1042 ? WkPasswordDialog::kReaderPassword
                              : id == 1043 ? WkPasswordDialog::kPasswordTTBC
                                           : WkPasswordDialog::kPasswordTTCD;
            WkPasswordDialog logic(kind, document);
            CPasswordDlg dialog(logic, this);
            dialog.exec();
            emit dialogRequested(id);
        });
        // A long page scrolls in a small window instead of squeezing its frames.
        auto* scroll = new QScrollArea(this);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(widget);
        addTab(scroll, ToQt(page->Caption()));
    }
}

CReaderEditSheet::~CReaderEditSheet() {
    // The widgets go before the pages they show, telling nobody: the view is gone.
    blockSignals(true);
    while (count() > 0) {
        QWidget* page = widget(0);
        removeTab(0);
        delete page;
    }
}
