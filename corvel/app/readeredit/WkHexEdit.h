#pragma once
// What a two-digit hex field does after the user edited it: text that is not hex beeps and is
// selected, two digits move the focus on to `next` (may be null), whose text is selected so
// that typing replaces it.

#include "WkHexFields.h"
#include "WkQtText.h"

#include <QApplication>
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
            next->setFocus();
            next->selectAll();
        }
        break;
    case WkHexFields::Edit::Stay:
        break;
    }
}
