#pragma once
// The main frame's commands: id, menu text, the prompt shown in the status bar while the
// command is highlighted, and the tool tip (the text after "\n" in the command's string).

#include <string>
#include <vector>

namespace CommandId {
inline constexpr int kComPort = 32771;
inline constexpr int kNewProtocol = 32774;
inline constexpr int kNewTransponder = 32775;
inline constexpr int kNewReader = 32776;
inline constexpr int kNewLog = 32777;
inline constexpr int kNothing = 32782;
inline constexpr int kShowAutoAnswer = 32830;
inline constexpr int kStopAutoAnswer = 32831;
inline constexpr int kFont = 32836;
inline constexpr int kArrangeProtocolWindow = 32857;
inline constexpr int kNewPopup = 32858;
inline constexpr int kFileInfo = 32861;
inline constexpr int kNewMacro = 32871;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileClose = 57602;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kPrint = 57607;
inline constexpr int kPrintDirect = 57608;
inline constexpr int kPrintPreview = 57609;
inline constexpr int kRecentFirst = 57616;
inline constexpr int kRecentLast = 57631;
inline constexpr int kEditInsert = 32890;
inline constexpr int kEditDelete = 57632;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditUndo = 57643;
inline constexpr int kWindowArrange = 57649;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTileHorizontal = 57651;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
} // namespace CommandId

struct WkCommand {
    int id;
    const char* menuText;
    /// "prompt\ntool tip"; either part may be empty.
    const char* resourceString;
    /// Accelerator text shown in the menu, may be empty. Commands with a standard key
    /// sequence leave it empty: the menu shows the sequence as the desktop writes it.
    const char* shortcutText;
};

/// Every command of the main frame and the protocol window.
const std::vector<WkCommand>& CommandTable();
/// The command of that id, or null.
const WkCommand* FindCommand(int id);
/// The status-bar prompt: the part of the resource string before "\n".
std::string CommandPrompt(int id);
/// The tool tip: the part after "\n".
std::string CommandToolTip(int id);

/// Status bar panes, in order: 0 messages, 1 auto-answer, 2 "S", 3 "INS", 4 "NUM".
inline constexpr const char* kAutoAnswerPaneText = "Auto Answer on";
inline constexpr const char* kAutoAnswerWaitsPaneText = "Auto Answer waits for device";
/// The text of pane 1 for the auto-answer state; `deviceAway` when the port it reads has lost
/// its device, so the pane does not claim lines are coming.
inline std::string AutoAnswerPaneText(bool autoAnswerOn, bool deviceAway = false) {
    if (!autoAnswerOn) {
        return "";
    }
    return deviceAway ? kAutoAnswerWaitsPaneText : kAutoAnswerPaneText;
}
