#pragma once
// The document both raw-protocol editors share: a reader object of its own, the file-info
// header and base image (the bound COM port number in byte 1), and an ordered list of items
// stored as an object list of one item class. The protocol and macro documents differ in the
// file type, the caption of the title, the item class and what a new document holds.

#include "WkDataModul.h"
#include "WkFileInfoModel.h"
#include "WkProtocolItem.h"
#include "WkStdDoc.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// A list of raw reader protocols with its header block.
class WkProtocolListDoc : public WkStdDoc {
public:
    /// Where the frame window of a new or opened document is placed.
    static constexpr WkRect kFrameRect{0, 0, 620, 300};
    /// The bound COM port number in the base image.
    static constexpr const char* kPortNumberDescriptor = "00 00 01 01 00 00";

    ~WkProtocolListDoc() override;

    /// `name` is kept as the file name; the title shows the caption, " - " and the name.
    void SetTitle(const std::string& name) override;
    const std::string& GetFileName() const { return fileName_; }
    /// The save dialog proposes the name, not the composed title.
    std::string SaveNameProposal() const override { return fileName_; }
    const char* Caption() const { return caption_; }

    WkDataModul& Modul() { return modul_; }
    const WkDataModul& Modul() const { return modul_; }

    /// The COM port number the view bound last (0: none).
    int GetPortNumber() const;
    /// Stores the number; a changed number marks the document modified.
    void SetPortNumber(int number);

    const std::vector<std::unique_ptr<WkProtocolItem>>& Items() const { return items_; }
    std::size_t ItemCount() const { return items_.size(); }
    WkProtocolItem* Item(std::size_t index) const;
    /// The first item, in list order, with this protocol and comment; -1 when none.
    int FindItem(const std::string& protocol, const std::string& comment) const;

    /// An empty item of the document's class: empty texts, flag set.
    virtual std::unique_ptr<WkProtocolItem> MakeItem() const = 0;

    // Changes to the list; each marks the document modified.
    /// Appends `item` and returns its index.
    std::size_t AppendItem(std::unique_ptr<WkProtocolItem> item);
    /// Inserts `item` before `index` (clamped to the end) and returns where it went.
    std::size_t InsertItem(std::size_t index, std::unique_ptr<WkProtocolItem> item);
    /// Removes and returns the item at `index`; null for an index out of range.
    std::unique_ptr<WkProtocolItem> RemoveItem(std::size_t index);
    /// Marks the document modified after an item was edited in place.
    void ItemChanged() { SetModifiedFlag(true); }

    /// A new or opened document places its frame at kFrameRect.
    bool OnNewDocument() override;
    bool OnOpenDocument(const std::filesystem::path& path) override;

    /// The header block, then the items as an object list. A load that fails leaves the list
    /// as it was; an object list holding a missing object fails.
    void Serialize(WkArchive& ar) override;
    /// Only a file of the document's own type ("PRT-" or "MAC-") opens.
    std::string ExpectedFileType() const override { return fileType_; }

    /// The File Info dialog: display mask 79, the file name and the header's entries.
    std::optional<WkFileInfoModel> GetFileInfo() override;
    bool HasFileInfo() const override { return true; }

protected:
    /// `readerHandle` is the document's own reader object (0: none could be made).
    WkProtocolListDoc(const char* fileType, const char* caption, const WkRuntimeClass& itemClass,
                      int readerHandle);

private:
    const char* fileType_;
    const char* caption_;
    const WkRuntimeClass& itemClass_;
    WkDataModul modul_;
    std::string fileName_;
    std::vector<std::unique_ptr<WkProtocolItem>> items_;
};
