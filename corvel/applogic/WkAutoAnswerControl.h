#pragma once
// The display of auto-answer protocols as the application drives it: created at start-up,
// switched by "Show AA-Protocols" and "Stop AA-Protocols", destroyed at exit.

class WkAutoAnswerControl {
public:
    virtual ~WkAutoAnswerControl() = default;
    /// Creates the reception thread, suspended; false when it cannot be created.
    virtual bool Create() = 0;
    /// Asks for a port and starts showing; false when nothing started.
    virtual bool Show() = 0;
    virtual void Stop() = 0;
    virtual bool IsOn() const = 0;
    /// Ends the reception thread without waiting for a receive call to finish.
    virtual void Destroy() = 0;
};
