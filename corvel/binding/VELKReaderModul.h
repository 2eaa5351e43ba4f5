#pragma once
// The data module of a reader configuration document. It keeps the reader's configuration
// (image 1, 1024 bytes) and the answers and parameters of single commands together with the
// mirror of the reader's three EEPROM configuration blocks (image 11, 2048 bytes), and turns
// a reader command code into one call of the reader library: parameters are taken from the
// images through their descriptors, answers are stored back through theirs.
//
// Block-read flags, one per configuration block 0 .. 2, say that the mirror holds the block
// as read from the reader; a read of a value fetches its block only while the flag is clear,
// and a successful write to a block clears it. The flags are not stored in the file.

#include "WkParaModul.h"

#include <array>
#include <string>
#include <string_view>

/// Reader module: configuration and answer images, command execution, block mirror.
class VELKReaderModul : public WkParaModul {
public:
    static constexpr std::size_t kConfigImageSize = 1024;
    static constexpr std::size_t kAnswerImageSize = 2048;

    /// Codes of Execute, ReadParameter and EnsureBlockRead besides the library's own.
    static constexpr int kNoReaderHandle = -1; ///< Execute: the owner has no reader object
    static constexpr int kNoPortHandle = -2;   ///< Execute: the reader is bound to port 0
    static constexpr int kUnknownCommand = -3; ///< Execute: the code has no row
    static constexpr int kNotSupported = -1;   ///< ReadParameter, EnsureBlockRead

    /// Run-time class "VELKReaderModul", schema 1.
    static const WkRuntimeClass kRuntimeClass;

    /// Sizes and zeroes both images and fills the file-info header of a reader file
    /// ("RDR-02", program title, "03.00.00"). `owner` is not owned and may be null.
    explicit VELKReaderModul(WkModulOwner* owner = nullptr);
    ~VELKReaderModul() override;

    const WkRuntimeClass& GetRuntimeClass() const override;

    /// The header block, then image 1 and image 11 as byte blocks. Loading takes the
    /// counts from the file and replaces the module's data only when everything was read;
    /// images shorter than their full size are padded with zeros, and the block-read flags
    /// are cleared.
    void Serialize(WkArchive& ar) override;

    /// Runs reader command `code` with the owner's reader handle and the bus address of base
    /// image byte 0. Returns 0 on success, the library's result otherwise (a positive reader
    /// status or a negative library code, including a negative result of reading the reader's
    /// "PortHnd"), -1 without a reader handle, -2 when the reader's port handle is 0, -3 for
    /// a code without a row. A block read (0x62) of block 0 .. 2 whose answer carries fewer
    /// than 16 data bytes returns the library's length error (-2030) and stores nothing. The
    /// owner's views are told hint 1 before the command runs (also for -3), and the wait cursor is
    /// shown during the call.
    int Execute(int code) override;
    /// The check before any command of reader `handle`: 0 when it may go ahead, -1 for handle
    /// 0, -2 when the reader's port handle is 0, or the negative result of reading the
    /// reader's "PortHnd".
    static int CheckReaderPort(int handle);
    /// The number of the port reader object `handle` talks through, 0 for none.
    static int PortNumberOf(int handle);

    /// Commands with a text argument are not supported by the reader module: always -2.
    int ExecuteText(int code, std::string_view text) override;

    /// Copies the values of configuration command `code` from the block mirror into the
    /// configuration image, reading their blocks from the reader first where needed, then
    /// tells the owner's views hint 2. Returns 0, -1 for a code without configuration values,
    /// or the first non-zero result of EnsureBlockRead.
    int ReadParameter(int code);

    /// Reads configuration block b (the descriptor's second field) into the mirror with
    /// command 0x62 unless its flag is set. Returns 0, -1 for a block other than 0 .. 2 or an
    /// unreadable descriptor, or the result of Execute(0x62).
    int EnsureBlockRead(std::string_view descriptor);

    /// Sets the flag of the descriptor's block; blocks other than 0 .. 2 are ignored.
    void SetBlockReadFlag(std::string_view descriptor, bool value);
    /// The flag of block 0 .. 2; false for any other block.
    bool IsBlockRead(int block) const;

    /// Texts of the software-version answer (command 0x65): bytes 0 and 1 as "%02d-%02d",
    /// byte 3 (the reader type) as "%02d", byte 4 as "%02d".
    std::string SoftwareVersionText();
    std::string ReaderTypeText();
    std::string SoftwareRevisionText();

private:
    int RunCommand(int code, int handle, int busAddress);
    int ConfigValue(std::string_view descriptor);
    int AnswerValue(std::string_view descriptor);
    bool AnswerPassword(std::string_view descriptor, char (&password)[5]);
    void ClearFlagOf(std::string_view descriptor);
    int SetOutputs(int code, int handle, int busAddress);
    int SendPasswords(int code, int handle, int busAddress);
    int WriteTransponderMode(int handle, int busAddress);

    std::array<bool, 3> blockRead_{};
};
