#include "WkParamDescriptor.h"

#include <cstdio>
#include <string>

std::optional<WkParamDescriptor> WkParamDescriptor::Parse(std::string_view text) {
    const std::string terminated(text);
    unsigned int command = 0;
    WkParamDescriptor d;
    if (std::sscanf(terminated.c_str(), "%x %d %d %d %d %d", &command, &d.block, &d.position,
                    &d.length, &d.lowBit, &d.bitCount) != 6) {
        return std::nullopt;
    }
    if (d.block < 0 || d.position < 0 || d.length < 0 || d.lowBit < 0 || d.bitCount < 0) {
        return std::nullopt;
    }
    d.command = static_cast<int>(command);
    return d;
}
