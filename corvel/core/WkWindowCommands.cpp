#include "WkWindowCommands.h"

#include "WkCommandTable.h"
#include "WkDocument.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, WkViewCommand>, 13> kViewCommands = {{
    {CommandId::kFileSave, WkViewCommand::Save},
    {CommandId::kFileSaveAs, WkViewCommand::SaveAs},
    {CommandId::kFileInfo, WkViewCommand::FileInfo},
    {CommandId::kPrint, WkViewCommand::Print},
    {CommandId::kPrintDirect, WkViewCommand::Print},
    {CommandId::kPrintPreview, WkViewCommand::Print},
    {CommandId::kFont, WkViewCommand::Font},
    {CommandId::kEditUndo, WkViewCommand::Undo},
    {CommandId::kEditCut, WkViewCommand::Cut},
    {CommandId::kEditCopy, WkViewCommand::Copy},
    {CommandId::kEditPaste, WkViewCommand::Paste},
    {CommandId::kEditInsert, WkViewCommand::Insert},
    {CommandId::kEditDelete, WkViewCommand::Delete},
}};

} // namespace

std::optional<WkViewCommand> ViewCommandOf(int id) {
    for (const auto& [commandId, command] : kViewCommands) {
        if (commandId == id) {
            return command;
        }
    }
    return std::nullopt;
}

bool IsWindowCommandEnabled(int id, const WkActiveWindow& active) {
    if (id == CommandId::kFileClose) {
        return active.document != nullptr;
    }
    if (id == CommandId::kArrangeProtocolWindow) {
        return active.protocolWindowOpen;
    }
    const std::optional<WkViewCommand> command = ViewCommandOf(id);
    if (!command) {
        return true;
    }
    switch (*command) {
    case WkViewCommand::Save:
    case WkViewCommand::SaveAs:
        return active.document != nullptr;
    case WkViewCommand::FileInfo:
        return active.document != nullptr && active.document->HasFileInfo();
    default:
        return active.document != nullptr && active.viewCommands.Has(*command);
    }
}
