#pragma once
// The common body of the command exports: argument checks, request data, one exchange and
// the decoding of the answer into the caller's outputs.

#include "ExportSupport.h"

#include <cstdint>
#include <vector>

using Bytes = std::vector<unsigned char>;

/// When a command's outputs are written.
enum class Decode {
    Never,      ///< the caller gets the status byte only
    OnStatusOk, ///< read commands: status 0x00 with data
    WhenData,   ///< select commands: whenever the answer carries data
};

/// One command: its byte, pacing and repeat, and when its outputs are written.
struct CommandTraits {
    int command;
    bool paced = false;
    Decode decode = Decode::Never;
    bool repeatOnNoTransponder = false;
};

/// Appends `count` bytes of an input argument: two characters each when hexFlag is set
/// ("%02x": a pair not starting with a hex digit gives 0; the text's end is never passed),
/// else raw bytes.
void AppendInputBytes(Bytes& data, const char* input, int count, int hexFlag);

/// Writes output bytes: upper-case hex text and a NUL when hexFlag is set, else the raw bytes
/// and a NUL.
void WriteOutputBytes(const unsigned char* bytes, int count, int hexFlag, char* output);

/// Appends a 16-bit value high byte first.
void AppendWord(Bytes& data, int value);

/// Request data that the frame cannot hold: the build then fails with VELK_ERR_OUT_OF_RANGE before
/// any input byte is read.
Bytes OversizedRequest();

/// True when every value lies in 0..65535.
bool WordsInRange(std::initializer_list<int> values);

/// Pointer and handle checks, the 16-bit range checks (VELK_ERR_OUT_OF_RANGE, not stored), the
/// request data from makeData, the exchange, and decode(answer) as the traits say.
template <typename MakeData, typename DecodeAnswer>
int RunCommand(int handle, int busAddress, std::initializer_list<const void*> pointers,
               std::initializer_list<int> words, const CommandTraits& traits, MakeData makeData,
               DecodeAnswer decode) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, pointers, rc);
        if (reader == nullptr)
            return rc;
        if (!WordsInRange(words))
            return VELK_ERR_OUT_OF_RANGE;
        const Bytes data = makeData();
        CommandRequest request;
        request.busAddress = busAddress;
        request.command = traits.command;
        request.data = data.data();
        request.dataLength = static_cast<int>(data.size());
        request.paced = traits.paced;
        request.repeatOnNoTransponder = traits.repeatOnNoTransponder;
        CommandAnswer answer;
        const int status = reader->Exchange(request, answer);
        if (status < 0 || answer.dataLength == 0)
            return status;
        if (traits.decode == Decode::WhenData ||
            (traits.decode == Decode::OnStatusOk && status == 0))
            decode(answer);
        return status;
    });
}

/// A command without outputs.
template <typename MakeData>
int RunCommand(int handle, int busAddress, std::initializer_list<const void*> pointers,
               std::initializer_list<int> words, const CommandTraits& traits, MakeData makeData) {
    return RunCommand(handle, busAddress, pointers, words, traits, makeData,
                      [](const CommandAnswer&) {});
}

/// Writes type := data[0] and the serial number := data[1..5] (select commands).
void DecodeSerialNumber(const CommandAnswer& answer, unsigned char* transponderType,
                        char* serialNumber, int hexFlag);
