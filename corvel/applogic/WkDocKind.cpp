#include "WkDocKind.h"

#include "WkDocTemplate.h"
#include "WkTemplateList.h"

#include <algorithm>
#include <filesystem>

namespace {

using namespace CorvelTemplates;

constexpr std::array<WkDocKindInfo, 5> kKinds = {{
    {WkDocKind::Log, "Log", ".log", false, kLogId, kLog},
    {WkDocKind::Protocol, "Prot", ".prt", false, kProtId, kProt},
    {WkDocKind::Transponder, "Trans", ".trp", true, kTransId, kTrans},
    {WkDocKind::Reader, "Read", ".rdr", true, kReadId, kRead},
    {WkDocKind::Macro, "Macro", ".mac", false, kMacroId, kMacro},
}};

// Field `index` of a template's description string (fields separated by "\n").
constexpr std::string_view Field(std::string_view text, int index) {
    for (; index > 0; --index) {
        text.remove_prefix(std::min(text.size(), text.find('\n') + 1));
    }
    return text.substr(0, text.find('\n'));
}

// The name and extension columns say what the description strings say.
constexpr bool RowsMatchTheirTemplates() {
    for (const WkDocKindInfo& row : kKinds) {
        if (Field(row.templateText, WkDocTemplate::kDocName) != row.name ||
            Field(row.templateText, WkDocTemplate::kFileNewName) != row.name ||
            Field(row.templateText, WkDocTemplate::kFilterExt) != row.extension) {
            return false;
        }
    }
    return true;
}
static_assert(RowsMatchTheirTemplates());

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

const std::array<WkDocKindInfo, 5>& DocKinds() {
    return kKinds;
}

const WkDocKindInfo& DocKindInfo(WkDocKind kind) {
    for (const WkDocKindInfo& row : kKinds) {
        if (row.kind == kind) {
            return row;
        }
    }
    return kKinds.front(); // unreachable: every kind has its row
}

std::optional<WkDocKind> DocKindOfPath(const std::string& path) {
    const std::string extension = LowerAscii(std::filesystem::path(path).extension().string());
    for (const WkDocKindInfo& row : kKinds) {
        if (extension == row.extension) {
            return row.kind;
        }
    }
    return std::nullopt;
}

std::optional<WkDocKind> DocKindOf(const WkDocTemplate& docTemplate) {
    for (const WkDocKindInfo& row : kKinds) {
        if (docTemplate.DocumentName() == row.name) {
            return row.kind;
        }
    }
    return std::nullopt;
}

WkDocTemplate* FindTemplate(const WkTemplateList& templates, WkDocKind kind) {
    return templates.Find(std::string(DocKindInfo(kind).name));
}
