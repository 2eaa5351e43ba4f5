#pragma once
// What the transponder editor shows and does, without a toolkit: the fields it exchanges with
// the document's module (take = view to module, show = module to view, around every action),
// the page configuration of the selected command, and the handlers of its controls. The form
// view binds its widgets to these fields and forwards the user's actions.

#include "WkTransponderCommands.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class WkTransponderEditDoc;

/// Texts of the transponder editor.
namespace WkTransponderEditText {
inline constexpr const char* kCryptoSetupQuestion = "Do you really want to setup the CryptoReader?";
inline constexpr const char* kEditSnrTitle = "Edit Serial Number";
inline constexpr const char* kAddressRange = "Please enter an integer between 0 and 99.";
inline constexpr const char* kIdLengthRange = "Please enter an integer between 0 and 96.";
inline constexpr const char* kIdNumberRange = "Please enter no more than 24 hex digits.";
} // namespace WkTransponderEditText

/// The view model of one transponder editor.
class WkTransponderEditModel {
public:
    static constexpr int kMaxAddress = 99;
    static constexpr int kMaxIdLength = 96;
    static constexpr int kMaxFirstShown = 96;
    static constexpr int kPageStep = 4;

    /// The fields as the controls show them.
    struct Fields {
        int selected = 0;
        std::string typeText;
        std::string serialText;
        int numberBase = 0; ///< 0 decimal, 1 hexadecimal
        std::string idLength = "0";
        std::string idNumber;
        std::string address = "0";
        int blocks = 0;     ///< combo position: blocks - 1; -1 (empty) for a command without
                            ///< a block count
        int firstShown = 0; ///< scroll position
        std::array<std::string, 16> data;
        /// Cells whose block the last read of it did not bring back: shown empty (their
        /// text is "") while they are read-only, never as the bytes the document happens to
        /// hold.
        std::array<bool, 16> unread{};
        std::array<std::string, 4> password;
        int crypt = 0;
        std::string status = "Offline";
        /// The last command run and what became of it ("[0x11] Read Serial Number: OK").
        std::string outcome;
    };

    /// What is shown and editable for the selected command.
    struct Page {
        std::string groupCaption;
        std::string actionCaption;
        bool actionEnabled = false;
        bool dataVisible = true; ///< row labels, address, blocks, scroll bar, data edits
        bool passwordVisible = false;
        bool cryptVisible = false;
        bool idEditable = false;
        bool addressEditable = false;
        bool blocksEditable = false;
        int editableDataCells = 0; ///< 0, 4 (the first row) or 16
        bool scrollEnabled = false;
        bool editSnrVisible = false;
        std::array<std::string, 4> rowLabels;
    };

    /// Scroll bar actions.
    enum class Scroll { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb };

    /// `document` must outlive the model.
    explicit WkTransponderEditModel(WkTransponderEditDoc& document);

    Fields& GetFields() { return fields_; }
    const Fields& GetFields() const { return fields_; }
    /// The page of the selected command (computed from the fields).
    Page GetPage() const;
    /// The code of the selected entry.
    int SelectedCode() const;

    /// View to module: every field as it is shown, the block count and sub-command boxes
    /// included. False when a range or hex check fails: its message was shown, nothing taken.
    bool Take();
    /// Module to view, with the status line.
    void Show();
    /// The first show: the stored command position selected, the page configured.
    void InitialUpdate();

    /// A new entry of the list was selected: take with the previous one, then show. False
    /// when the take failed; the previous entry stays selected.
    bool SelectCommand(int position);
    /// The action button and the popup entry: take, show, execute. The result of the module
    /// (0 also when nothing ran because a take failed or the question was answered No); what
    /// became of a command that ran is the outcome field.
    int ExecuteSelected();
    /// A double click on entry `position`: selects it and executes the read, halt and select
    /// commands; the others only select.
    int DoubleClick(int position);
    /// The popup entry's text ("&Send " and the entry's) and whether it is enabled.
    std::string PopupText() const;
    bool PopupEnabled() const;

    // Control handlers; each takes and shows as the control demands.
    void StepAddress(int delta);
    void StepIdLength(int delta);
    void TypedAddress(const std::string& text);
    void TypedIdLength(const std::string& text);
    void ScrollData(Scroll action, int thumb = 0);
    void SetNumberBase(int base);
    /// A data or password text changed. False when it is not all hex digits: "No Hex String"
    /// was shown, and the view beeps and selects the edit's text.
    bool EditedData(int index, const std::string& text);
    bool EditedPassword(int index, const std::string& text);
    /// Leaving a data or password edit.
    void LeftEdit();
    void SetCryptPosition(int position);

    /// "Edit Snr...": take, ask for the number through `ask` (given the last number of this
    /// program run; nothing for Cancel), write its 8-byte transponder code into public data at
    /// 4 x address, show, take.
    void EditSerialNumber(const std::function<std::optional<std::uint32_t>(std::uint32_t)>& ask);
    /// The last number entered in this program run (0 at start).
    static std::uint32_t LastSerialNumber();

private:
    const WkTransponderCommand& Selected() const;
    // The data command the rows belong to: the selected one, or the last one selected.
    int RowsCode() const;
    // The byte index the rows show for the module's stored values.
    int StoredRowsBase();
    void ShowRows();
    bool Validate() const;
    bool CheckHex(const std::string& text) const;
    bool CheckByteTexts() const;
    // After a data command ran: the blocks it covered were read (or written) or, for a read
    // that failed, are not known.
    void NoteDataResult(int code, int result);

    static constexpr std::size_t kImageBlocks = 128;

    WkTransponderEditDoc& document_;
    // Per data image (public, configuration, secret): the blocks whose last read failed.
    std::array<std::bitset<kImageBlocks>, 3> unread_{};
    Fields fields_;
    int lastDataCode_ = 0x14;
    int rowsBase_ = 0; // the byte index of the rows as last shown
};
