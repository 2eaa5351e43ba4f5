#pragma once
// A scripted stand-in for the serial-port library: every request the reader library sends is
// recorded, and each exchange answers with the next scripted frame or result code.

#include <vector>

namespace fakesorn {

using Bytes = std::vector<unsigned char>;

/// Forgets the script and the recorded requests.
void Reset();
/// The next exchange answers with these bytes.
void QueueAnswer(const Bytes& frame);
/// The next exchange returns this code (0 or negative) and receives nothing.
void QueueResult(int code);
/// Every request frame written so far, in order.
const std::vector<Bytes>& Requests();

} // namespace fakesorn
