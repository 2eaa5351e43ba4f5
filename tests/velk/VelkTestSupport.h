#pragma once
// Shared fixture of the Velk unit tests: a clean registry and fake serial-port library per
// test, and a protocol callback that records every line it is handed.

#include "FakeSorn.h"
#include "velk.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

using fakesorn::Bytes;

/// One call of a protocol callback.
struct HandedLine {
    std::string text;
    int code = 0;
};

class VelkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// A reader on fake port 7 (any positive number works with the fake).
    int NewReader(int port = 7);
    /// Switches on "LOGPROT" and installs the recording protocol callback.
    void LogTo(int reader);

    static std::vector<HandedLine> Lines();
    static std::vector<HandedLine> SendProtLines();
    static void RecordLine(const char* text, int code);
    static void RecordSendProt(const char* text, int code);

    static std::string Para(int reader, const char* key);
    /// The two last-error records. Reading one runs a text lookup, which itself sets the
    /// library last error: read the library record first.
    static int LibraryError();
    static int ReaderError(int reader);
};

/// Deletes every registered reader (walks the list from 0).
void DeleteAllReaders();

/// The line without its time stamp; fails the test when the line does not start with
/// "MM/DD/YY HH:MM:SS.mmm".
std::string WithoutStamp(const std::string& line);

/// The bytes as "%02X " text, as the log lines write them.
std::string Spaced(const Bytes& bytes);
