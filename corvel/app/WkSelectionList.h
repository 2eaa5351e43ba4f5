#pragma once
// The list shared by the selection dialogs.

#include <string>
#include <vector>

class QDialog;
class QListWidget;
class QPushButton;

/// Fills `list` with `texts` and selects the first entry; OK accepts, Cancel rejects, and a
/// double click on an entry selects it and accepts.
void SetUpSelectionList(QDialog& dialog, QListWidget& list, QPushButton& ok, QPushButton& cancel,
                        const std::vector<std::string>& texts);
