#pragma once
// A page's context menu: its entries shown at a point of the screen.

#include "WkCommandTable.h"
#include "WkConfigPage.h"
#include "WkQtText.h"

#include <QMenu>
#include <QPoint>
#include <vector>

/// Shows `entries` (none: nothing is shown) and returns the id of the one chosen, or 0. Each
/// entry's first letter is its mnemonic ("Send ...", "Read ...").
inline int ExecEntryMenu(QWidget* parent, const std::vector<WkMenuEntry>& entries,
                         const QPoint& globalPos) {
    if (entries.empty()) {
        return 0;
    }
    QMenu menu(parent);
    for (const WkMenuEntry& entry : entries) {
        menu.addAction(ToQt(WithMnemonic(entry.text)))->setData(entry.id);
    }
    QAction* chosen = menu.exec(globalPos);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}
