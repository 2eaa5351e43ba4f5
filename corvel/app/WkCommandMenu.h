#pragma once
// Context-menu entries made from the command table: the text with its mnemonic, the prompt
// for the status bar and the command id.

#include "WkCommandTable.h"
#include "WkQtText.h"

#include <QMenu>

/// Adds command `id`'s entry to `menu`; the caller connects it.
inline QAction* AddCommandEntry(QMenu& menu, int id) {
    const WkCommand* command = FindCommand(id);
    QAction* action = menu.addAction(command != nullptr ? ToQt(command->menuText) : QString());
    action->setData(id);
    action->setStatusTip(ToQt(CommandPrompt(id)));
    return action;
}

/// Adds command `id`'s entry to `menu` and runs `slot` of `receiver` when it is chosen.
template <typename Receiver, typename Slot>
QAction* AddCommandEntry(QMenu& menu, int id, const Receiver* receiver, Slot slot) {
    QAction* action = AddCommandEntry(menu, id);
    QObject::connect(action, &QAction::triggered, receiver, slot);
    return action;
}
