#pragma once
// Which of the main frame's commands the active document window enables (a command the
// window lacks is disabled, never hidden), and where the Window menu's commands put the
// document windows. Rectangles are in the workspace, whose top-left corner is 0, 0.

#include "WkViewCommand.h"
#include "WkViewObserver.h"

#include <optional>
#include <string>
#include <vector>

class Prompts;

class WkDocument;

/// What the main frame knows of its document windows.
struct WkActiveWindow {
    /// The active window's document; null when no window is active.
    const WkDocument* document = nullptr;
    /// What the active window's view can run now (Print, Font, Edit commands).
    WkViewCommandSet viewCommands;
    /// A protocol window is open (active or not).
    bool protocolWindowOpen = false;
};

/// The view command behind main-frame command `id`; none for other commands.
std::optional<WkViewCommand> ViewCommandOf(int id);

/// Whether main-frame command `id` is enabled for `active`. Commands that do not depend on
/// the active window (New, Open, Exit, COM-Port ...) are not decided here: true.
bool IsWindowCommandEnabled(int id, const WkActiveWindow& active);

struct WkSize {
    int width = 0;
    int height = 0;
};

/// Tile Horizontally (`stacked`): the windows one below the other, each the workspace's width;
/// Tile Vertically: side by side, each the workspace's height. Where `count` windows would be
/// smaller than `smallest` they share the workspace as a grid instead. The windows cover the
/// workspace once, every one inside it; they go in the order given, top to bottom, then left
/// to right (Tile Vertically: left to right, then top to bottom).
std::vector<WkRect> TileRects(int count, WkSize workspace, bool stacked, WkSize smallest);
/// Cascade: the windows overlapped, each `step` further right and down and all of one size,
/// as large as the workspace allows (at least half of it); when the steps would leave the
/// workspace they start again at the top-left corner.
std::vector<WkRect> CascadeRects(int count, WkSize workspace, int step);
/// Arrange Icons: `count` minimised windows of size `icon` in rows along the bottom, left to
/// right, the next row above.
std::vector<WkRect> IconRects(int count, WkSize icon, WkSize workspace);
/// Where a document window asked to stand at `requested` goes: at least as large as
/// `content` (the smallest size that shows every control of its view), no larger than the
/// workspace, and moved so that it lies inside the workspace.
WkRect FitWindowRect(const WkRect& requested, WkSize content, WkSize workspace);

/// Before printing into the file `path` without a dialog: true when it may be written, which
/// for a file that exists the user must agree to ("No" is the default). An empty path is no
/// file.
bool MayReplaceFile(const std::string& path, Prompts& prompts);
