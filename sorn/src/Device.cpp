#include "Device.h"

#include "ErrorTable.h"
#include "NetworkDevice.h"
#include "TerminalDevice.h"
#include "common/NetworkAddress.h"

namespace sorn {

int OpenDevice(const std::string& path, int timeoutMs, std::shared_ptr<Device>& device,
               const OpeningHook& opening) {
    if (!NetworkAddress::IsUrl(path)) {
        return TerminalDevice::Open(path, device);
    }
    const auto address = NetworkAddress::Parse(path);
    return address ? NetworkDevice::Open(*address, timeoutMs, device, opening)
                   : SORN_ERR_BAD_ADDRESS;
}

} // namespace sorn
