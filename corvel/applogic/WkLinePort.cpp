#include "WkLinePort.h"

#include "WkLibraries.h"

#include <cstdlib>

int WkLinePort::OfReader(WkLibraries& libraries, int reader) {
    std::string handle;
    if (reader <= 0 || libraries.GetReaderPara(reader, "PortHnd", handle) < 0) {
        return 0;
    }
    return OfPort(libraries, std::atoi(handle.c_str()));
}

int WkLinePort::OfPort(WkLibraries& libraries, int portHandle) {
    std::string number;
    if (portHandle <= 0 || libraries.GetPortPara(portHandle, "PortNr", number) < 0) {
        return 0;
    }
    return std::atoi(number.c_str());
}
