#pragma once
// Finding the baud rate a reader answers at: command 0x52 is tried with frame "8E1", then
// "8N1", each at 38400 down to 1200 baud, with a timeout that grows as the rate falls. Run one
// attempt at a time, so that a window can repaint between attempts.

#include <functional>
#include <string>

class WkLibraries;
class VELKReaderModul;

class WkBaudDetection {
public:
    static constexpr int kAttempts = 12;

    /// `send` sends 0x52 and returns the reader module's result; `show` receives the result
    /// text each time it changes. Not owned: `libraries` must outlive the detection.
    WkBaudDetection(WkLibraries* libraries, int readerHandle, std::function<int()> send,
                    std::function<void(const std::string&)> show);

    /// Checks the reader and saves the port's "baud", "frame" and "timeout". False when there
    /// is nothing to try (the result text then shows error -1 or -2).
    bool Start();
    /// Runs the next attempt. True when the detection is over (found, or all failed); the
    /// port keeps the found rate and frame with the saved timeout, or gets back all three.
    bool Step();
    bool Found() const { return found_; }
    /// Ends the detection before its time: the port gets back its saved baud rate, frame and
    /// timeout.
    void Cancel();
    /// "Baud rate detection: 38400 / 8E1, 1 of 12": the attempt under way or last made.
    std::string Progress() const;
    /// Multiplies every attempt's timeout (tests on a loaded machine); 1 by default.
    void SetTimeoutFactor(int factor) { timeoutFactor_ = factor; }

private:
    void Restore(bool all);

    WkLibraries* libraries_;
    int readerHandle_;
    std::function<int()> send_;
    std::function<void(const std::string&)> show_;
    int port_ = 0;
    int attempt_ = 0;
    int timeoutFactor_ = 1;
    bool found_ = false;
    std::string baud_, frame_, timeout_;
};
