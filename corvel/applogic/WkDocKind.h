#pragma once
// The kinds of document the workbench knows: one row each with its template, the extension
// of its files, the prefix of its new documents' titles and whether several may be open at
// once. Code names a kind by the enum; the name in the template ("Log", "Trans", ...) is the
// template's own text and no key.

#include <array>
#include <optional>
#include <string>
#include <string_view>

class WkDocTemplate;
class WkTemplateList;

/// Description strings of the document templates, with their resource ids.
namespace CorvelTemplates {
inline constexpr int kLogId = 129;
inline constexpr const char* kLog = "\nLog\nLog\nLog-File(*.log)\n.log\nLog\nLog Document";
inline constexpr int kProtId = 136;
inline constexpr const char* kProt =
    "\nProt\nProt\nProtocol Files(*.prt)\n.prt\nProt\nProtocol-Editor Document";
inline constexpr int kTransId = 132;
inline constexpr const char* kTrans =
    "\nTrans\nTrans\nTransponder Files(*.trp)\n.trp\nTrans\nTransponder-Editor Document";
inline constexpr int kReadId = 131;
inline constexpr const char* kRead =
    "\nRead\nRead\nReader Files(*.rdr)\n.rdr\nRead\nReader-Editor Document";
inline constexpr int kMacroId = 135;
inline constexpr const char* kMacro =
    "\nMacro\nMacro\nMacro Files(*.mac)\n.mac\nMacro\nMacro-Editor Document";
} // namespace CorvelTemplates

enum class WkDocKind { Log, Protocol, Transponder, Reader, Macro };

struct WkDocKindInfo {
    WkDocKind kind;
    /// The template's document name and the prefix of a new document's title ("Log1").
    std::string_view name;
    /// The extension of its files, with the point, in lower case.
    std::string_view extension;
    /// Whether several documents of the kind may be open; otherwise a new or opened one
    /// replaces the open one.
    bool multiple;
    int templateId;
    /// The template's description string (see WkDocTemplate::DocStringIndex).
    const char* templateText;
};

/// Every kind, in the order their templates are registered.
const std::array<WkDocKindInfo, 5>& DocKinds();
const WkDocKindInfo& DocKindInfo(WkDocKind kind);
/// The kind of a file by its extension, in any letter case (".RDR" from a USB stick is a
/// reader file); none for another extension.
std::optional<WkDocKind> DocKindOfPath(const std::string& path);
/// The kind whose documents `docTemplate` makes; none for a template of no kind.
std::optional<WkDocKind> DocKindOf(const WkDocTemplate& docTemplate);
/// The registered template of `kind`; null when none is registered.
WkDocTemplate* FindTemplate(const WkTemplateList& templates, WkDocKind kind);
