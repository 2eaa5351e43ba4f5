#pragma once

#include "sorn.h"

namespace sorn {

// Every code Sorn returns is one of the SORN_ERR_ codes of sorn.h and has exactly one text.
// Text of a Sorn code; nullptr for codes outside the table.
const char* ErrorText(int code);

} // namespace sorn
