#pragma once
// The bus scan: every address at every baud rate and frame asked for its software version.
//
// An absent address is given the wire time of the probe and of a version answer at the rate in
// question, plus a fixed margin for the reader's reply delay, and no more: the block time-out is
// set to that for each rate, so the sweep costs little more than the line itself.

#include "KestraReport.h"

#include <chrono>
#include <string>
#include <vector>

class KestraLink;

namespace kestra_cli {

/// What a reader may take between the end of a request and the first byte of its answer.
inline constexpr double kReplyMarginMs = 3.0;
/// Bytes of the version probe and of its answer.
inline constexpr int kProbeBytes = 4;          // 04 AA 65 XX
inline constexpr int kVersionAnswerBytes = 10; // 0A AA 65 00, five data bytes, XX

struct ScanOptions {
    std::vector<int> bauds;
    std::vector<std::string> frames;
    std::vector<int> addresses;
    /// The block time-out per address in ms; 0 chooses SilenceMs for each rate.
    int silenceMs = 0;
    bool json = false;     ///< readers only in the report's JSON, not printed as found
    bool progress = false; ///< draw a progress bar with the time remaining on standard error
    bool verbose = false;  ///< print the broken answers of each address at the end
};

/// Line time of one character in ms: start bit, data bits, parity, stop bits.
double CharacterMs(int baud, const std::string& frame);
/// The block time-out (whole ms) after which an address counts as absent.
int SilenceMs(int baud, const std::string& frame);
/// The least a sweep can take: per address the probe's wire time, plus the silence for each
/// absent one and the answer's wire time for each of the `present` readers.
double FloorMs(const ScanOptions& options, int present = 0);
/// "0-253", "5" or "0-5,200": the addresses in order, each once; throws KestraError (exit 2)
/// for anything else or an address above 253.
std::vector<int> ParseAddresses(const std::string& text);
/// "[#####.....]  50%  3 s left" for `done` of `total` after `elapsed`.
std::string ProgressLine(int done, int total, std::chrono::duration<double> elapsed);

/// Prints each reader as it answers (text), readers that answer with an error status included.
/// A failing line (the device gone) ends the sweep with exit 3, the readers found so far still
/// in the JSON; a sweep that finds no reader ends with exit 3. Broken answers (checksum,
/// length, command, bus address) are counted per address in the JSON, and printed with
/// `verbose`.
KestraReport Scan(KestraLink& link, const ScanOptions& options);

} // namespace kestra_cli
