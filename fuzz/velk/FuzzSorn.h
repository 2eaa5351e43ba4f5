#pragma once
// A stand-in for the serial-port library in the Velk fuzz targets.

#include <vector>

namespace fuzzsorn {

/// The bytes the next SORN_Transceive or SORN_Receive hands back (nothing: -1030).
void SetAnswer(std::vector<unsigned char> answer);

} // namespace fuzzsorn
