#pragma once
// What a command found: text lines for a person, the same facts as JSON for a script, and how
// the run ends.

#include "KestraError.h"

#include <nlohmann/json.hpp>

#include <span>
#include <string>
#include <vector>

struct KestraReport {
    std::vector<std::string> lines;
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    int exitCode = kExitOk;
    std::string error; ///< for standard error when exitCode is not 0

    /// Ends the report with `code` and `text` unless it already failed.
    void Fail(int code, const std::string& text) {
        if (exitCode == kExitOk) {
            exitCode = code;
            error = text;
        }
    }
};

/// Bytes as "02 00 65 67".
std::string HexText(std::span<const unsigned char> bytes);
/// The bytes of hex words ("02", "0065", "02 00"); throws KestraError (exit 2) for anything
/// that is not whole bytes of hex digits.
std::vector<unsigned char> ParseHex(const std::vector<std::string>& words);
