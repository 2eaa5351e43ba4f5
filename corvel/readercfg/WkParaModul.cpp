#include "WkParaModul.h"

#include <stdexcept>

WkParaModul::WkParaModul(WkModulOwner* owner) : WkDataModul(owner) {}

WkParaModul::~WkParaModul() = default;

std::vector<unsigned char>& WkParaModul::Image(int number) {
    if (number < 1 || number > kImageCount) {
        throw std::out_of_range("image number");
    }
    return images_[static_cast<std::size_t>(number - 1)];
}

const std::vector<unsigned char>& WkParaModul::Image(int number) const {
    if (number < 1 || number > kImageCount) {
        throw std::out_of_range("image number");
    }
    return images_[static_cast<std::size_t>(number - 1)];
}

void WkParaModul::SizeImage(int number, std::size_t size) {
    Image(number).assign(size, 0);
}

WkImageAccess WkParaModul::Access(int number) {
    return WkImageAccess(Image(number), WkAddressing::Block16, this);
}

WkImageAccess WkParaModul::AccessBlock4(int number) {
    return WkImageAccess(Image(number), WkAddressing::Block4, this);
}

bool WkParaModul::IsImageSwitchSet() const {
    // Base image byte 3, bit 1; the base image always has its 1024 bytes.
    return (BaseImage()[3] & 0x02) != 0;
}

WkImageAccess WkParaModul::Switched() {
    return Access(IsImageSwitchSet() ? 1 : 2);
}

std::optional<WkImageAccess> WkParaModul::BySelector(int selector) {
    switch (selector) {
    case 2:
        return Base();
    case 3:
        return Access(1);
    case 4:
        return Access(2);
    case 5:
        return Switched();
    case 6:
        return Access(3);
    case 10:
        return Access(11);
    case 11:
        return Access(12);
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
    case 25:
        return Access(selector - 15);
    default:
        return std::nullopt;
    }
}

std::optional<WkImageAccess> WkParaModul::WritableBySelector(int selector) {
    if (selector == 6) {
        return std::nullopt;
    }
    return BySelector(selector);
}

int WkParaModul::GetBytes(int selector, std::string_view descriptor, unsigned char* bytes,
                          int count) {
    auto image = BySelector(selector);
    return image ? (image->GetBytes(descriptor, bytes, count) ? 1 : 0) : -1;
}

int WkParaModul::GetByte(int selector, std::string_view descriptor, std::uint8_t& value) {
    auto image = BySelector(selector);
    return image ? (image->GetByte(descriptor, value) ? 1 : 0) : -1;
}

int WkParaModul::GetBit(int selector, std::string_view descriptor, bool& value) {
    auto image = BySelector(selector);
    return image ? (image->GetBit(descriptor, value) ? 1 : 0) : -1;
}

int WkParaModul::SetBytes(int selector, std::string_view descriptor, const unsigned char* bytes,
                          int count) {
    auto image = WritableBySelector(selector);
    return image ? (image->SetBytes(descriptor, bytes, count) ? 1 : 0) : -1;
}

int WkParaModul::SetByte(int selector, std::string_view descriptor, std::uint8_t value) {
    auto image = WritableBySelector(selector);
    return image ? (image->SetByte(descriptor, value) ? 1 : 0) : -1;
}

int WkParaModul::SetBit(int selector, std::string_view descriptor, bool value) {
    auto image = WritableBySelector(selector);
    return image ? (image->SetBit(descriptor, value) ? 1 : 0) : -1;
}
