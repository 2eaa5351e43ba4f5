#include "WkArchive.h"

#include <limits>

WkArchive::WkArchive() : storing_(true) {}

WkArchive::WkArchive(const unsigned char* bytes, std::size_t size)
    : storing_(false), buffer_(bytes, bytes + size) {}

WkArchive::WkArchive(const std::vector<unsigned char>& bytes) : storing_(false), buffer_(bytes) {}

std::uint32_t WkArchive::CheckedCount(std::size_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        throw WkArchiveError("count too large for the file format");
    }
    return static_cast<std::uint32_t>(size);
}

void WkArchive::Need(std::size_t bytes) const {
    if (storing_) {
        throw WkArchiveError("reading from a storing archive");
    }
    if (Remaining() < bytes) {
        throw WkArchiveError("file ends early");
    }
}

void WkArchive::WriteByte(std::uint8_t value) {
    buffer_.push_back(value);
}

void WkArchive::WriteUInt16(std::uint16_t value) {
    buffer_.push_back(static_cast<unsigned char>(value & 0xFF));
    buffer_.push_back(static_cast<unsigned char>(value >> 8));
}

void WkArchive::WriteUInt32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        buffer_.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
    }
}

void WkArchive::WriteInt32(std::int32_t value) {
    WriteUInt32(static_cast<std::uint32_t>(value));
}

std::uint8_t WkArchive::ReadByte() {
    Need(1);
    return buffer_[position_++];
}

std::uint16_t WkArchive::ReadUInt16() {
    Need(2);
    const auto value =
        static_cast<std::uint16_t>(buffer_[position_] | (buffer_[position_ + 1] << 8));
    position_ += 2;
    return value;
}

std::uint32_t WkArchive::ReadUInt32() {
    Need(4);
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | buffer_[position_ + static_cast<std::size_t>(i)];
    }
    position_ += 4;
    return value;
}

std::int32_t WkArchive::ReadInt32() {
    return static_cast<std::int32_t>(ReadUInt32());
}

void WkArchive::WriteCount(std::uint32_t count) {
    if (count < 0xFFFF) {
        WriteUInt16(static_cast<std::uint16_t>(count));
    } else {
        WriteUInt16(0xFFFF);
        WriteUInt32(count);
    }
}

std::uint32_t WkArchive::ReadCount() {
    const std::uint16_t shortCount = ReadUInt16();
    if (shortCount != 0xFFFF) {
        return shortCount;
    }
    return ReadUInt32();
}

void WkArchive::WriteString(std::string_view text) {
    const std::uint32_t length = CheckedCount(text.size());
    if (length < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else {
        WriteByte(0xFF);
        if (length < 0xFFFE) {
            WriteUInt16(static_cast<std::uint16_t>(length));
        } else {
            WriteUInt16(0xFFFF);
            WriteUInt32(length);
        }
    }
    buffer_.insert(buffer_.end(), text.begin(), text.end());
}

std::string WkArchive::ReadString() {
    std::uint32_t length = ReadByte();
    if (length == 0xFF) {
        length = ReadUInt16();
        if (length == 0xFFFF) {
            length = ReadUInt32();
        } else if (length == 0xFFFE) {
            // FF FE marks a form of string this program never writes.
            throw WkArchiveError("unsupported string form");
        }
    }
    Need(length);
    std::string text(reinterpret_cast<const char*>(buffer_.data() + position_), length);
    position_ += length;
    return text;
}

void WkArchive::WriteStringList(const std::vector<std::string>& list) {
    WriteCount(CheckedCount(list.size()));
    for (const std::string& text : list) {
        WriteString(text);
    }
}

std::vector<std::string> WkArchive::ReadStringList() {
    const std::uint32_t count = ReadCount();
    // Every string takes at least its one-byte prefix.
    if (count > Remaining()) {
        throw WkArchiveError("string list longer than the file");
    }
    std::vector<std::string> list;
    list.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        list.push_back(ReadString());
    }
    return list;
}

void WkArchive::WriteByteBlock(const std::vector<unsigned char>& bytes) {
    WriteCount(CheckedCount(bytes.size()));
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::vector<unsigned char> WkArchive::ReadByteBlock() {
    const std::uint32_t count = ReadCount();
    Need(count);
    const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(position_);
    std::vector<unsigned char> bytes(first, first + count);
    position_ += count;
    return bytes;
}

void WkArchive::WriteClassTag(const WkRuntimeClass& cls) {
    const auto known = storedClasses_.find(&cls);
    if (known != storedClasses_.end()) {
        if (known->second < kBigObjectTag) {
            WriteUInt16(static_cast<std::uint16_t>(kClassTag | known->second));
        } else {
            WriteUInt16(kBigObjectTag);
            WriteUInt32(kBigClassTag | known->second);
        }
        return;
    }
    WriteUInt16(kNewClassTag);
    WriteUInt16(cls.schema);
    const std::string_view name(cls.name);
    WriteUInt16(static_cast<std::uint16_t>(name.size()));
    buffer_.insert(buffer_.end(), name.begin(), name.end());
    storedClasses_[&cls] = mapCount_++;
}

void WkArchive::WriteObject(WkObject* object) {
    if (object == nullptr) {
        WriteUInt16(kNullTag);
        return;
    }
    WriteClassTag(object->GetRuntimeClass());
    ++mapCount_;
    object->Serialize(*this);
}

std::unique_ptr<WkObject> WkArchive::ReadObject(const WkRuntimeClass& expected) {
    const std::uint16_t tag = ReadUInt16();
    if (tag == kNullTag) {
        return nullptr;
    }
    const WkRuntimeClass* cls = nullptr;
    if (tag == kNewClassTag) {
        const std::uint16_t schema = ReadUInt16();
        const std::uint16_t nameLength = ReadUInt16();
        Need(nameLength);
        const std::string_view name(reinterpret_cast<const char*>(buffer_.data() + position_),
                                    nameLength);
        position_ += nameLength;
        if (name != std::string_view(expected.name)) {
            throw WkArchiveError("unknown class in file");
        }
        if (schema != expected.schema) {
            throw WkArchiveError("class written with another schema");
        }
        cls = &expected;
        loadedClasses_[mapCount_++] = cls;
    } else {
        std::uint32_t number = 0;
        if (tag == kBigObjectTag) {
            const std::uint32_t bigTag = ReadUInt32();
            if ((bigTag & kBigClassTag) == 0) {
                throw WkArchiveError("reference to an earlier object");
            }
            number = bigTag & ~kBigClassTag;
        } else if ((tag & kClassTag) != 0) {
            number = tag & ~kClassTag;
        } else {
            // Objects are owned by their lists and never written twice.
            throw WkArchiveError("reference to an earlier object");
        }
        const auto known = loadedClasses_.find(number);
        if (known == loadedClasses_.end()) {
            throw WkArchiveError("reference to a class not in the file");
        }
        cls = known->second;
    }
    if (cls->create == nullptr) {
        throw WkArchiveError("class cannot be created");
    }
    ++mapCount_;
    std::unique_ptr<WkObject> object = cls->create();
    if (!object) {
        throw WkArchiveError("class cannot be created");
    }
    object->Serialize(*this);
    return object;
}
