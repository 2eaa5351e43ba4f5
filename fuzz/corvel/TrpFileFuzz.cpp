// Transponder files (.trp): any file a user opens. Whatever loads must store back to bytes
// that load to the same module, with every image at least its full size.

#include "WkArchive.h"
#include "WkTransponderModul.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WkTransponderModul modul;
    try {
        WkArchive in(data, size);
        modul.Serialize(in);
    } catch (const WkArchiveError&) {
        return 0;
    }
    for (int image = WkTransponderModul::kSerialImage; image <= WkTransponderModul::kParamImage;
         ++image) {
        const std::size_t least = image <= WkTransponderModul::kReservedImage
                                      ? WkTransponderModul::kSmallImageSize
                                      : WkTransponderModul::kDataImageSize;
        if (modul.Image(image).size() < least) {
            std::abort();
        }
    }
    // The texts the editor shows read every image within its bounds.
    (void)modul.TypeName();
    (void)modul.SerialNumberText();
    (void)modul.IdNumberText();
    WkArchive out;
    modul.Serialize(out);
    WkTransponderModul again;
    WkArchive back(out.Buffer());
    again.Serialize(back);
    WkArchive twice;
    again.Serialize(twice);
    if (twice.Buffer() != out.Buffer()) {
        std::abort();
    }
    return 0;
}
