#pragma once
// Typed access to one byte image through parameter descriptors (block-16 or block-4 family)
// or through a plain byte index (direct family).
//
// Every accessor returns true when done. Failures are silent: a failed set writes nothing;
// a failed descriptor get leaves its output untouched, except that GetLong, GetLongLong and
// GetHexText clear their output once the checks have passed, and the direct GetLongAt,
// GetLongLongAt and GetHexTextAt clear it before checking. Numbers are big-endian; a bit
// field is counted from the least significant bit of the number its LL bytes form.
// A value that does not lie wholly inside the image is refused.
//
// Setters take a notify flag: when it is set and the stored value changed, the module's owner
// document is marked modified.

#include "WkParamDescriptor.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class WkDataModul;

/// A view of one image of a data module; cheap to copy, valid while the module lives and the
/// image is not resized.
class WkImageAccess {
public:
    /// `modul` receives the change notifications; it may be null (no notification).
    WkImageAccess(std::vector<unsigned char>& image, WkAddressing family, WkDataModul* modul)
        : image_(&image), family_(family), modul_(modul) {}

    std::vector<unsigned char>& Image() const { return *image_; }
    WkAddressing Family() const { return family_; }

    // Descriptor getters.
    bool GetBit(std::string_view descriptor, bool& value) const;
    bool GetBitInt(std::string_view descriptor, std::int32_t& value) const;
    bool GetByte(std::string_view descriptor, std::uint8_t& value) const;
    bool GetBytes(std::string_view descriptor, unsigned char* bytes, int count) const;
    bool GetLong(std::string_view descriptor, std::uint32_t& value) const;
    bool GetLongLong(std::string_view descriptor, std::uint64_t& value) const;
    bool GetHexText(std::string_view descriptor, std::string& text) const;

    // Descriptor setters.
    bool SetBit(std::string_view descriptor, bool value, bool notify = true);
    bool SetBitInt(std::string_view descriptor, std::int32_t value, bool notify = true);
    bool SetByte(std::string_view descriptor, std::uint8_t value, bool notify = true);
    bool SetBytes(std::string_view descriptor, const unsigned char* bytes, int count,
                  bool notify = true);
    bool SetLong(std::string_view descriptor, std::uint32_t value, bool notify = true);
    bool SetLongLong(std::string_view descriptor, std::uint64_t value, bool notify = true);
    /// Writes the text's hex pairs from the descriptor's index on. The text may be shorter
    /// than 2 x LL (only its pairs are written) but must have an even length and only hex
    /// digits; anything else is refused. The change test compares the old bytes' upper-case
    /// text with the given text exactly, so lower-case digits count as a change.
    bool SetHexText(std::string_view descriptor, std::string_view text, bool notify = true);

    // Direct family: `index` counts bytes from the start of the image.
    bool GetByteAt(int index, std::uint8_t& value) const;
    bool GetBytesAt(int index, unsigned char* bytes, int count) const;
    bool GetLongAt(int index, std::uint32_t& value) const;
    bool GetLongLongAt(int index, std::uint64_t& value) const;
    bool GetHexTextAt(int index, std::string& text) const;
    bool SetByteAt(int index, std::uint8_t value, bool notify = true);
    bool SetBytesAt(int index, const unsigned char* bytes, int count, bool notify = true);
    bool SetLongAt(int index, std::uint32_t value, bool notify = true);
    bool SetLongLongAt(int index, std::uint64_t value, bool notify = true);
    /// The first two characters of the text are one hex byte; other characters are ignored.
    bool SetHexTextAt(int index, std::string_view text, bool notify = true);

private:
    bool Fits(std::int64_t index, std::int64_t count) const;
    std::uint64_t ReadNumber(std::int64_t index, int length) const;
    bool GetField(std::string_view descriptor, int maxBytes, std::uint64_t& value) const;
    bool SetField(std::string_view descriptor, int maxBytes, std::uint64_t value, bool notify);
    bool WriteAt(std::int64_t index, const unsigned char* bytes, int count, bool notify);
    void Changed(bool notify) const;

    std::vector<unsigned char>* image_;
    WkAddressing family_;
    WkDataModul* modul_;
};
