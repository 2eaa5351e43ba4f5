#pragma once
// The workbench's commands: id, menu text with its mnemonic, the prompt shown in the status
// bar while the command is highlighted, the tool tip (the text after "\n" in the command's
// string), the keys that run it and the menus it stands in. The main frame's menus and the
// windows' context menus take their entries from here, so that every entry can be reached from
// the keyboard.

#include "WkViewCommand.h"

#include <optional>
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
// The workbench's own commands: the Window menu's and the windows' context menus.
inline constexpr int kWindowTileVertical = 34001;
inline constexpr int kWindowMore = 34002;
inline constexpr int kLogCopy = 34011;
inline constexpr int kLogSelectAll = 34012;
inline constexpr int kLogExportCsv = 34013;
inline constexpr int kLogToFile = 34014;
inline constexpr int kLogLineLimit = 34015;
inline constexpr int kLogAddToMacro = 34016;
inline constexpr int kRowSend = 34021;
inline constexpr int kRowEdit = 34022;
inline constexpr int kRowCopy = 34023;
inline constexpr int kRowInsert = 34024;
inline constexpr int kRowDelete = 34025;
inline constexpr int kInsertHead = 34031;
inline constexpr int kInsertBefore = 34032;
inline constexpr int kInsertAfter = 34033;
inline constexpr int kInsertTail = 34034;
inline constexpr int kTransponderSend = 34041;
} // namespace CommandId

/// The menus a command stands in (a command may stand in several).
enum WkMenu : unsigned {
    kMenuNone = 0,
    kMenuFile = 1u << 0,
    kMenuFileNew = 1u << 1,
    kMenuEdit = 1u << 2,
    kMenuView = 1u << 3,
    kMenuOptions = 1u << 4,
    kMenuWindow = 1u << 5,
    kMenuHelp = 1u << 6,
    kMenuLogContext = 1u << 7,          ///< the protocol window's rows
    kMenuProtocolContext = 1u << 8,     ///< the protocol editor's rows
    kMenuMacroContext = 1u << 9,        ///< the macro editor's rows
    kMenuMacroInsert = 1u << 10,        ///< the macro editor's "Insert" sub-menu
    kMenuTransponderContext = 1u << 11, ///< the transponder editor's command list
    kMenuToolbar = 1u << 12,            ///< a toolbar button only
};

/// When a main-frame command is enabled (a command that is not is shown disabled, never
/// hidden). See IsCommandEnabled.
enum class WkEnabledWhen : unsigned char {
    Always,
    WindowActive,       ///< a document window is active
    WindowHasFileInfo,  ///< ... and its document has file information
    ViewCan,            ///< ... and its view can run the command's view command now
    ProtocolWindowOpen, ///< a protocol window is open, active or not
    AutoAnswerOff,
    AutoAnswerOn,
    ComPortDialog, ///< the program has a COM-Port dialog
};

struct WkCommand {
    int id;
    /// The entry's text; "&" marks the mnemonic letter.
    const char* menuText;
    /// "prompt\ntool tip"; either part may be empty.
    const char* resourceString;
    /// The keys that run the command, as "Ctrl+O" (the menu shows them as the desktop writes
    /// them); may be empty.
    const char* shortcut;
    /// WkMenu flags.
    unsigned menus;
    /// The main frame's: the toolbar picture shipped with the program ("open"), or null.
    const char* icon = nullptr;
    WkEnabledWhen enabledWhen = WkEnabledWhen::Always;
    /// The command the active document window runs for it (the main frame routes it there
    /// when it has no handler of its own).
    std::optional<WkViewCommand> viewCommand = std::nullopt;
    /// A separator line stands before the entry in its menu.
    bool separatorBefore = false;
};

/// Every command of the main frame, the Window menu and the windows' context menus.
const std::vector<WkCommand>& CommandTable();

/// A menu's title, for the menu bar and the sub-menus.
struct WkMenuTitle {
    WkMenu menu;
    /// The menu it opens from (kMenuNone: the menu bar).
    WkMenu parent;
    const char* text;
};
/// The titles of the menu bar's menus and of the sub-menus, in the order they are shown.
const std::vector<WkMenuTitle>& MenuTitles();
/// The title of `menu`, or "".
std::string MenuTitle(WkMenu menu);

/// The mnemonic letter of a menu text (the character after a single "&"), or 0.
char MnemonicOf(const std::string& text);
/// `text` with a mnemonic: unchanged when it has one, else "&" before its first letter. For
/// entries made at run time (the pages' groups, the list of windows).
std::string WithMnemonic(const std::string& text);
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
