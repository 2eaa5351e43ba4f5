#include "WkPageTable.h"

#include "WkParaModul.h"

#include <algorithm>
#include <charconv>

namespace {

std::optional<std::uint32_t> ParseDecimal(std::string_view text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool SendsLock(const WkPageTable& page) {
    return std::find(page.sendCodes.begin(), page.sendCodes.end(), kReaderLockCode) !=
           page.sendCodes.end();
}

std::string OneHotDescriptor(const WkPageControl& control, int bit) {
    // The fifth field (bb) starts at character 12 of "CC BB PP LL bb nn".
    std::string descriptor = control.descriptor;
    descriptor.replace(12, 2, std::string{"0"} + static_cast<char>('0' + bit));
    return descriptor;
}

std::optional<std::uint32_t> ReadControl(const WkPageControl& control, WkParaModul& modul) {
    const WkImageAccess image = modul.Access(control.image);
    std::uint32_t value = 0;
    if (control.kind == WkControlKind::OneHot) {
        for (int bit = 0; bit < static_cast<int>(control.items.size()); ++bit) {
            bool set = false;
            if (!image.GetBit(OneHotDescriptor(control, bit), set)) {
                return std::nullopt;
            }
            if (set) {
                return static_cast<std::uint32_t>(bit);
            }
        }
        return 0;
    }
    if (!image.GetLong(control.descriptor, value)) {
        return std::nullopt;
    }
    switch (control.kind) {
    case WkControlKind::Check:
        return control.inverted ? (value == 0 ? 1 : 0) : (value != 0 ? 1 : 0);
    case WkControlKind::BaudList:
        return value >= 2 ? value - 2 : value;
    default:
        return value;
    }
}

bool WriteControl(const WkPageControl& control, WkParaModul& modul, std::uint32_t value) {
    WkImageAccess image = modul.Access(control.image);
    switch (control.kind) {
    case WkControlKind::Check:
        return image.SetBit(control.descriptor, (value != 0) != control.inverted);
    case WkControlKind::OneHot: {
        bool ok = true;
        for (int bit = 0; bit < static_cast<int>(control.items.size()); ++bit) {
            ok = image.SetBit(OneHotDescriptor(control, bit), static_cast<int>(value) == bit) && ok;
        }
        return ok;
    }
    case WkControlKind::BaudList:
        return image.SetLong(control.descriptor, value + 2);
    case WkControlKind::Number:
        if (value < control.min || value > control.max) {
            return false;
        }
        return image.SetLong(control.descriptor, value);
    default:
        return image.SetLong(control.descriptor, value);
    }
}

std::string ControlValueText(const WkPageControl& control, std::uint32_t value) {
    if (control.kind == WkControlKind::Check) {
        return value != 0 ? "on" : "off";
    }
    if (control.kind != WkControlKind::Number && value < control.items.size()) {
        return control.items[value];
    }
    return std::to_string(value);
}

std::optional<std::uint32_t> ParseControlValue(const WkPageControl& control,
                                               std::string_view text) {
    if (control.kind == WkControlKind::Check) {
        if (text == "on" || text == "1") {
            return 1;
        }
        if (text == "off" || text == "0") {
            return 0;
        }
        return std::nullopt;
    }
    for (std::size_t i = 0; i < control.items.size(); ++i) {
        if (control.items[i] == text) {
            return static_cast<std::uint32_t>(i);
        }
    }
    const auto value = ParseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    if (control.kind == WkControlKind::Number) {
        return *value >= control.min && *value <= control.max ? value : std::nullopt;
    }
    return *value < control.items.size() ? value : std::nullopt;
}

std::string RangeMessage(const WkPageControl& control, const std::string& text) {
    const std::size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
    const bool integer =
        text.size() > sign && text.find_first_not_of("0123456789", sign) == std::string::npos;
    return integer ? "Please enter an integer between " + std::to_string(control.min) + " and " +
                         std::to_string(control.max) + "."
                   : "Please enter an integer.";
}
