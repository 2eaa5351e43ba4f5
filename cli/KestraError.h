#pragma once
// A failure that ends the run: the text for standard error and the program's exit code.

#include <stdexcept>
#include <string>

/// Exit codes of the program.
enum KestraExit : int {
    kExitOk = 0,       ///< success
    kExitStatus = 1,   ///< the reader answered with a status other than OK
    kExitUsage = 2,    ///< bad usage or a bad file
    kExitNoAnswer = 3, ///< no answer, or a broken one
};

class KestraError : public std::runtime_error {
public:
    KestraError(int exitCode, const std::string& text)
        : std::runtime_error(text), exitCode_(exitCode) {}
    int ExitCode() const { return exitCode_; }

private:
    int exitCode_;
};
