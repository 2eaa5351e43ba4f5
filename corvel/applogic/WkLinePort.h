#pragma once
// The serial port of the exchange a thread runs, for the protocol window's lines: the reader
// library's callback does not say which reader a line is of, so the code that starts an
// exchange names its port for as long as the exchange runs on its thread.

class WkLibraries;

class WkLinePort {
public:
    /// Lines handed over on this thread while the object lives came through port
    /// `portNumber` (0: not known).
    explicit WkLinePort(int portNumber) : previous_(current_) { current_ = portNumber; }
    ~WkLinePort() { current_ = previous_; }
    WkLinePort(const WkLinePort&) = delete;
    WkLinePort& operator=(const WkLinePort&) = delete;

    /// The port named on this thread, 0 for none.
    static int Current() { return current_; }

    /// The number of the port reader object `reader` talks through (the "PortNr" of its
    /// "PortHnd"), 0 for none.
    static int OfReader(WkLibraries& libraries, int reader);
    /// The number of the open port `portHandle`, 0 for none.
    static int OfPort(WkLibraries& libraries, int portHandle);

private:
    int previous_;
    static inline thread_local int current_ = 0;
};
