#include "WkMdiWindows.h"

#include "WkPrompts.h"
#include "WkQtText.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QStyle>

namespace {

QString WindowName(const QMdiSubWindow* window) {
    return window->windowTitle().remove(QStringLiteral("[*]"));
}

QRect ToQRect(const WkRect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

} // namespace

WkMdiWindows::WkMdiWindows(QMdiArea& area, WkPrompts& prompts) : area_(area), prompts_(prompts) {}

WkSize WkMdiWindows::Workspace() const {
    return {area_.viewport()->width(), area_.viewport()->height()};
}

std::vector<QMdiSubWindow*> WkMdiWindows::Windows(bool minimised) const {
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area_.subWindowList(QMdiArea::CreationOrder)) {
        if (window->isVisible() && window->isMinimized() == minimised) {
            windows.push_back(window);
        }
    }
    return windows;
}

void WkMdiWindows::Place(const std::vector<QMdiSubWindow*>& windows,
                         const std::vector<WkRect>& rects) {
    for (std::size_t i = 0; i < windows.size() && i < rects.size(); ++i) {
        if (windows[i]->isMaximized()) {
            windows[i]->showNormal();
        }
        windows[i]->setGeometry(ToQRect(rects[i]));
    }
}

void WkMdiWindows::Tile(bool stacked) {
    const std::vector<QMdiSubWindow*> windows = Windows(false);
    Place(windows, TileRects(static_cast<int>(windows.size()), Workspace(), stacked,
                             {kSmallestTileWidth, kSmallestTileHeight}));
}

void WkMdiWindows::Cascade() {
    const std::vector<QMdiSubWindow*> windows = Windows(false);
    // Each window steps down by its title bar, so every title stays in view.
    const QStyle* style = area_.style();
    const int step = style->pixelMetric(QStyle::PM_TitleBarHeight) +
                     style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    Place(windows, CascadeRects(static_cast<int>(windows.size()), Workspace(), step));
    // Each in front of the one before it, so that every title shows.
    for (QMdiSubWindow* window : windows) {
        window->raise();
    }
    if (!windows.empty()) {
        area_.setActiveSubWindow(windows.back());
    }
}

void WkMdiWindows::ArrangeIcons() {
    const std::vector<QMdiSubWindow*> icons = Windows(true);
    if (icons.empty()) {
        return;
    }
    const QSize icon = icons.front()->size();
    const std::vector<WkRect> rects =
        IconRects(static_cast<int>(icons.size()), {icon.width(), icon.height()}, Workspace());
    for (std::size_t i = 0; i < icons.size(); ++i) {
        icons[i]->move(rects[i].left, rects[i].top);
        icons[i]->raise(); // in front of the windows that reach down to the bottom
    }
}

void WkMdiWindows::List(QMenu& menu, QAction* more) {
    for (QAction* action : listed_) {
        menu.removeAction(action);
        action->deleteLater();
    }
    listed_.clear();
    const QList<QMdiSubWindow*> windows = area_.subWindowList(QMdiArea::CreationOrder);
    for (qsizetype i = 0; i < windows.size() && i < kListedWindows; ++i) {
        QMdiSubWindow* window = windows[i];
        auto* action = new QAction(QString("&%1 %2").arg(i + 1).arg(WindowName(window)), &menu);
        action->setCheckable(true);
        action->setChecked(window == area_.activeSubWindow());
        action->setStatusTip("Activate this window.");
        QObject::connect(action, &QAction::triggered, &menu, [this, window = QPointer(window)] {
            if (window) {
                Activate(window);
            }
        });
        menu.addAction(action);
        listed_.push_back(action);
    }
    menu.removeAction(more);
    menu.addAction(more);
    more->setVisible(windows.size() > kListedWindows);
}

void WkMdiWindows::Choose() {
    const QList<QMdiSubWindow*> windows = area_.subWindowList(QMdiArea::CreationOrder);
    std::vector<std::string> names;
    for (QMdiSubWindow* window : windows) {
        names.push_back(FromQt(WindowName(window)));
    }
    const int chosen = prompts_.SelectFromList(
        "Select Window", "", names, static_cast<int>(windows.indexOf(area_.activeSubWindow())));
    if (chosen >= 0 && chosen < windows.size()) {
        Activate(windows[chosen]);
    }
}

void WkMdiWindows::Activate(QMdiSubWindow* window) {
    if (window->isMinimized()) {
        window->showNormal();
    }
    area_.setActiveSubWindow(window);
    window->raise();
}
