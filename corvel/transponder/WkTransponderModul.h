#pragma once
// The data module of a transponder document: the parameters of each transponder command, the
// transponder type and serial number last read, the ID number, and images of the
// transponder's public, configuration and secret data. Commands run through the reader of the
// reader configuration document the transponder document is bound to.
//
// Images in use (all others stay empty): 5 serial number (64 bytes: type, 5 serial-number
// bytes), 6 ID (64: length in bits, 12 ID bytes), 7 reserved (64), 8 public data, 9 secret
// data, 10 configuration data (512 each, 4 bytes a block), 11 command parameters (512).

#include "WkParaModul.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class WkReaderDocLink;

/// Transponder module: seven images, the texts the editor shows, command execution.
class WkTransponderModul : public WkParaModul {
public:
    static constexpr int kSerialImage = 5;
    static constexpr int kIdImage = 6;
    static constexpr int kReservedImage = 7;
    static constexpr int kPublicImage = 8;
    static constexpr int kSecretImage = 9;
    static constexpr int kConfigImage = 10;
    static constexpr int kParamImage = 11;
    static constexpr std::size_t kSmallImageSize = 64;
    static constexpr std::size_t kDataImageSize = 512;
    static constexpr int kBlockBytes = 4;

    /// Results of Execute besides the reader library's own.
    static constexpr int kNoReaderHandle = -1; ///< the reader document has no reader object
    static constexpr int kNoPort = -2;         ///< the reader's port handle is 0
    static constexpr int kNotHandled = -3;     ///< a code without a routine, or blocks that do
                                               ///< not lie inside the data image
    static constexpr int kNotBound = -4;       ///< the document is not bound to a reader

    static constexpr std::uint8_t kNoType = 255;

    // Descriptors "CC BB PP LL bb nn": the command code in hex (the accessors ignore it),
    // then block (16 bytes), byte position, byte length, lowest bit and bit count, all in
    // decimal. "12 00 01 12 00 00" is 12 bytes from byte 1; "11 01 00 01 00 01" is bit 0 of
    // byte 16.
    // Descriptors of the serial-number and ID images (image 5, image 6).
    static constexpr const char* kType = "20 00 00 01 00 00";
    static constexpr const char* kSerial = "20 00 01 05 00 00";
    static constexpr const char* kIdLength = "12 00 00 01 00 00";
    static constexpr const char* kIdNumber = "12 00 01 12 00 00";
    // Descriptors of the command parameter image (image 11).
    static constexpr const char* kCryptCode = "AA 00 13 01 00 00";
    static constexpr const char* kHexFlag = "11 01 00 01 00 01";
    static constexpr const char* kPassword = "1C 02 00 04 00 00";
    static constexpr const char* kPasswordBytes[4] = {"1C 02 00 01 00 00", "1C 02 01 01 00 00",
                                                      "1C 02 02 01 00 00", "1C 02 03 01 00 00"};
    /// Base-image byte 32: the selected entry of the editor's command list.
    static constexpr const char* kCommandPosition = "00 02 00 01 00 00";

    /// The parameters of a data command (0x14 .. 0x19) in the command parameter image.
    struct DataCommand {
        int code;
        int image;              ///< kPublicImage, kConfigImage or kSecretImage
        char label;             ///< 'D', 'C' or 'S': the letter of the data row labels
        const char* address;    ///< first block address
        const char* blocks;     ///< number of blocks, or null (configuration data: one)
        const char* firstShown; ///< first block the editor shows, or null (the address)
    };
    /// The row of data command `code`, or null for any other code.
    static const DataCommand* FindDataCommand(int code);

    /// Run-time class "WkTransponderModul", schema 1.
    static const WkRuntimeClass kRuntimeClass;

    /// Sizes and zeroes the images, sets the type to 255, the type text to "KR" and the file
    /// information of a transponder file. `owner` is not owned and may be null.
    explicit WkTransponderModul(WkModulOwner* owner = nullptr);
    ~WkTransponderModul() override;

    const WkRuntimeClass& GetRuntimeClass() const override;

    /// The header block, then images 5 to 11 as byte blocks. Loading takes the counts found in
    /// the file and replaces the module's data only when everything was read; an image shorter
    /// than its size is padded with zeros, a longer one kept as it is.
    void Serialize(WkArchive& ar) override;

    /// The reader document commands go through; null while the document is unbound. Not owned.
    WkReaderDocLink* GetReader() const { return reader_; }
    void SetReader(WkReaderDocLink* reader) { reader_ = reader; }

    /// Runs transponder command `code` through the bound reader. Returns 0 on success, the
    /// reader library's result (a reader status or a negative library code, also from reading
    /// the reader's "PortHnd"), or kNoReaderHandle, kNoPort, kNotHandled, kNotBound. Nothing
    /// is stored unless the result is 0. Codes other than the transponder commands return 0
    /// and do nothing.
    int Execute(int code) override;
    /// Not supported by the transponder module: always -2.
    int ExecuteText(int code, std::string_view text) override;

    /// "TTA" .. "TTD" for type byte 0 .. 3, "     -----" for any other value.
    std::string TypeName() const;
    /// The 5 serial-number bytes as 10 hex digits when the hex flag is set, else as one
    /// unsigned number, most significant byte first, in decimal.
    std::string SerialNumberText() const;
    /// The hex text of the ID bytes, 2 x ceil(ID length in bits / 8) digits (at most 24).
    std::string IdNumberText() const;
    /// Writes `text` over the leading digits of the 24-digit ID text and keeps the rest.
    /// False (nothing written) when the text is longer than 24 characters or not hex digits.
    bool SetIdNumberText(std::string_view text, bool notify = true);

    WkImageAccess SerialImage() { return Access(kSerialImage); }
    WkImageAccess IdImage() { return Access(kIdImage); }
    WkImageAccess Params() { return Access(kParamImage); }

private:
    int ReadCommand(int code, int handle, int bus);
    int WriteCommand(int code, int handle, int bus);
    int OtherCommand(int code, int handle, int bus);
    // Type and serial number of an answer of 0x11, 0x1B or 0x1C.
    void StoreSerial(unsigned char type, const char* serial);
    // The row, first block and byte count of data command `code`, or nothing for another
    // code or blocks that do not lie in the image.
    struct DataSpan {
        const DataCommand* command;
        int address;
        int bytes;
    };
    std::optional<DataSpan> DataSpanOf(int code);

    WkReaderDocLink* reader_ = nullptr;
};
