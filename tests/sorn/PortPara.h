#pragma once
// A port parameter's value as text, as the serial-port library reports it.

#include "sorn.h"

#include <string>

inline std::string Para(int handle, const char* key) {
    char value[16] = {};
    SORN_GetPortPara(handle, key, value);
    return value;
}
