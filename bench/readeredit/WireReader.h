#pragma once
// A KRD reader of kestra-sim --wire at one baud rate, and a reader editor host whose port is
// open on its line: what the reader editor's benchmarks run against. The line is a
// pseudo-terminal, or with `listen` ("rfc2217:0") the simulator as a device server.

#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"

#include <string>

class WireReader {
public:
    /// Starts the simulator with its line mapped to port `portNumber` and opens that port.
    WireReader(unsigned baud, int portNumber, const std::string& listen = {})
        : sim_(Arguments(baud, portNumber, listen)) {
        if (sim_.WaitReady().empty()) {
            error_ = "simulator did not start";
            return;
        }
        port_ = host.libraries.OpenPort(std::to_string(portNumber));
        if (port_ <= 0 || host.libraries.SetPortPara(port_, "baud", std::to_string(baud)) != 0) {
            error_ = "cannot open the simulator's port";
            return;
        }
        host.portChoice = port_;
    }
    ~WireReader() {
        if (port_ > 0) {
            host.libraries.ClosePort(port_);
        }
    }
    WireReader(const WireReader&) = delete;
    WireReader& operator=(const WireReader&) = delete;

    /// What failed, or nullptr when the port is open on the simulator's line.
    const char* Error() const { return error_; }

    ScriptedPrompts prompts;
    TestReaderHost host{prompts};

private:
    static std::vector<std::string> Arguments(unsigned baud, int portNumber,
                                              const std::string& listen) {
        std::vector<std::string> args = {
            "--wire", "--baud",     std::to_string(baud),      "--model",
            "KRD",    "--map-port", std::to_string(portNumber)};
        if (!listen.empty()) {
            args.insert(args.end(), {"--listen", listen});
        }
        return args;
    }

    simtest::SimProcess sim_;
    int port_ = 0;
    const char* error_ = nullptr;
};
