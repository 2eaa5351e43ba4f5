#include "WkReaderEditView.h"

#include "CReaderEditSheet.h"
#include "WkQtText.h"
#include "WkReaderEditDoc.h"
#include "ui_WkReaderEditView.h"

#include <QMainWindow>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>

WkReaderEditView::WkReaderEditView(std::shared_ptr<WkReaderEditDoc> document, QWidget* parent)
    : QWidget(parent), document_(std::move(document)),
      ui_(std::make_unique<Ui::WkReaderEditView>()), model_(*document_) {
    ui_->setupUi(this);
    sheet_ = new CReaderEditSheet(*document_, this);
    ui_->sheetLayout->addWidget(sheet_);
    model_.SetPages(sheet_->Pages());
    model_.SetChangedListener([this] { Refresh(); });
    model_.SetStatusListener([this](const std::string& text) {
        if (auto* main = qobject_cast<QMainWindow*>(window())) {
            main->statusBar()->showMessage(ToQt(text));
        }
    });
    sheet_->Commands().SetDetectionRunner([this] {
        Refresh();
        QTimer::singleShot(0, this, &WkReaderEditView::BusyStep);
    });
    connect(ui_->cancelBusy, &QPushButton::clicked, this, [this] { model_.CancelBusy(); });

    connect(ui_->sendPage, &QPushButton::clicked, this, [this] { model_.SendPage(); });
    connect(ui_->readPage, &QPushButton::clicked, this, [this] { model_.ReadPage(); });
    connect(ui_->sendAll, &QPushButton::clicked, this, [this] { model_.SendAll(); });
    connect(ui_->readAll, &QPushButton::clicked, this, [this] {
        model_.ReadAll();
        Refresh();
    });
    connect(ui_->resetEditor, &QPushButton::clicked, this, [this] { model_.ResetEditor(); });
    connect(ui_->comList, &WkComListBox::aboutToOpen, this, [this] { model_.OnComListOpened(); });
    connect(ui_->comList, &QComboBox::activated, this,
            [this](int index) { model_.OnComSelected(index); });
    connect(ui_->busAddress, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.OnBusAddressEdited(FromQt(text)); });
    connect(sheet_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!refreshing_ && !model_.SelectPage(index)) {
            Refresh(); // a page that refuses to commit stays in front
        }
    });
}

WkReaderEditView::~WkReaderEditView() {
    model_.CancelBusy();
    model_.SetChangedListener(nullptr);
    model_.SetStatusListener(nullptr);
    model_.SetPages({});
    delete sheet_;
}

void WkReaderEditView::BusyStep() {
    if (!model_.StepBusy()) {
        QTimer::singleShot(0, this, &WkReaderEditView::BusyStep);
    }
}

void WkReaderEditView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        model_.OnInitialUpdate();
    }
}

void WkReaderEditView::Refresh() {
    refreshing_ = true;
    const QSignalBlocker blockCom(ui_->comList);
    QStringList items;
    for (const std::string& entry : model_.ComList()) {
        items << ToQt(entry);
    }
    QStringList shown;
    for (int i = 0; i < ui_->comList->count(); ++i) {
        shown << ui_->comList->itemText(i);
    }
    if (items != shown) {
        ui_->comList->clear();
        ui_->comList->addItems(items);
    }
    ui_->comList->setCurrentIndex(model_.ComIndex());
    const QString address = ToQt(model_.BusAddressText());
    if (ui_->busAddress->text() != address && !model_.BusAddressText().empty()) {
        ui_->busAddress->setText(address);
    }
    // While a baud rate detection runs, only its Cancel may be used.
    const bool busy = model_.IsBusy();
    ui_->busyText->setText(ToQt(model_.BusyText()));
    ui_->busyText->setVisible(busy);
    ui_->cancelBusy->setVisible(busy);
    sheet_->setEnabled(!busy);
    ui_->resetEditor->setEnabled(!busy);
    const bool online = model_.IsOnline() && !busy;
    ui_->comList->setEnabled(online);
    ui_->busAddress->setEnabled(online);
    ui_->outcome->SetFullText(ToQt(model_.Outcome()));
    ui_->sendPage->setText(ToQt(model_.SendPageText()));
    ui_->sendPage->setEnabled(model_.IsButtonEnabled(WkReaderEditViewModel::kSendPage));
    ui_->sendAll->setEnabled(model_.IsButtonEnabled(WkReaderEditViewModel::kSendAll));
    ui_->readPage->setEnabled(model_.IsButtonEnabled(WkReaderEditViewModel::kReadPage));
    ui_->readAll->setEnabled(model_.IsButtonEnabled(WkReaderEditViewModel::kReadAll));
    if (model_.ActivePage() >= 0 && sheet_->currentIndex() != model_.ActivePage()) {
        sheet_->setCurrentIndex(model_.ActivePage());
    }
    refreshing_ = false;
}
