#pragma once
// The view's COM list: a drop-down that says when it is about to open, so the list can be
// refilled with the ports open at that moment.

#include <QComboBox>

class WkComListBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        emit aboutToOpen();
        QComboBox::showPopup();
    }

signals:
    void aboutToOpen();
};
