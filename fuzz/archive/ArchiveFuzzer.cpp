// Document-file reader: a header block followed by an object list, the shape every list
// document has. Whatever loads must store back to bytes that load to the same data.

#include "WkArchive.h"
#include "WkDataModul.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

class FuzzItem : public WkObject {
public:
    static const WkRuntimeClass kClass;
    const WkRuntimeClass& GetRuntimeClass() const override { return kClass; }
    void Serialize(WkArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteString(text);
            ar.WriteInt32(flag);
            ar.WriteStringList(list);
            ar.WriteByteBlock(bytes);
        } else {
            text = ar.ReadString();
            flag = ar.ReadInt32();
            list = ar.ReadStringList();
            bytes = ar.ReadByteBlock();
        }
    }
    bool operator==(const FuzzItem& other) const {
        return text == other.text && flag == other.flag && list == other.list &&
               bytes == other.bytes;
    }
    std::string text;
    std::int32_t flag = 0;
    std::vector<std::string> list;
    std::vector<unsigned char> bytes;
};

const WkRuntimeClass FuzzItem::kClass = {
    "WkFuzzItem", 1, [] { return std::unique_ptr<WkObject>(std::make_unique<FuzzItem>()); }};

struct Document {
    WkDataModul modul;
    std::vector<std::unique_ptr<FuzzItem>> items;

    void Load(WkArchive& ar) {
        modul.Serialize(ar);
        items = ar.ReadObjectList<FuzzItem>(FuzzItem::kClass);
    }
    std::vector<unsigned char> Store() {
        WkArchive ar;
        modul.Serialize(ar);
        ar.WriteObjectList(items);
        return ar.Buffer();
    }
};

bool SameItems(const Document& a, const Document& b) {
    if (a.items.size() != b.items.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        const bool aNull = a.items[i] == nullptr;
        const bool bNull = b.items[i] == nullptr;
        if (aNull != bNull || (!aNull && !(*a.items[i] == *b.items[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Document first;
    try {
        WkArchive ar(data, size);
        first.Load(ar);
    } catch (const WkArchiveError&) {
        return 0;
    }
    Document second;
    try {
        WkArchive again(first.Store());
        second.Load(again);
    } catch (const WkArchiveError&) {
        std::abort(); // what we wrote must read back
    }
    if (second.modul.InfoStrings() != first.modul.InfoStrings() ||
        second.modul.BaseImage() != first.modul.BaseImage() || !SameItems(first, second)) {
        std::abort();
    }
    return 0;
}
