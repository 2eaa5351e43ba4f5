#pragma once
// What a two-digit hex field does after the user edited it: text that is not hex beeps and is
// selected, two digits move the focus on to `next` (may be null). A field holds at most two
// characters, so one that gets the focus other than by a click has its text selected: typing
// then replaces the digits instead of being refused.

#include "WkHexFields.h"
#include "WkQtText.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>

inline void ApplyHexEdit(WkHexFields& fields, std::size_t field, QLineEdit* edit, QLineEdit* next) {
    switch (fields.SetText(field, FromQt(edit->text()))) {
    case WkHexFields::Edit::SelectAll:
        QApplication::beep();
        edit->setFocus();
        edit->selectAll();
        break;
    case WkHexFields::Edit::Next:
        if (next != nullptr) {
            next->setFocus(); // its focus filter selects its text
        }
        break;
    case WkHexFields::Edit::Stay:
        break;
    }
}

/// Selects the text of the hex field `watched` when `event` gives it the focus by keyboard,
/// by the program or as its window opens; a click places the cursor as usual.
inline void SelectHexFieldOnFocus(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason) {
        edit->selectAll();
    }
}
