#pragma once
// A data module with twelve further byte images, a type text and the command interface that
// the reader and transponder modules implement.
//
// Images 1 .. 12 have size 0 until a derived module sizes them. The accessors of each image
// come as a WkImageAccess (block-16 family, or block-4 for transponder memory) whose setters
// notify the owner document; the generic accessors pick the image by selector:
//   1 none (-1), 2 base image, 3 image 1, 4 image 2, 5 switched (image 1 while the image
//   switch is set, else image 2), 6 image 3 (read-only through the generic setters),
//   10 image 11, 11 image 12, 20 .. 25 images 5 .. 10; any other selector gives -1.

#include "WkDataModul.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Base of the reader module and the transponder module.
class WkParaModul : public WkDataModul {
public:
    static constexpr int kImageCount = 12;
    /// Bit 1 of base-image byte 3 picks image 1 (set) or image 2 (clear) for selector 5.
    static constexpr const char* kImageSwitch = "00 00 03 01 01 01";

    explicit WkParaModul(WkModulOwner* owner = nullptr);
    ~WkParaModul() override;

    /// Runs reader command `code`; 0 is success, other values are the module's codes.
    virtual int Execute(int code) = 0;
    /// Runs a command that takes a text argument.
    virtual int ExecuteText(int code, std::string_view text) = 0;

    /// Image `number` (1 .. 12); an invalid number throws std::out_of_range.
    std::vector<unsigned char>& Image(int number);
    const std::vector<unsigned char>& Image(int number) const;
    /// Gives image `number` `size` zero bytes.
    void SizeImage(int number, std::size_t size);

    /// Block-16 access to image `number` (1 .. 12).
    WkImageAccess Access(int number);
    /// Block-4 access to image `number`, for transponder memory images.
    WkImageAccess AccessBlock4(int number);
    /// Image 1, the configuration image.
    WkImageAccess Config() { return Access(1); }
    /// Image 11, the answer image.
    WkImageAccess Answer() { return Access(11); }
    /// Image 1 while the image switch is set, image 2 while it is clear.
    WkImageAccess Switched();
    bool IsImageSwitchSet() const;

    /// The image a selector names, or nothing for an unlisted selector (and for 1).
    std::optional<WkImageAccess> BySelector(int selector);

    // Generic accessors: 1 done, 0 failed, -1 for a selector that names no image.
    int GetBytes(int selector, std::string_view descriptor, unsigned char* bytes, int count);
    int GetByte(int selector, std::string_view descriptor, std::uint8_t& value);
    int GetBit(int selector, std::string_view descriptor, bool& value);
    int SetBytes(int selector, std::string_view descriptor, const unsigned char* bytes, int count);
    int SetByte(int selector, std::string_view descriptor, std::uint8_t value);
    int SetBit(int selector, std::string_view descriptor, bool value);

    const std::string& GetTypeText() const { return typeText_; }
    void SetTypeText(const std::string& text) { typeText_ = text; }

private:
    std::optional<WkImageAccess> WritableBySelector(int selector);

    std::array<std::vector<unsigned char>, kImageCount> images_;
    std::string typeText_;
};
