#pragma once
// The serialisable base of every data module: the 20 file-info strings and the 1024-byte base
// image that open every document file, and the change notification to the owner document.

#include "WkImageAccess.h"
#include "WkObject.h"

#include <string>
#include <vector>

class WkArchive;
class WkModulOwner;

/// File-info strings and base image of a document, with block-16 access to the base image.
class WkDataModul : public WkObject {
public:
    static constexpr int kInfoStringCount = 20;
    static constexpr int kBaseImageSize = 1024;

    /// Run-time class "WkDataModul", schema 1.
    static const WkRuntimeClass kRuntimeClass;

    /// `owner` is not owned; it may be null and is told when a setter changes a value.
    explicit WkDataModul(WkModulOwner* owner = nullptr);
    ~WkDataModul() override;

    const WkRuntimeClass& GetRuntimeClass() const override;

    /// The header block: the info strings as a string list, then the base image as a byte
    /// block. Loading replaces both only when the whole block was read.
    void Serialize(WkArchive& ar) override;

    WkModulOwner* GetOwner() const { return owner_; }
    void SetOwner(WkModulOwner* owner) { owner_ = owner; }

    /// Marks the owner document modified; called by setters that changed a value.
    void NotifyModified();

    /// The info strings (20 after construction; a loaded file may bring more).
    std::vector<std::string>& InfoStrings() { return infoStrings_; }
    const std::vector<std::string>& InfoStrings() const { return infoStrings_; }
    /// Entry `index`, or an empty text when there is no such entry.
    std::string GetInfoString(int index) const;
    /// Sets entry `index` (the list grows when needed); a negative index is ignored.
    void SetInfoString(int index, const std::string& text);

    std::vector<unsigned char>& BaseImage() { return baseImage_; }
    const std::vector<unsigned char>& BaseImage() const { return baseImage_; }
    /// Block-16 access to the base image, notifying this module's owner.
    WkImageAccess Base() { return WkImageAccess(baseImage_, WkAddressing::Block16, this); }

protected:
    /// Writes the header block (storing) or reads it into `infoStrings` and `baseImage`
    /// (loading) without touching the module; see AdoptHeader.
    void StoreHeader(WkArchive& ar) const;
    static void LoadHeader(WkArchive& ar, std::vector<std::string>& infoStrings,
                           std::vector<unsigned char>& baseImage);
    /// Takes a header block read by LoadHeader. A shorter string list is padded to 20 empty
    /// entries and a shorter base image to 1024 zero bytes; longer ones are kept whole.
    void AdoptHeader(std::vector<std::string> infoStrings, std::vector<unsigned char> baseImage);

private:
    WkModulOwner* owner_;
    std::vector<std::string> infoStrings_;
    std::vector<unsigned char> baseImage_;
};
