#pragma once
// The byte encoding of the workbench's document files (.prt, .mac, .trp, .rdr).
//
// A file is a plain sequence of items with no framing: little-endian integers, counts
// (16 bits, or FFFF and 32 bits), strings with a one-, three- or seven-byte length prefix,
// string lists, byte blocks and object lists whose objects are introduced by class tags.
// An archive either stores (appends to its byte buffer) or loads (consumes a copy of the
// bytes it was given); a load that meets bytes it cannot use throws WkArchiveError, and the
// caller drops whatever it had read.

#include "WkObject.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// Thrown while loading when the bytes end early or name a class or schema that is not
/// expected. Never thrown while storing except for lengths that cannot be encoded.
class WkArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// One pass over a document file: storing into a buffer or loading from one.
class WkArchive {
public:
    /// A storing archive with an empty buffer.
    WkArchive();
    /// A loading archive over a copy of `bytes`.
    WkArchive(const unsigned char* bytes, std::size_t size);
    explicit WkArchive(const std::vector<unsigned char>& bytes);

    bool IsStoring() const { return storing_; }
    bool IsLoading() const { return !storing_; }

    /// Storing: everything written so far. Loading: the bytes being read.
    const std::vector<unsigned char>& Buffer() const { return buffer_; }
    /// Loading: bytes not read yet.
    std::size_t Remaining() const { return buffer_.size() - position_; }

    void WriteByte(std::uint8_t value);
    void WriteUInt16(std::uint16_t value);
    void WriteUInt32(std::uint32_t value);
    void WriteInt32(std::int32_t value);
    std::uint8_t ReadByte();
    std::uint16_t ReadUInt16();
    std::uint32_t ReadUInt32();
    std::int32_t ReadInt32();

    /// Count of entries, bytes or objects: 16 bits below 0xFFFF, else FFFF and 32 bits.
    void WriteCount(std::uint32_t count);
    std::uint32_t ReadCount();

    /// 8-bit text with its length prefix; an empty text is the single byte 00. The bytes are
    /// passed through unchanged (files written on the desktop platform hold its 8-bit code
    /// page); converting them for display is the user interface's business.
    void WriteString(std::string_view text);
    std::string ReadString();

    /// A count, then each string.
    void WriteStringList(const std::vector<std::string>& list);
    std::vector<std::string> ReadStringList();

    /// A count, then the raw bytes.
    void WriteByteBlock(const std::vector<unsigned char>& bytes);
    std::vector<unsigned char> ReadByteBlock();

    /// A class tag (new-class tag with schema and name, or a reference to a class written
    /// before) and the object's fields; a null object is the tag 0.
    void WriteObject(WkObject* object);
    /// Reads one object that must be of class `expected` (same name, same schema), or null
    /// for the tag 0. Any other class, another schema or a reference to an object written
    /// before throws WkArchiveError.
    std::unique_ptr<WkObject> ReadObject(const WkRuntimeClass& expected);

    /// A count, then each object as WriteObject writes it.
    template <class T> void WriteObjectList(const std::vector<std::unique_ptr<T>>& list) {
        WriteCount(CheckedCount(list.size()));
        for (const auto& item : list) {
            WriteObject(item.get());
        }
    }

    /// A count, then each object of class `expected` (null entries are kept as null).
    /// T must be the C++ class behind `expected`.
    template <class T>
    std::vector<std::unique_ptr<T>> ReadObjectList(const WkRuntimeClass& expected) {
        const std::uint32_t count = ReadCount();
        // Every object takes at least its two-byte tag.
        if (count > Remaining() / 2) {
            throw WkArchiveError("object list longer than the file");
        }
        std::vector<std::unique_ptr<T>> list;
        list.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::unique_ptr<WkObject> object = ReadObject(expected);
            list.emplace_back(static_cast<T*>(object.release()));
        }
        return list;
    }

private:
    static std::uint32_t CheckedCount(std::size_t size);
    void Need(std::size_t bytes) const;
    void WriteClassTag(const WkRuntimeClass& cls);

    static constexpr std::uint16_t kNullTag = 0x0000;
    static constexpr std::uint16_t kNewClassTag = 0xFFFF;
    static constexpr std::uint16_t kClassTag = 0x8000;
    static constexpr std::uint16_t kBigObjectTag = 0x7FFF;
    static constexpr std::uint32_t kBigClassTag = 0x80000000u;

    bool storing_;
    std::vector<unsigned char> buffer_;
    std::size_t position_ = 0;
    // One counter per file numbers classes and objects in the order they are met; 0 is null.
    std::uint32_t mapCount_ = 1;
    std::map<const WkRuntimeClass*, std::uint32_t> storedClasses_;
    std::map<std::uint32_t, const WkRuntimeClass*> loadedClasses_;
};
