#pragma once
// Which of the main frame's commands are enabled (a command the active window lacks is
// disabled, never hidden), and where the Window menu's commands put the document windows.
// Rectangles are in the workspace, whose top-left corner is 0, 0.

#include "WkViewCommand.h"
#include "WkViewObserver.h"

#include <string>
#include <vector>

class Prompts;

class WkDocument;

/// What the main frame's commands are enabled by.
struct WkFrameState {
    /// The active window's document; null when no window is active.
    const WkDocument* document = nullptr;
    /// What the active window's view can run now (Print, Font, Edit commands).
    WkViewCommandSet viewCommands;
    /// A protocol window is open (active or not).
    bool protocolWindowOpen = false;
    bool autoAnswerOn = false;
    /// The program has a COM-Port dialog.
    bool comPortDialog = false;
};

/// Whether main-frame command `id` is enabled in `state` (its row's WkEnabledWhen); true for
/// an id without a row.
bool IsCommandEnabled(int id, const WkFrameState& state);

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
