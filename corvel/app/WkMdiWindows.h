#pragma once
// The Window menu's work on the document windows of the workspace: tiling, cascading, lining
// up the minimised ones, the list of the open windows and bringing one to the front. Where
// the windows go is WkWindowCommands' rule; this applies it to the workspace.

#include "WkWindowCommands.h"

#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class WkPrompts;

class WkMdiWindows {
public:
    /// The smallest window that Tile Horizontally and Tile Vertically make; more windows go
    /// into a grid.
    static constexpr int kSmallestTileWidth = 200;
    static constexpr int kSmallestTileHeight = 100;
    /// The windows the Window menu lists with a number; the others are reached through "More
    /// Windows...".
    static constexpr int kListedWindows = 9;

    /// Neither is owned; both must outlive this object.
    WkMdiWindows(QMdiArea& area, WkPrompts& prompts);

    /// Tile Horizontally (`stacked`) or Tile Vertically.
    void Tile(bool stacked);
    void Cascade();
    void ArrangeIcons();
    /// Lists the open windows, numbered, at the end of `menu` (as it opens), then `more`
    /// ("More Windows...") when there are more than nine.
    void List(QMenu& menu, QAction* more);
    /// "More Windows...": every open window in a list to choose from.
    void Choose();
    /// Restores `window` from an icon, activates it and brings it to the front.
    void Activate(QMdiSubWindow* window);

private:
    WkSize Workspace() const;
    /// The open windows in the order they were made: the minimised ones, or the others.
    std::vector<QMdiSubWindow*> Windows(bool minimised) const;
    static void Place(const std::vector<QMdiSubWindow*>& windows, const std::vector<WkRect>& rects);

    QMdiArea& area_;
    WkPrompts& prompts_;
    std::vector<QAction*> listed_;
};
