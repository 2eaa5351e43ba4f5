#include "WkCommandTable.h"

#include <cctype>

namespace {

constexpr unsigned kFile = kMenuFile;
constexpr unsigned kNew = kMenuFileNew;
constexpr unsigned kEdit = kMenuEdit;
constexpr unsigned kWindow = kMenuWindow;
constexpr unsigned kRows = kMenuProtocolContext | kMenuMacroContext;

using When = WkEnabledWhen;
using View = WkViewCommand;

// The main frame's commands in the order of their menus, then the windows' context menus.
const std::vector<WkCommand> kCommands = {
    {CommandId::kNewReader, "&Reader (*.rdr)", "Create a new reader configuration.\nNew Reader", "",
     kNew},
    {CommandId::kNewTransponder, "&Transponder (*.trp)",
     "Create a new transponder document.\nNew Transponder", "", kNew},
    {CommandId::kNewProtocol, "&Protocol (*.prt)", "Create a new protocol list.\nNew Protocol", "",
     kNew},
    {CommandId::kNewMacro, "&Macro (*.mac)", "Create a new macro.\nNew Macro", "", kNew},
    {CommandId::kNewLog,
     "&Logfile (*.log)",
     "New Log-File.\nNew Log-File",
     "",
     kNew,
     nullptr,
     When::Always,
     {},
     true},
    {CommandId::kNewPopup, "&New", "Create a new document.\nNew", "", kMenuToolbar, "new"},
    {CommandId::kFileOpen, "&Open...", "Open an existing document.\nOpen", "Ctrl+O", kFile, "open"},
    {CommandId::kFileClose, "&Close", "Close the active document.\nClose", "", kFile, nullptr,
     When::WindowActive},
    {CommandId::kFileSave, "&Save ", "Save the active document.\nSave", "Ctrl+S", kFile, "save",
     When::WindowActive},
    {CommandId::kFileSaveAs, "Save &As...", "Save the active document with a new name.\nSave As",
     "", kFile, nullptr, When::WindowActive},
    {CommandId::kFileInfo, "&Info...", "Show and edit the file information.\nFile Info", "", kFile,
     nullptr, When::WindowHasFileInfo},
    {CommandId::kPrint, "&Print...", "Print the active document.\nPrint", "Ctrl+P", kFile, "print",
     When::ViewCan, View::Print, true},
    {CommandId::kPrintDirect, "Print &Direct",
     "Print the active document without asking.\nPrint Direct", "", kFile, nullptr, When::ViewCan,
     View::Print},
    {CommandId::kPrintPreview, "Print Pre&view",
     "Show the pages as they will be printed.\nPrint Preview", "", kFile, nullptr, When::ViewCan,
     View::Print},
    {CommandId::kPrintSetup, "Printer Se&tup...",
     "Change the printer and printing options.\nPrinter Setup", "", kFile},
    // The recent files stand before Exit.
    {CommandId::kExit,
     "&Exit",
     "Quit the application.\nExit",
     "",
     kFile,
     nullptr,
     When::Always,
     {},
     true},
    {CommandId::kEditUndo, "&Undo", "Undo the last action.\nUndo", "Ctrl+Z", kEdit, nullptr,
     When::ViewCan, View::Undo},
    {CommandId::kEditCut, "Cu&t", "Cut the selection and put it on the clipboard.\nCut", "Ctrl+X",
     kEdit, "cut", When::ViewCan, View::Cut, true},
    {CommandId::kEditCopy, "&Copy", "Copy the selection and put it on the clipboard.\nCopy",
     "Ctrl+C", kEdit, "copy", When::ViewCan, View::Copy},
    {CommandId::kEditPaste, "&Paste", "Insert the clipboard contents.\nPaste", "Ctrl+V", kEdit,
     "paste", When::ViewCan, View::Paste},
    {CommandId::kEditInsert, "&Insert", "Insert the copied entry.\nInsert", "", kEdit, nullptr,
     When::ViewCan, View::Insert},
    {CommandId::kEditDelete, "&Delete", "Delete the selection.\nDelete", "Del", kEdit, nullptr,
     When::ViewCan, View::Delete},
    {CommandId::kViewToolbar, "&Toolbar", "Show or hide the toolbar.\nToggle Toolbar", "",
     kMenuView},
    {CommandId::kViewStatusBar, "&Statusbar", "Show or hide the status bar.\nToggle Status Bar", "",
     kMenuView},
    {CommandId::kComPort, "&COM-Port", "Open a COM-Port and set the COM-Parameters. \nCOM-Port", "",
     kMenuOptions, "comport", When::ComPortDialog},
    {CommandId::kFont, "&Font...", "Choose the font of the protocol window.\nFont", "",
     kMenuOptions, nullptr, When::ViewCan, View::Font},
    {CommandId::kShowAutoAnswer,
     "&Show AA-Protocols",
     "Protocol Window accept Protocols of Auto Answer Mode\nShow AA-Protocols",
     "",
     kMenuOptions,
     "play",
     When::AutoAnswerOff,
     {},
     true},
    {CommandId::kStopAutoAnswer, "S&top AA-Protocols",
     "Protocol Window ignore Protocols of Auto Answer Mode\nStop AA-Protocols", "", kMenuOptions,
     "stop", When::AutoAnswerOn},
    {CommandId::kWindowCascade, "&Cascade", "Arrange the windows overlapped.\nCascade", "",
     kWindow},
    {CommandId::kWindowTileHorizontal, "Tile &Horizontally",
     "Arrange the windows one below the other, each the width of the workspace.\n"
     "Tile Horizontally",
     "", kWindow},
    {CommandId::kWindowTileVertical, "Tile &Vertically",
     "Arrange the windows side by side, each the height of the workspace.\nTile Vertically", "",
     kWindow},
    {CommandId::kWindowArrange, "Arrange &Icons",
     "Arrange the minimised windows at the bottom.\nArrange Icons", "", kWindow},
    {CommandId::kArrangeProtocolWindow, "Arrange &Protocol Window",
     "Move the protocol window to the lower third and bring it to the front.\n"
     "Arrange Protocol Window",
     "", kWindow, nullptr, When::ProtocolWindowOpen},
    // Listed after the open windows, with them.
    {CommandId::kWindowMore, "&More Windows...", "Choose one of the open windows.\nMore Windows",
     "", kWindow},
    {CommandId::kAbout, "&About Corvel...", "Show the program's version.\nAbout", "", kMenuHelp},

    {CommandId::kLogCopy, "&Copy", "Copy the selected lines.\nCopy", "", kMenuLogContext},
    {CommandId::kLogSelectAll, "Select &All", "Select every line shown.\nSelect All", "",
     kMenuLogContext},
    {CommandId::kLogExportCsv, "E&xport CSV...",
     "Write the lines shown to a file of comma-separated values.\nExport CSV", "", kMenuLogContext},
    {CommandId::kLogToFile, "Log to &File...",
     "Write every new line to a file as it comes.\nLog to File", "", kMenuLogContext},
    {CommandId::kLogLineLimit, "Line &Limit...", "Set the most lines the window keeps.\nLine Limit",
     "", kMenuLogContext},
    {CommandId::kLogAddToMacro, "Add to &Macro",
     "Append the frame of this line to the open macro.\nAdd to Macro", "", kMenuLogContext},

    {CommandId::kRowSend, "&Send", "Send the selected protocol.\nSend", "", kMenuProtocolContext},
    {CommandId::kRowEdit, "&Edit", "Edit the selected entry.\nEdit", "", kRows},
    {CommandId::kRowCopy, "&Copy", "Copy the selected entry.\nCopy", "", kRows},
    {CommandId::kRowInsert, "&Insert", "Insert the copied entry.\nInsert", "",
     kMenuProtocolContext},
    {CommandId::kRowDelete, "&Delete", "Delete the selected entry.\nDelete", "", kRows},
    {CommandId::kInsertHead, "&Head", "Insert the copied entry first.\nHead", "", kMenuMacroInsert},
    {CommandId::kInsertBefore, "&Before",
     "Insert the copied entry before the selected one.\n"
     "Before",
     "", kMenuMacroInsert},
    {CommandId::kInsertAfter, "&After", "Insert the copied entry after the selected one.\nAfter",
     "", kMenuMacroInsert},
    {CommandId::kInsertTail, "&Tail", "Insert the copied entry last.\nTail", "", kMenuMacroInsert},
    {CommandId::kTransponderSend, "&Send ", "Execute the command of this entry.\nSend", "",
     kMenuTransponderContext},
};

const std::vector<WkMenuTitle> kMenuTitles = {
    {kMenuFile, kMenuNone, "&File"},       {kMenuFileNew, kMenuFile, "&New"},
    {kMenuEdit, kMenuNone, "&Edit"},       {kMenuView, kMenuNone, "&View"},
    {kMenuOptions, kMenuNone, "&Options"}, {kMenuWindow, kMenuNone, "&Window"},
    {kMenuHelp, kMenuNone, "&?"},          {kMenuMacroInsert, kMenuMacroContext, "&Insert"},
};

std::string Part(int id, bool second) {
    const WkCommand* command = FindCommand(id);
    if (command == nullptr) {
        return {};
    }
    std::string text = command->resourceString;
    std::size_t split = text.find('\n');
    if (split == std::string::npos) {
        return second ? std::string() : text;
    }
    return second ? text.substr(split + 1) : text.substr(0, split);
}

} // namespace

const std::vector<WkCommand>& CommandTable() {
    return kCommands;
}

const WkCommand* FindCommand(int id) {
    for (const WkCommand& command : kCommands) {
        if (command.id == id) {
            return &command;
        }
    }
    return nullptr;
}

std::string CommandPrompt(int id) {
    return Part(id, false);
}

std::string CommandToolTip(int id) {
    return Part(id, true);
}

const std::vector<WkMenuTitle>& MenuTitles() {
    return kMenuTitles;
}

std::string MenuTitle(WkMenu menu) {
    for (const WkMenuTitle& title : kMenuTitles) {
        if (title.menu == menu) {
            return title.text;
        }
    }
    return {};
}

char MnemonicOf(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') {
            continue;
        }
        if (text[i + 1] != '&') {
            return text[i + 1] == ' ' ? 0 : text[i + 1];
        }
        ++i; // "&&" is a plain "&"
    }
    return 0;
}

std::string WithMnemonic(const std::string& text) {
    if (MnemonicOf(text) != 0) {
        return text;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::isalnum(static_cast<unsigned char>(text[i])) != 0) {
            return text.substr(0, i) + "&" + text.substr(i);
        }
    }
    return text;
}
