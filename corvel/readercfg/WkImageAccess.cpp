#include "WkImageAccess.h"
#include "common/HexText.h"

#include "WkDataModul.h"

#include <algorithm>
#include <cstdio>

namespace {

// Bits 0 .. count-1 set; count may be 64.
std::uint64_t LowBits(int count) {
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

bool ParseHexPair(std::string_view text, std::size_t at, unsigned char& byte) {
    const int high = HexDigitValue(text[at]);
    const int low = HexDigitValue(text[at + 1]);
    if (high < 0 || low < 0) {
        return false;
    }
    byte = static_cast<unsigned char>(high * 16 + low);
    return true;
}

void AppendHex(std::string& text, unsigned char byte) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += pair;
}

} // namespace

bool WkImageAccess::Fits(std::int64_t index, std::int64_t count) const {
    return index >= 0 && count >= 0 && index + count <= static_cast<std::int64_t>(image_->size());
}

std::uint64_t WkImageAccess::ReadNumber(std::int64_t index, int length) const {
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i) {
        value = (value << 8) | (*image_)[static_cast<std::size_t>(index + i)];
    }
    return value;
}

void WkImageAccess::Changed(bool notify) const {
    if (notify && modul_ != nullptr) {
        modul_->NotifyModified();
    }
}

bool WkImageAccess::WriteAt(std::int64_t index, const unsigned char* bytes, int count,
                            bool notify) {
    auto first = image_->begin() + index;
    const bool differs = !std::equal(bytes, bytes + count, first);
    std::copy(bytes, bytes + count, first);
    if (differs) {
        Changed(notify);
    }
    return true;
}

// GetLong (maxBytes 4) and GetLongLong (maxBytes 8).
bool WkImageAccess::GetField(std::string_view descriptor, int maxBytes,
                             std::uint64_t& value) const {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->length > maxBytes || d->lowBit + d->bitCount > maxBytes * 8) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, d->length)) {
        return false;
    }
    std::uint64_t number = ReadNumber(index, d->length);
    if (d->bitCount > 0) {
        number = (number & LowBits(d->lowBit + d->bitCount)) >> d->lowBit;
    }
    value = number;
    return true;
}

bool WkImageAccess::SetField(std::string_view descriptor, int maxBytes, std::uint64_t value,
                             bool notify) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->length > maxBytes || d->lowBit + d->bitCount > maxBytes * 8) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, d->length)) {
        return false;
    }
    std::uint64_t number = value;
    if (d->bitCount > 0) {
        // Only the field's own bits change; a wider value is cut to the field.
        const std::uint64_t mask = LowBits(d->bitCount) << d->lowBit;
        number = (ReadNumber(index, d->length) & ~mask) | ((value << d->lowBit) & mask);
    }
    unsigned char bytes[8] = {};
    for (int i = 0; i < d->length; ++i) {
        bytes[d->length - 1 - i] = static_cast<unsigned char>((number >> (8 * i)) & 0xFF);
    }
    return WriteAt(index, bytes, d->length, notify);
}

bool WkImageAccess::GetBit(std::string_view descriptor, bool& value) const {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->length != 1 || d->bitCount != 1 || d->lowBit > 7) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, 1)) {
        return false;
    }
    value = (((*image_)[static_cast<std::size_t>(index)] >> d->lowBit) & 1) != 0;
    return true;
}

bool WkImageAccess::GetBitInt(std::string_view descriptor, std::int32_t& value) const {
    bool bit = false;
    if (!GetBit(descriptor, bit)) {
        return false;
    }
    value = bit ? 1 : 0;
    return true;
}

bool WkImageAccess::GetByte(std::string_view descriptor, std::uint8_t& value) const {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->length != 1 || d->lowBit + d->bitCount > 8) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, 1)) {
        return false;
    }
    const unsigned char byte = (*image_)[static_cast<std::size_t>(index)];
    value = d->bitCount == 0
                ? byte
                : static_cast<std::uint8_t>((byte >> d->lowBit) & LowBits(d->bitCount));
    return true;
}

bool WkImageAccess::GetBytes(std::string_view descriptor, unsigned char* bytes, int count) const {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || bytes == nullptr || count < 1 || d->bitCount != 0) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, count)) {
        return false;
    }
    std::copy_n(image_->begin() + index, count, bytes);
    return true;
}

bool WkImageAccess::GetLong(std::string_view descriptor, std::uint32_t& value) const {
    std::uint64_t wide = 0;
    if (!GetField(descriptor, 4, wide)) {
        return false;
    }
    value = static_cast<std::uint32_t>(wide);
    return true;
}

bool WkImageAccess::GetLongLong(std::string_view descriptor, std::uint64_t& value) const {
    return GetField(descriptor, 8, value);
}

bool WkImageAccess::GetHexText(std::string_view descriptor, std::string& text) const {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->length > 16 || d->lowBit > 7 || d->lowBit + d->bitCount > 92) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, d->length)) {
        return false;
    }
    std::string result;
    if (d->bitCount == 0) {
        for (int i = 0; i < d->length; ++i) {
            AppendHex(result, (*image_)[static_cast<std::size_t>(index + i)]);
        }
    } else {
        // A bit field is shown as its shifted value in LL bytes; it must fit a 64-bit number.
        if (d->length > 8 || d->lowBit + d->bitCount > 64) {
            return false;
        }
        const std::uint64_t field =
            (ReadNumber(index, d->length) & LowBits(d->lowBit + d->bitCount)) >> d->lowBit;
        for (int i = d->length - 1; i >= 0; --i) {
            AppendHex(result, static_cast<unsigned char>((field >> (8 * i)) & 0xFF));
        }
    }
    text = std::move(result);
    return true;
}

bool WkImageAccess::SetBit(std::string_view descriptor, bool value, bool notify) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->bitCount != 1 || d->lowBit > 7) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, 1)) {
        return false;
    }
    const unsigned char old = (*image_)[static_cast<std::size_t>(index)];
    const auto bit = static_cast<unsigned char>(1u << d->lowBit);
    const auto byte = static_cast<unsigned char>(value ? (old | bit) : (old & ~bit));
    return WriteAt(index, &byte, 1, notify);
}

bool WkImageAccess::SetBitInt(std::string_view descriptor, std::int32_t value, bool notify) {
    return SetBit(descriptor, value != 0, notify);
}

bool WkImageAccess::SetByte(std::string_view descriptor, std::uint8_t value, bool notify) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->lowBit + d->bitCount > 8) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, 1)) {
        return false;
    }
    unsigned char byte = value;
    if (d->bitCount > 0) {
        const auto mask = static_cast<unsigned char>(LowBits(d->bitCount) << d->lowBit);
        byte = static_cast<unsigned char>(((*image_)[static_cast<std::size_t>(index)] & ~mask) |
                                          ((value << d->lowBit) & mask));
    }
    return WriteAt(index, &byte, 1, notify);
}

bool WkImageAccess::SetBytes(std::string_view descriptor, const unsigned char* bytes, int count,
                             bool notify) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || bytes == nullptr || count < 1 || d->bitCount != 0) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    if (!Fits(index, count)) {
        return false;
    }
    return WriteAt(index, bytes, count, notify);
}

bool WkImageAccess::SetLong(std::string_view descriptor, std::uint32_t value, bool notify) {
    return SetField(descriptor, 4, value, notify);
}

bool WkImageAccess::SetLongLong(std::string_view descriptor, std::uint64_t value, bool notify) {
    return SetField(descriptor, 8, value, notify);
}

bool WkImageAccess::SetHexText(std::string_view descriptor, std::string_view text, bool notify) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->bitCount != 0 || text.size() % 2 != 0 ||
        text.size() > 2 * static_cast<std::size_t>(d->length)) {
        return false;
    }
    const std::int64_t index = d->Index(family_);
    const auto count = static_cast<int>(text.size() / 2);
    if (!Fits(index, count)) {
        return false;
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count));
    std::string old;
    for (int i = 0; i < count; ++i) {
        if (!ParseHexPair(text, 2 * static_cast<std::size_t>(i),
                          bytes[static_cast<std::size_t>(i)])) {
            return false;
        }
        AppendHex(old, (*image_)[static_cast<std::size_t>(index + i)]);
    }
    std::copy(bytes.begin(), bytes.end(), image_->begin() + index);
    if (old != text) {
        Changed(notify);
    }
    return true;
}

bool WkImageAccess::GetByteAt(int index, std::uint8_t& value) const {
    if (!Fits(index, 1)) {
        return false;
    }
    value = (*image_)[static_cast<std::size_t>(index)];
    return true;
}

bool WkImageAccess::GetBytesAt(int index, unsigned char* bytes, int count) const {
    if (bytes == nullptr || count < 1 || !Fits(index, count)) {
        return false;
    }
    std::copy_n(image_->begin() + index, count, bytes);
    return true;
}

bool WkImageAccess::GetLongAt(int index, std::uint32_t& value) const {
    value = 0;
    if (!Fits(index, 4)) {
        return false;
    }
    value = static_cast<std::uint32_t>(ReadNumber(index, 4));
    return true;
}

bool WkImageAccess::GetLongLongAt(int index, std::uint64_t& value) const {
    value = 0;
    if (!Fits(index, 8)) {
        return false;
    }
    value = ReadNumber(index, 8);
    return true;
}

bool WkImageAccess::GetHexTextAt(int index, std::string& text) const {
    text.clear();
    if (!Fits(index, 1)) {
        return false;
    }
    AppendHex(text, (*image_)[static_cast<std::size_t>(index)]);
    return true;
}

bool WkImageAccess::SetByteAt(int index, std::uint8_t value, bool notify) {
    if (!Fits(index, 1)) {
        return false;
    }
    return WriteAt(index, &value, 1, notify);
}

bool WkImageAccess::SetBytesAt(int index, const unsigned char* bytes, int count, bool notify) {
    if (bytes == nullptr || count < 1 || !Fits(index, count)) {
        return false;
    }
    return WriteAt(index, bytes, count, notify);
}

bool WkImageAccess::SetLongAt(int index, std::uint32_t value, bool notify) {
    if (!Fits(index, 4)) {
        return false;
    }
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
        static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    return WriteAt(index, bytes, 4, notify);
}

bool WkImageAccess::SetLongLongAt(int index, std::uint64_t value, bool notify) {
    if (!Fits(index, 8)) {
        return false;
    }
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i) {
        bytes[7 - i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
    }
    return WriteAt(index, bytes, 8, notify);
}

bool WkImageAccess::SetHexTextAt(int index, std::string_view text, bool notify) {
    unsigned char byte = 0;
    if (text.size() < 2 || !Fits(index, 1) || !ParseHexPair(text, 0, byte)) {
        return false;
    }
    return WriteAt(index, &byte, 1, notify);
}
