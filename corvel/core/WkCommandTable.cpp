#include "WkCommandTable.h"

namespace {

const std::vector<WkCommand> kCommands = {
    {CommandId::kNewReader, "&Reader (*.rdr)", "Create a new reader configuration.\nNew Reader",
     ""},
    {CommandId::kNewTransponder, "&Transponder (*.trp)",
     "Create a new transponder document.\nNew Transponder", ""},
    {CommandId::kNewProtocol, "&Protocol (*.prt)", "Create a new protocol list.\nNew Protocol", ""},
    {CommandId::kNewMacro, "&Macro (*.mac)", "Create a new macro.\nNew Macro", ""},
    {CommandId::kNewLog, "&Logfile (*.log)", "New Log-File.\nNew Log-File", ""},
    {CommandId::kNewPopup, "New", "Create a new document.\nNew", ""},
    {CommandId::kFileOpen, "Open...", "Open an existing document.\nOpen", ""},
    {CommandId::kFileClose, "&Close", "Close the active document.\nClose", ""},
    {CommandId::kFileSave, "&Save ", "Save the active document.\nSave", ""},
    {CommandId::kFileSaveAs, "Save &As...", "Save the active document with a new name.\nSave As",
     ""},
    {CommandId::kFileInfo, "Info...", "Show and edit the file information.\nFile Info", ""},
    {CommandId::kPrintSetup, "Printer Setup...",
     "Change the printer and printing options.\n"
     "Printer Setup",
     ""},
    {CommandId::kPrint, "&Print...", "Print the active document.\nPrint", ""},
    {CommandId::kPrintDirect, "Print &Direct",
     "Print the active document without asking.\n"
     "Print Direct",
     ""},
    {CommandId::kPrintPreview, "Print Pre&view",
     "Show the pages as they will be printed.\n"
     "Print Preview",
     ""},
    {CommandId::kExit, "&Exit", "Quit the application.\nExit", ""},
    {CommandId::kEditUndo, "&Undo", "Undo the last action.\nUndo", ""},
    {CommandId::kEditCut, "Cu&t", "Cut the selection and put it on the clipboard.\nCut", ""},
    {CommandId::kEditCopy, "&Copy", "Copy the selection and put it on the clipboard.\nCopy", ""},
    {CommandId::kEditPaste, "&Paste", "Insert the clipboard contents.\nPaste", ""},
    {CommandId::kEditInsert, "&Insert", "Insert the copied entry.\nInsert", ""},
    {CommandId::kEditDelete, "&Delete", "Delete the selection.\nDelete", ""},
    {CommandId::kViewToolbar, "&Toolbar", "Show or hide the toolbar.\nToggle Toolbar", ""},
    {CommandId::kViewStatusBar, "&Statusbar", "Show or hide the status bar.\nToggle Status Bar",
     ""},
    {CommandId::kComPort, "&COM-Port", "Open a COM-Port and set the COM-Parameters. \nCOM-Port",
     ""},
    {CommandId::kFont, "&Font...", "Choose the font of the protocol window.\nFont", ""},
    {CommandId::kShowAutoAnswer, "Show AA-Protocols",
     "Protocol Window accept Protocols of Auto Answer Mode\nShow AA-Protocols", ""},
    {CommandId::kStopAutoAnswer, "Stop AA-Protocols",
     "Protocol Window ignore Protocols of Auto Answer Mode\nStop AA-Protocols", ""},
    {CommandId::kWindowCascade, "&Cascade", "Arrange the windows overlapped.\nCascade", ""},
    {CommandId::kWindowTileHorizontal, "Tile &Horizontally",
     "Arrange the windows as tiles.\nTile Horizontally", ""},
    {CommandId::kWindowArrange, "Arrange &Icons",
     "Arrange the minimised windows at the bottom.\nArrange Icons", ""},
    {CommandId::kArrangeProtocolWindow, "Arrange &Protocol Window",
     "Move the protocol window to the lower third.\nArrange Protocol Window", ""},
    {CommandId::kAbout, "&About Corvel...", "Show the program's version.\nAbout", ""},
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
