// The C exports: argument checks, then the port registry and the port. Nothing escapes as an
// exception; an unexpected one becomes -1000.
#include "sorn.h"

#include "ErrorTable.h"
#include "PortRegistry.h"
#include "common/NetworkAddress.h"
#include "common/PortMap.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <linux/serial.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace sorn;

namespace {

constexpr char kVersion[] = "02.08.02";
constexpr int kTtySMajor = 4;

template <typename F> int Guarded(F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return SORN_ERR_INTERNAL;
    }
}

template <typename F> int WithPort(int handle, F&& body) noexcept {
    return Guarded([&] {
        auto port = PortRegistry::Instance().Find(handle);
        return port ? body(*port) : static_cast<int>(SORN_ERR_BAD_HANDLE);
    });
}

void CopyText(char* out, const std::string& text) {
    std::memcpy(out, text.c_str(), text.size() + 1);
}

// A built-in UART slot without hardware behind it still has a device node; the driver
// reports its type as unknown (0) in sysfs. Asked without opening the device: an open can
// raise DTR and RTS and so wake or reset equipment on the line.
bool HasHardware(const struct stat& st) {
    if (major(st.st_rdev) != kTtySMajor) {
        return true;
    }
    std::ifstream type("/sys/dev/char/" + std::to_string(major(st.st_rdev)) + ":" +
                       std::to_string(minor(st.st_rdev)) + "/type");
    int value = -1;
    return !(type >> value) || value != PORT_UNKNOWN;
}

} // namespace

extern "C" {

int SORN_GetDLLVersion(char* version) {
    if (!version) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    std::memcpy(version, kVersion, sizeof kVersion);
    return 0;
}

int SORN_DetectPort(int number) {
    return Guarded([&] {
        if (number < 1 || number > PortMap::kMaxPort) {
            return static_cast<int>(SORN_ERR_BAD_PORT_NUMBER);
        }
        const std::string path = PortMap::DeviceOf(number);
        if (NetworkAddress::IsUrl(path)) {
            // A network port is there when its address is well-formed; nothing connects.
            return NetworkAddress::Parse(path) ? static_cast<int>(0)
                                               : static_cast<int>(SORN_ERR_NO_DEVICE);
        }
        struct stat st {};
        if (path.empty() || stat(path.c_str(), &st) != 0) {
            // A folder on the way that may not be searched hides a device that may exist;
            // opening it tells the user why.
            return errno == EACCES && !path.empty() ? static_cast<int>(0)
                                                    : static_cast<int>(SORN_ERR_NO_DEVICE);
        }
        return S_ISCHR(st.st_mode) && HasHardware(st) ? static_cast<int>(0)
                                                      : static_cast<int>(SORN_ERR_NO_DEVICE);
    });
}

int SORN_GetDevicePath(const char* name, char* path, int size) {
    return Guarded([&] {
        if (!name || !path) {
            return static_cast<int>(SORN_ERR_NULL_ARGUMENT);
        }
        if (size <= 0) {
            return static_cast<int>(SORN_ERR_BAD_LENGTH);
        }
        const int number = PortMap::ParseNumber(name);
        if (number == 0) {
            return static_cast<int>(SORN_ERR_BAD_PORT_NUMBER);
        }
        const std::string device = PortMap::DeviceOf(number);
        if (device.empty()) {
            path[0] = '\0';
            return static_cast<int>(SORN_ERR_NO_DEVICE);
        }
        const std::size_t length = std::min(device.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(path, device.data(), length);
        path[length] = '\0';
        return static_cast<int>(0);
    });
}

int SORN_OpenPort(const char* name) {
    return Guarded([&] {
        if (!name) {
            return static_cast<int>(SORN_ERR_NULL_ARGUMENT);
        }
        const int number = PortMap::ParseNumber(name);
        return number ? PortRegistry::Instance().Open(number)
                      : static_cast<int>(SORN_ERR_BAD_PORT_NUMBER);
    });
}

int SORN_ClosePort(int handle) {
    return Guarded([&] { return PortRegistry::Instance().Close(handle); });
}

int SORN_GetPortHnd(const char* name) {
    return Guarded([&] {
        if (!name) {
            return static_cast<int>(SORN_ERR_NULL_ARGUMENT);
        }
        const int number = PortMap::ParseNumber(name);
        return number ? PortRegistry::Instance().HandleOf(number)
                      : static_cast<int>(SORN_ERR_BAD_PORT_NUMBER);
    });
}

int SORN_GetPortList(int handle) {
    return Guarded([&] { return PortRegistry::Instance().Next(handle); });
}

int SORN_GetPortPara(int handle, const char* key, char* value) {
    if (!key || !value) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    return WithPort(handle, [&](SerialPort& port) {
        std::string text;
        const int rc = port.GetPara(key, text);
        if (rc == 0) {
            CopyText(value, text);
        }
        return rc;
    });
}

int SORN_SetPortPara(int handle, const char* key, const char* value) {
    if (!key || !value) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    return WithPort(handle, [&](SerialPort& port) { return port.SetPara(key, value); });
}

int SORN_DoPortCmd(int handle, const char* command, char* value) {
    if (!command || !value) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    return WithPort(handle, [&](SerialPort& port) {
        std::string out;
        bool hasOut = false;
        const int rc = port.DoCommand(command, value, out, hasOut);
        if (rc == 0 && hasOut) {
            CopyText(value, out);
        }
        return rc;
    });
}

int SORN_Transceive(int handle, const unsigned char* send, int sendLength, unsigned char* receive,
                    int receiveSize) {
    if ((!send && sendLength > 0) || !receive) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    if (sendLength < 0 || sendLength > 255 || receiveSize <= 0) {
        return SORN_ERR_BAD_LENGTH;
    }
    return WithPort(handle, [&](SerialPort& port) {
        return port.Transceive(send, sendLength, receive, receiveSize);
    });
}

int SORN_NextAnswer(int handle, unsigned char* receive, int receiveSize) {
    if (!receive) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    if (receiveSize <= 0) {
        return SORN_ERR_BAD_LENGTH;
    }
    return WithPort(handle,
                    [&](SerialPort& port) { return port.NextAnswer(receive, receiveSize); });
}

int SORN_Transmit(int handle, const unsigned char* data, int length) {
    if (!data && length > 0) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    if (length < 0) {
        return SORN_ERR_BAD_LENGTH;
    }
    return WithPort(handle, [&](SerialPort& port) { return port.Transmit(data, length); });
}

int SORN_Receive(int handle, unsigned char* buffer, int size) {
    if (!buffer) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    if (size <= 0) {
        return SORN_ERR_BAD_LENGTH;
    }
    return WithPort(handle, [&](SerialPort& port) { return port.Receive(buffer, size); });
}

int SORN_GetErrorText(int code, char* text) {
    if (!text) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    const char* found = ErrorText(code);
    CopyText(text, found ? found : ErrorText(SORN_ERR_UNKNOWN_CODE));
    return found ? 0 : SORN_ERR_UNKNOWN_CODE;
}

int SORN_AddEventHandler(int handle, const SORN_EVENT_HANDLER* handler) {
    if (!handler) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    return Guarded([&] { return PortRegistry::Instance().AddHandler(handle, *handler); });
}

int SORN_DelEventHandler(int handle, const SORN_EVENT_HANDLER* handler) {
    if (!handler) {
        return SORN_ERR_NULL_ARGUMENT;
    }
    return Guarded([&] { return PortRegistry::Instance().DelHandler(handle, *handler); });
}

} // extern "C"
