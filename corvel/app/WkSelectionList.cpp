#include "WkSelectionList.h"

#include "WkQtText.h"

#include <QDialog>
#include <QListWidget>
#include <QPushButton>

void SetUpSelectionList(QDialog& dialog, QListWidget& list, QPushButton& ok, QPushButton& cancel,
                        const std::vector<std::string>& texts) {
    ok.setText("OK");
    cancel.setText("Cancel");
    for (const std::string& text : texts) {
        list.addItem(ToQt(text));
    }
    if (list.count() > 0) {
        list.setCurrentRow(0);
    }
    QObject::connect(&ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(&cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(&list, &QListWidget::itemDoubleClicked, &dialog,
                     [&dialog, &list](QListWidgetItem* item) {
                         list.setCurrentItem(item);
                         dialog.accept();
                     });
}
