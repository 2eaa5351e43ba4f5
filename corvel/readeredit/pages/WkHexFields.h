#pragma once
// A row of two-digit hex fields, one byte each, bound to one-byte descriptors of a module
// image: the reader login password of the command panel and the password and calibration
// dialogs. Text is checked as it is typed; a field that is left stores its byte once it
// holds two hex digits, and a send or OK takes the fields only when every one does, so that
// what goes out is what the fields show.

#include <cstddef>
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
        SelectAll, ///< the text is not hex: the message was shown; select the whole text
        Next,      ///< two digits: move the focus to the next field
    };
    /// The digits every field holds.
    static constexpr int kDigits = 2;

    /// `modul` is not owned and must outlive the fields; `prompts` gives the prompts to warn
    /// through when a warning is due. Every field starts as "00".
    WkHexFields(WkParaModul& modul, int image, std::vector<std::string> descriptors,
                std::function<Prompts&()> prompts);

    std::size_t Size() const { return texts_.size(); }
    const std::string& Text(std::size_t field) const { return texts_.at(field); }
    const std::vector<std::string>& Descriptors() const { return descriptors_; }

    /// The user changed the text of `field`. Text that is not hex shows "No Hex String" with
    /// the text and its first wrong character marked (exclamation icon); the caller beeps and
    /// selects the field.
    Edit SetText(std::size_t field, std::string text);

    /// Shows the module's bytes ("%02X").
    void Load();
    /// A field was left: every field with two hex digits is written into the module, with
    /// change notification, and shown as stored; the others keep their text.
    void CommitComplete();
    /// Before a send or OK: when every field holds two hex digits, writes them all and
    /// returns true. Otherwise shows why (the hex message, or "You have to input at least 2
    /// chars"), writes nothing, puts the field's index into `bad` (may be null) and returns
    /// false.
    bool Take(std::size_t* bad = nullptr);

private:
    WkParaModul& modul_;
    int image_;
    std::vector<std::string> descriptors_;
    std::function<Prompts&()> prompts_;
    std::vector<std::string> texts_;
};
