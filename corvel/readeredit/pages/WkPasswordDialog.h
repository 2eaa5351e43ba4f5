#pragma once
// The password and calibration dialogs of the reader editor without their windows: the hex
// fields of each, the commit when a field is left, "&Send" with the transponder-type bytes it
// sets, and "&Read" of the calibration value.

#include "WkHexFields.h"

#include <string>
#include <vector>

class WkReaderEditDoc;

/// One frame of a password dialog: its title and its labelled rows of hex fields. The
/// frames' rows, in order, hold the dialog's fields in field order.
struct WkHexFrame {
    std::string title;
    std::vector<std::string> rows; ///< row labels ("" for an unlabelled row)
    std::size_t perRow = 4;        ///< fields in each row
};

class WkPasswordDialog {
public:
    enum Kind {
        kReaderPassword = 144,
        kPasswordTTBC = 145,
        kPasswordTTCD = 146,
        kCalibration = 147
    };

    /// `document` must outlive the dialog. The fields start as "00".
    WkPasswordDialog(Kind kind, WkReaderEditDoc& document);

    Kind GetKind() const { return kind_; }
    std::string Title() const;
    /// The frames of the dialog, in order.
    std::vector<WkHexFrame> Frames() const;
    /// The hint beside the fields ("" when the dialog has none).
    std::string Hint() const { return kind_ == kCalibration ? "(00 ... 0F)" : ""; }
    WkHexFields& Fields() { return fields_; }

    /// The dialog opens: every field shows the module's byte.
    void Open() { fields_.Load(); }
    /// A field lost the focus (all but the calibration dialog): the fields that hold two hex
    /// digits are stored.
    void LeaveField();
    /// "&Send": takes the fields, then sends; the reader module's result of the last command.
    /// 0 and nothing sent when a field does not hold two hex digits (its message was shown and
    /// its index put into `bad`, may be null).
    int Send(std::size_t* bad = nullptr);
    /// "&Read" of the calibration dialog: reads 0x6B fresh; the field reloads on success.
    int Read();
    /// "OK": takes the fields; false, as Send, when one does not hold two hex digits (the
    /// dialog stays open). "Cancel" takes nothing more.
    bool Ok(std::size_t* bad = nullptr) { return fields_.Take(bad); }

private:
    Kind kind_;
    WkReaderEditDoc& document_;
    WkHexFields fields_;
};

/// The minimum-length check of a dialog field: false, after "You have to input at least " n
/// " chars" (exclamation icon), when `text` is shorter than `minimum`.
bool CheckMinLength(const std::string& text, int minimum, class Prompts& prompts);
