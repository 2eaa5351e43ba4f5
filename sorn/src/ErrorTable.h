#pragma once
// Every code Sorn returns is one of the SORN_ERR_ codes of sorn.h, each with exactly one text.

#include "sorn.h"

namespace sorn {

// Text of a Sorn code; nullptr for codes outside the table.
const char* ErrorText(int code);

} // namespace sorn
