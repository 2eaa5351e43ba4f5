#include "WkWindowCommands.h"

#include "Prompts.h"
#include "WkCommandTable.h"
#include "WkDocument.h"

#include <algorithm>
#include <filesystem>

bool IsCommandEnabled(int id, const WkFrameState& state) {
    const WkCommand* command = FindCommand(id);
    if (command == nullptr) {
        return true;
    }
    switch (command->enabledWhen) {
    case WkEnabledWhen::Always:
        return true;
    case WkEnabledWhen::WindowActive:
        return state.document != nullptr;
    case WkEnabledWhen::WindowHasFileInfo:
        return state.document != nullptr && state.document->HasFileInfo();
    case WkEnabledWhen::ViewCan:
        return state.document != nullptr && command->viewCommand &&
               state.viewCommands.Has(*command->viewCommand);
    case WkEnabledWhen::ProtocolWindowOpen:
        return state.protocolWindowOpen;
    case WkEnabledWhen::AutoAnswerOff:
        return !state.autoAnswerOn;
    case WkEnabledWhen::AutoAnswerOn:
        return state.autoAnswerOn;
    case WkEnabledWhen::ComPortDialog:
        return state.comPortDialog;
    }
    return true;
}

namespace {

WkRect At(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

// Cells of `cells` windows along `length` in one line, each at least `smallest` long: how many
// lines of how many cells.
int LinesFor(int cells, int length, int smallest) {
    const int perLine = std::max(1, length / std::max(1, smallest));
    const int lines = (cells + perLine - 1) / perLine;
    return std::max(1, lines);
}

} // namespace

std::vector<WkRect> TileRects(int count, WkSize workspace, bool stacked, WkSize smallest) {
    std::vector<WkRect> rects;
    if (count <= 0) {
        return rects;
    }
    // Along: the direction the windows follow each other; across: the other one.
    const int along = stacked ? workspace.height : workspace.width;
    const int across = stacked ? workspace.width : workspace.height;
    const int lines = LinesFor(count, along, stacked ? smallest.height : smallest.width);
    const int perLine = (count + lines - 1) / lines;
    for (int i = 0; i < count; ++i) {
        const int line = i / perLine;
        const int cell = i % perLine;
        // The last line's windows share its whole length, so no part of the workspace is left.
        const int cells = line == lines - 1 ? count - line * perLine : perLine;
        const int a0 = along * cell / cells;
        const int a1 = along * (cell + 1) / cells;
        const int c0 = across * line / lines;
        const int c1 = across * (line + 1) / lines;
        rects.push_back(stacked ? At(c0, a0, c1 - c0, a1 - a0) : At(a0, c0, a1 - a0, c1 - c0));
    }
    return rects;
}

std::vector<WkRect> CascadeRects(int count, WkSize workspace, int step) {
    std::vector<WkRect> rects;
    if (count <= 0) {
        return rects;
    }
    step = std::max(1, step);
    const int width = std::max(workspace.width / 2, workspace.width - (count - 1) * step);
    const int height = std::max(workspace.height / 2, workspace.height - (count - 1) * step);
    const int cycle =
        std::max(1, std::min(workspace.width - width, workspace.height - height) / step + 1);
    for (int i = 0; i < count; ++i) {
        const int offset = (i % cycle) * step;
        rects.push_back(At(offset, offset, width, height));
    }
    return rects;
}

std::vector<WkRect> IconRects(int count, WkSize icon, WkSize workspace) {
    std::vector<WkRect> rects;
    const int perRow = std::max(1, workspace.width / std::max(1, icon.width));
    for (int i = 0; i < count; ++i) {
        const int top = std::max(0, workspace.height - (i / perRow + 1) * icon.height);
        rects.push_back(At((i % perRow) * icon.width, top, icon.width, icon.height));
    }
    return rects;
}

WkRect FitWindowRect(const WkRect& requested, WkSize content, WkSize workspace) {
    const int width = std::clamp(std::max(requested.right - requested.left, content.width), 1,
                                 std::max(1, workspace.width));
    const int height = std::clamp(std::max(requested.bottom - requested.top, content.height), 1,
                                  std::max(1, workspace.height));
    const int left = std::clamp(requested.left, 0, std::max(0, workspace.width - width));
    const int top = std::clamp(requested.top, 0, std::max(0, workspace.height - height));
    return At(left, top, width, height);
}

bool MayReplaceFile(const std::string& path, Prompts& prompts) {
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) {
        return true;
    }
    return prompts.AskYesNoDefaultNo(path + " already exists.\nDo you want to replace it?");
}
