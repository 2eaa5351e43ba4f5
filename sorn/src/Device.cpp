#include "Device.h"

#include "TerminalDevice.h"

namespace sorn {

int OpenDevice(const std::string& path, std::shared_ptr<Device>& device) {
    return TerminalDevice::Open(path, device);
}

} // namespace sorn
