// The archive encoding against bytes written out by hand from the file layout.

#include "WkArchive.h"
#include "WkDataModul.h"
#include "WkFileInfoHeader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// An item with a text and a 32-bit flag, like the list entries of the editor documents.
class Item : public WkObject {
public:
    static const WkRuntimeClass kClass;
    Item() = default;
    Item(std::string text, int flag) : text(std::move(text)), flag(flag) {}
    const WkRuntimeClass& GetRuntimeClass() const override { return kClass; }
    void Serialize(WkArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteString(text);
            ar.WriteInt32(flag);
        } else {
            text = ar.ReadString();
            flag = ar.ReadInt32();
        }
    }
    std::string text;
    int flag = 0;
};
const WkRuntimeClass Item::kClass = {"WkTestItem", 1,
                                     [] { return std::unique_ptr<WkObject>(new Item); }};

// A second class, only to move the class counter.
class Other : public Item {
public:
    static const WkRuntimeClass kOtherClass;
    const WkRuntimeClass& GetRuntimeClass() const override { return kOtherClass; }
};
const WkRuntimeClass Other::kOtherClass = {"WkOtherItem", 1,
                                           [] { return std::unique_ptr<WkObject>(new Other); }};

TEST(ArchiveStrings, PrefixFormsAtTheirBoundaries) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 'c');
        WkArchive out;
        out.WriteString(text);
        EXPECT_EQ(out.Buffer(), Cat({c.prefix, Text(text)}));

        WkArchive in(Cat({c.prefix, Text(text), Bytes{0x42}}));
        EXPECT_EQ(in.ReadString(), text);
        EXPECT_EQ(in.Remaining(), 1u);
    }
}

TEST(ArchiveStrings, ReadFailsWhenTheTextRunsPastTheEnd) {
    WkArchive shortText(Bytes{0x05, 'a', 'b'});
    EXPECT_THROW(shortText.ReadString(), WkArchiveError);
    WkArchive cutPrefix(Bytes{0xFF, 0x2C});
    EXPECT_THROW(cutPrefix.ReadString(), WkArchiveError);
    WkArchive hugeLength(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_THROW(hugeLength.ReadString(), WkArchiveError);
    // FF FE introduces a string form this program does not write.
    WkArchive otherForm(Bytes{0xFF, 0xFE, 0xFF, 0x00});
    EXPECT_THROW(otherForm.ReadString(), WkArchiveError);
}

TEST(ArchiveCounts, ShortAndEscapedForms) {
    WkArchive out;
    out.WriteCount(0xFFFE);
    out.WriteCount(0xFFFF);
    out.WriteCount(0x12345);
    out.WriteInt32(-2);
    EXPECT_EQ(out.Buffer(), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x45,
                                   0x23, 0x01, 0x00, 0xFE, 0xFF, 0xFF, 0xFF}));
    WkArchive in(out.Buffer());
    EXPECT_EQ(in.ReadCount(), 0xFFFEu);
    EXPECT_EQ(in.ReadCount(), 0xFFFFu);
    EXPECT_EQ(in.ReadCount(), 0x12345u);
    EXPECT_EQ(in.ReadInt32(), -2);
    EXPECT_THROW(in.ReadByte(), WkArchiveError);
}

TEST(ArchiveBlocks, ByteBlockAndStringListTakeTheirCountsFromTheFile) {
    WkArchive in(Bytes{0x03, 0x00, 0x0A, 0x0B, 0x0C, 0x02, 0x00, 0x01, 'x', 0x00});
    EXPECT_EQ(in.ReadByteBlock(), (Bytes{0x0A, 0x0B, 0x0C}));
    EXPECT_EQ(in.ReadStringList(), (std::vector<std::string>{"x", ""}));

    WkArchive shortBlock(Bytes{0x04, 0x00, 0x01, 0x02});
    EXPECT_THROW(shortBlock.ReadByteBlock(), WkArchiveError);
    WkArchive shortList(Bytes{0x14, 0x00, 0x00, 0x00});
    EXPECT_THROW(shortList.ReadStringList(), WkArchiveError);
}

TEST(ArchiveObjects, ThreeItemsOfOneClass) {
    std::vector<std::unique_ptr<Item>> list;
    list.push_back(std::make_unique<Item>("a", 1));
    list.push_back(std::make_unique<Item>("bc", 0));
    list.push_back(std::make_unique<Item>("", 7));
    const Bytes expected = Cat({
        {0x03, 0x00},                         // count
        {0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00}, // new class, schema 1, name length 10
        Text("WkTestItem"),
        {0x01, 'a', 0x01, 0x00, 0x00, 0x00},
        {0x01, 0x80, 0x02, 'b', 'c', 0x00, 0x00, 0x00, 0x00},
        {0x01, 0x80, 0x00, 0x07, 0x00, 0x00, 0x00},
    });
    WkArchive out;
    out.WriteObjectList(list);
    EXPECT_EQ(out.Buffer(), expected);

    WkArchive in(expected);
    const auto read = in.ReadObjectList<Item>(Item::kClass);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0]->text, "a");
    EXPECT_EQ(read[1]->text, "bc");
    EXPECT_EQ(read[2]->flag, 7);
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(ArchiveObjects, MissingObjectIsTagZero) {
    std::vector<std::unique_ptr<Item>> list;
    list.push_back(nullptr);
    list.push_back(std::make_unique<Item>("", 0));
    list.push_back(std::make_unique<Item>("", 0));
    WkArchive out;
    out.WriteObjectList(list);
    // The null takes no number: the class is still 1 and the second item refers to it.
    const Bytes expected = Cat({{0x03, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00},
                                Text("WkTestItem"),
                                {0x00, 0x00, 0x00, 0x00, 0x00},
                                {0x01, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}});
    EXPECT_EQ(out.Buffer(), expected);
    WkArchive in(expected);
    const auto read = in.ReadObjectList<Item>(Item::kClass);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0], nullptr);
    EXPECT_NE(read[1], nullptr);
}

TEST(ArchiveObjects, SecondClassNumberCountsEveryObjectBeforeIt) {
    // Class 1, objects 2 and 3, then the second class is number 4, its object 5.
    WkArchive out;
    Item a("", 0), b("", 0);
    Other c, d;
    out.WriteObject(&a);
    out.WriteObject(&b);
    out.WriteObject(&c);
    out.WriteObject(&d);
    const Bytes& bytes = out.Buffer();
    const Bytes tail(bytes.end() - 7, bytes.end());
    EXPECT_EQ(tail, (Bytes{0x04, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(ArchiveObjects, LargeClassNumberUsesTheEscape) {
    // A class numbered 0x7FFF or more is referred to as 7F FF and 0x80000000 | number.
    Bytes file = Cat(
        {{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00}, Text("WkTestItem"), {0x00, 0x00, 0x00, 0x00, 0x00}});
    WkArchive in(Cat({file, {0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80, 0x00, 0x05, 0x00, 0x00, 0x00}}));
    EXPECT_NE(in.ReadObject(Item::kClass), nullptr);
    auto second = in.ReadObject(Item::kClass);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(static_cast<Item&>(*second).flag, 5);
    // The escape without the class bit names an earlier object, which is refused.
    WkArchive objectRef(Cat({file, {0xFF, 0x7F, 0x02, 0x00, 0x00, 0x00}}));
    objectRef.ReadObject(Item::kClass);
    EXPECT_THROW(objectRef.ReadObject(Item::kClass), WkArchiveError);
}

TEST(ArchiveObjects, LoadFailures) {
    const Bytes good = Cat(
        {{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00}, Text("WkTestItem"), {0x00, 0x00, 0x00, 0x00, 0x00}});
    {
        SCOPED_TRACE("unknown class name");
        Bytes other = good;
        other[6] = 'X';
        WkArchive in(other);
        EXPECT_THROW(in.ReadObject(Item::kClass), WkArchiveError);
    }
    {
        SCOPED_TRACE("another schema");
        Bytes schema2 = good;
        schema2[2] = 0x02;
        WkArchive in(schema2);
        EXPECT_THROW(in.ReadObject(Item::kClass), WkArchiveError);
    }
    {
        SCOPED_TRACE("reference to a class never introduced");
        WkArchive in(Bytes{0x01, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00});
        EXPECT_THROW(in.ReadObject(Item::kClass), WkArchiveError);
    }
    {
        SCOPED_TRACE("plain object reference");
        WkArchive in(Cat({good, {0x02, 0x00}}));
        in.ReadObject(Item::kClass);
        EXPECT_THROW(in.ReadObject(Item::kClass), WkArchiveError);
    }
    {
        SCOPED_TRACE("file ends inside the fields");
        WkArchive in(Bytes(good.begin(), good.end() - 1));
        EXPECT_THROW(in.ReadObject(Item::kClass), WkArchiveError);
    }
    {
        SCOPED_TRACE("list count beyond the file");
        WkArchive in(Cat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, good}));
        EXPECT_THROW(in.ReadObjectList<Item>(Item::kClass), WkArchiveError);
    }
}

TEST(ArchiveHeaderBlock, NewProtocolDocumentStartsWithThisBlock) {
    WkDataModul modul;
    modul.InfoStrings() = WkFileInfoHeader::MakeNew(WkFileInfoHeader::kProtocolType);
    WkArchive out;
    modul.Serialize(out);
    const Bytes expected = Cat({{0x14, 0x00, 0x06},
                                Text("PRT-02"),
                                {0x00, 0x06},
                                Text("Corvel"),
                                {0x08},
                                Text("03.00.00"),
                                Bytes(16, 0x00),
                                {0x00, 0x04},
                                Bytes(1024, 0x00)});
    EXPECT_EQ(out.Buffer(), expected);
}

TEST(ArchiveHeaderBlock, ReadsBackAndPadsAShortHeader) {
    WkDataModul written;
    written.SetInfoString(1, std::string(300, 'k'));
    written.SetInfoString(19, "last");
    written.BaseImage()[1] = 3;
    WkArchive out;
    written.Serialize(out);
    WkDataModul read;
    WkArchive in(out.Buffer());
    read.Serialize(in);
    EXPECT_EQ(read.InfoStrings(), written.InfoStrings());
    EXPECT_EQ(read.BaseImage(), written.BaseImage());

    // A hand-made file with two entries and a 2-byte base image.
    WkArchive small(Bytes{0x02, 0x00, 0x01, 'T', 0x00, 0x02, 0x00, 0x07, 0x08});
    read.Serialize(small);
    EXPECT_EQ(read.InfoStrings().size(), 20u);
    EXPECT_EQ(read.GetInfoString(0), "T");
    ASSERT_EQ(read.BaseImage().size(), 1024u);
    EXPECT_EQ(read.BaseImage()[1], 0x08);
    EXPECT_EQ(read.BaseImage()[2], 0x00);
}

TEST(ArchiveHeaderBlock, FailedLoadLeavesTheModuleAsItWas) {
    WkDataModul modul;
    modul.SetInfoString(0, "RDR-02");
    WkArchive cut(Bytes{0x01, 0x00, 0x01, 'X', 0x00, 0x04, 0x01});
    EXPECT_THROW(modul.Serialize(cut), WkArchiveError);
    EXPECT_EQ(modul.GetInfoString(0), "RDR-02");
}

} // namespace
