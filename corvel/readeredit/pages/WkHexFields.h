#pragma once
// A row of two-digit hex fields, one byte each, bound to one-byte descriptors of a module
// image: the reader login password of the command panel and the password and calibration
// dialogs. Text is checked as it is typed; a commit stores each field that holds one or two
// hex digits ("A" stores 0x0A) and leaves a byte whose text is not hex at its stored value.

#include <functional>
#include <string>
#include <vector>

class Prompts;
class WkParaModul;

class WkHexFields {
public:
    /// What the field should do after an edit.
    enum class Edit {
        Stay,      ///< keep the focus
        SelectAll, ///< the text is not hex: "No Hex String" was shown; select the whole text
        Next,      ///< two digits: move the focus to the next field
    };
    static constexpr const char* kNoHexString = "No Hex String";

    /// `modul` is not owned and must outlive the fields; `prompts` gives the prompts to warn
    /// through when a warning is due. Every field starts as "00".
    WkHexFields(WkParaModul& modul, int image, std::vector<std::string> descriptors,
                std::function<Prompts&()> prompts);

    std::size_t Size() const { return texts_.size(); }
    const std::string& Text(std::size_t field) const { return texts_.at(field); }
    const std::vector<std::string>& Descriptors() const { return descriptors_; }

    /// The user changed the text of `field`. Text that is not hex shows "No Hex String"
    /// (exclamation icon); the caller beeps and selects the field.
    Edit SetText(std::size_t field, std::string text);

    /// Shows the module's bytes ("%02X").
    void Load();
    /// Writes every field with one or two hex digits into the module, with change
    /// notification; then shows the module's bytes again.
    void Commit();

private:
    WkParaModul& modul_;
    int image_;
    std::vector<std::string> descriptors_;
    std::function<Prompts&()> prompts_;
    std::vector<std::string> texts_;
};
