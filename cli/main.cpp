// kestra: the command-line client for Kestra readers. It parses the arguments, opens the line
// to the reader where a command needs one, runs the command and prints what it found as text
// or JSON; the exit code says how it ended.

#include "KestraArguments.h"
#include "KestraCommands.h"
#include "KestraConfig.h"
#include "KestraLink.h"
#include "KestraPortMap.h"
#include "KestraScan.h"
#include "KestraSite.h"
#include "common/PortMap.h"
#include "sorn.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <unistd.h>

using namespace kestra_cli;

namespace {

constexpr const char* kExitCodes = R"(Exit codes:
  0  success
  1  the reader answered with a status other than OK (diff, write-config --verify: values
     differ)
  2  bad usage or a bad file; nothing was sent
  3  no answer, or a broken one (or the port cannot be opened, or the device went away)
Errors go to standard error with the library's error text and code. Numbers are decimal
unless written 0x...: 010 is ten.)";

constexpr const char* kGlobalOptions =
    R"(Global options (before or after the command; see kestra --help):
  --port N | --device PATH   the serial line (port map number 1..256, any tty, or a device
                             server: rfc2217://host:port or tcp://host:port)
  --baud RATE --frame 8E1    line settings (default 9600, 8E1)
  --timeout MS               block time-out, 1..60000
  --address A                bus address 0..255 (default 0)
  --json                     the result as JSON
  -v                         every protocol line, time-stamped, on standard error

)";

// Every port whose device exists, and every number the map file names, present or not. A
// network port is present when its address is well-formed: nothing connects to it here.
KestraReport Ports() {
    KestraReport report;
    const std::string mapFile = PortMap::FilePath();
    const std::set<int> mapped = PortMap::MappedNumbers();
    report.json["map_file"] = mapFile;
    report.lines.push_back("map file: " + mapFile);
    nlohmann::ordered_json ports = nlohmann::ordered_json::array();
    for (int n = 1; n <= 256; ++n) {
        char path[1024] = {};
        if (SORN_GetDevicePath(std::to_string(n).c_str(), path, sizeof path) != 0) {
            continue;
        }
        const bool exists = SORN_DetectPort(n) == 0;
        if (!exists && !mapped.contains(n)) {
            continue;
        }
        report.lines.push_back(std::to_string(n) + "\t" + path + (exists ? "" : "\t(missing)"));
        ports.push_back({{"port", n}, {"device", path}, {"exists", exists}});
    }
    report.json["ports"] = ports;
    return report;
}

void Print(const KestraReport& report, bool json) {
    if (json) {
        nlohmann::ordered_json out = report.json;
        out["exit_code"] = report.exitCode;
        if (report.exitCode != kExitOk) {
            out["error"] = report.error;
        }
        std::cout << out.dump(2) << std::endl;
    } else {
        for (const std::string& line : report.lines) {
            std::cout << line << '\n';
        }
        std::cout << std::flush;
    }
    if (report.exitCode != kExitOk && !report.error.empty()) {
        std::cerr << "kestra: " << report.error << std::endl;
    }
}

// The options before the command that take a value.
bool TakesValue(const std::string& option) {
    for (const char* name : {"--port", "--device", "--baud", "--frame", "--timeout", "--address"}) {
        if (option == name) {
            return true;
        }
    }
    return false;
}

// The first word from `first` on that is no option and no option's value: the command as
// typed; argc when there is none.
int TypedCommand(int argc, char** argv, int first = 1) {
    for (int i = first; i < argc; ++i) {
        const std::string word = argv[i];
        if (!word.starts_with("-")) {
            return i;
        }
        if (TakesValue(word)) {
            ++i;
        }
    }
    return argc;
}

// "unknown command 'x'; the commands are: a, b" for the commands of `app`, the word typed
// from `first` on.
std::string UnknownCommand(const CLI::App& app, int argc, char** argv, int first) {
    std::string names;
    for (const CLI::App* sub : app.get_subcommands({})) {
        names += (names.empty() ? "" : ", ") + sub->get_name();
    }
    const int typed = TypedCommand(argc, argv, first);
    return (typed == argc ? std::string("no command given")
                          : "unknown command '" + std::string(argv[typed]) + "'") +
           "; the commands are: " + names;
}

// A usage error that stops the run before anything is sent: exit 2, as JSON when asked.
int UsageError(const std::string& text, bool json) {
    KestraReport report;
    report.Fail(kExitUsage, text);
    Print(report, json);
    return kExitUsage;
}

// The line settings as typed; empty where not given.
struct TypedLine {
    std::string port, baud, frame, timeout, address;

    KestraLinkOptions Apply(KestraLinkOptions options) const {
        if (!port.empty()) {
            options.port = static_cast<int>(ParseNumber(port, 1, 256, "--port"));
        }
        if (!baud.empty()) {
            options.baud = ParseBaud(baud, "--baud");
        }
        if (!frame.empty()) {
            options.frame = ParseFrame(frame, "--frame");
        }
        if (!timeout.empty()) {
            options.timeout = static_cast<int>(ParseNumber(timeout, 1, 60000, "--timeout"));
        }
        if (!address.empty()) {
            options.address = static_cast<int>(ParseNumber(address, 0, 255, "--address"));
        }
        return options;
    }
};

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"kestra: read, write, compare and scan Kestra readers on a serial line"};
    app.footer(kExitCodes);
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", "kestra " CORVEL_VERSION);

    // Numbers are taken as text and read by ParseNumber: decimal unless written 0x....
    KestraLinkOptions link;
    TypedLine typed;
    bool json = false;
    app.add_option("--port", typed.port, "port number of the serial port map (1..256)");
    app.add_option("--device", link.device,
                   "any tty, or rfc2217://host:port or tcp://host:port, mapped as a port for "
                   "this run");
    app.add_option("--baud", typed.baud,
                   "baud rate: 1200, 2400, 4800, 9600 (default), 19200, 38400, 57600, 115200");
    app.add_option("--frame", typed.frame, "data bits, parity, stop bits (default 8E1)");
    app.add_option("--timeout", typed.timeout, "block time-out in milliseconds (1..60000)");
    app.add_option("--address", typed.address, "bus address of the reader (0..255, default 0)");
    app.add_flag("--json", json, "print the result as JSON");
    app.add_flag("-v,--verbose", link.verbose,
                 "print every protocol line with its time stamp to standard error");

    // Each command sets `run`, and `prepare` where its arguments are checked before the line is
    // opened; a command that talks to the reader opens the link first.
    std::function<KestraReport(KestraLink*)> run;
    std::function<void()> prepare;
    ScanOptions scanOptions;
    bool needsLink = true;
    auto command = [&](const char* name, const char* help) {
        CLI::App* sub = app.add_subcommand(name, help);
        sub->footer(std::string(kGlobalOptions) + kExitCodes);
        return sub;
    };

    command("ports",
            "the port map: its file, and each port whose device exists or that the file names")
        ->callback([&] {
            needsLink = false;
            run = [](KestraLink*) { return Ports(); };
        });
    command("version", "hardware type, software version and transponder types of the reader")
        ->callback([&] { run = [](KestraLink* l) { return Version(*l); }; });

    std::vector<std::string> hexWords;
    bool checksum = false;
    CLI::App* send = command("send", "send a raw protocol; prints the answer and its status");
    send->add_option("bytes", hexWords, "the protocol in hex, e.g. 05 00 65 60 or 0500656")
        ->required();
    send->add_flag("--checksum", checksum, "append the XOR checksum");
    std::vector<unsigned char> sendBytes;
    send->callback([&] {
        prepare = [&] { sendBytes = ParseFrameBytes(hexWords, checksum); };
        run = [&](KestraLink* l) { return Send(*l, sendBytes, checksum); };
    });

    std::string file;
    CLI::App* readConfig =
        command("read-config", "read the configuration blocks into a reader file");
    readConfig->add_option("-o,--output", file, "the .rdr file to write")->required();
    readConfig->callback([&] { run = [&](KestraLink* l) { return ReadConfig(*l, file); }; });

    bool verify = false;
    bool dryRun = false;
    CLI::App* writeConfig =
        command("write-config", "send a reader file's configuration to the reader");
    writeConfig->add_option("file", file, "the .rdr file")->required();
    writeConfig->add_flag("--verify", verify, "read the reader back and compare with the file");
    writeConfig->add_flag("--dry-run", dryRun, "list the commands without sending them");
    writeConfig->callback([&] {
        needsLink = !dryRun;
        run = [&](KestraLink* l) { return WriteConfig(l, file, verify, dryRun); };
    });

    std::string other;
    CLI::App* diff = command(
        "diff", "the values in which the reader (or a second file) differs from a reader file");
    diff->add_option("file", file, "the .rdr file")->required();
    diff->add_option("other", other, "a second .rdr file instead of the reader");
    diff->callback([&] {
        needsLink = other.empty();
        run = [&](KestraLink* l) {
            return Diff(l, file, other.empty() ? std::nullopt : std::optional(other));
        };
    });

    command("detect-baud", "find the reader's baud rate and frame (8E1, then 8N1; 38400 .. 1200)")
        ->callback([&] { run = [](KestraLink* l) { return DetectBaud(*l); }; });

    std::vector<std::string> bauds;
    std::vector<std::string> frames;
    std::string addresses = "0-253";
    CLI::App* scan = command(
        "scan", "find every reader on the bus: address, baud rate, frame, model, version. Each\n"
                "absent address is given the wire time of the probe and of an answer plus 3 ms\n"
                "(--timeout sets that silence instead). A progress bar with the time remaining\n"
                "is drawn on a terminal only.");
    const bool onTerminal = isatty(STDERR_FILENO) && isatty(STDOUT_FILENO);
    // Every entry is checked before the first probe.
    auto prepareScan = [&] {
        scanOptions.bauds = {link.baud};
        scanOptions.frames = {link.frame};
        if (!bauds.empty()) {
            scanOptions.bauds.clear();
            for (const std::string& baud : bauds) {
                scanOptions.bauds.push_back(ParseBaud(baud, "--bauds"));
            }
        }
        if (!frames.empty()) {
            scanOptions.frames.clear();
            for (const std::string& frame : frames) {
                scanOptions.frames.push_back(ParseFrame(frame, "--frames"));
            }
        }
        scanOptions.addresses = ParseAddresses(addresses);
        scanOptions.silenceMs = link.timeout;
        scanOptions.json = json;
        scanOptions.verbose = link.verbose;
        scanOptions.progress = !json && onTerminal;
    };
    auto addScanOptions = [&](CLI::App* sub) {
        sub->add_option("--bauds", bauds, "baud rates to try (default: --baud)")->delimiter(',');
        sub->add_option("--frames", frames, "frames to try (default: --frame)")->delimiter(',');
        sub->add_option("--addresses", addresses,
                        "bus addresses, e.g. 0-253 (default), 5 or 1-5,200");
    };
    addScanOptions(scan);
    scan->callback([&] {
        prepare = prepareScan;
        run = [&](KestraLink* l) { return Scan(*l, scanOptions); };
    });

    // A site takes its ports and addresses from its file (scan: from its arguments), each bus
    // its line settings too.
    CLI::App* site =
        command("site", "a whole site at once: every bus in parallel, the readers of each bus one\n"
                        "after another, one table at the end; the exit code is the worst reader's");
    site->require_subcommand(1);
    // `scanning`: the line settings given are the ones to try; the others take them from the
    // site file.
    auto siteCommand = [&](const char* name, const char* help, bool scanning,
                           std::function<KestraReport()> body) {
        CLI::App* sub = site->add_subcommand(name, help);
        sub->footer(std::string(kGlobalOptions) + kExitCodes);
        sub->callback([&, name, scanning, body] {
            needsLink = false;
            prepare = [&, name, scanning] {
                const bool line = !typed.baud.empty() || !typed.frame.empty();
                if (!typed.port.empty() || !link.device.empty() || !typed.address.empty() ||
                    (line && !scanning)) {
                    throw KestraError(kExitUsage,
                                      std::string("site ") + name +
                                          ": the ports, bus addresses and line settings come "
                                          "from the site file, not from --port, --device, "
                                          "--address, --baud or --frame");
                }
                if (scanning) {
                    prepareScan();
                    // The bus threads print nothing while they scan.
                    scanOptions.json = true;
                    scanOptions.progress = false;
                }
            };
            run = [body](KestraLink*) { return body(); };
        });
        return sub;
    };
    auto siteOptions = [&] { return SiteOptions{link.timeout, link.verbose, !json && onTerminal}; };
    std::vector<std::string> sitePorts;
    bool force = false;
    CLI::App* siteScan = siteCommand(
        "scan",
        "scan every port (a number of the port map, a device path or a device server's URL),\n"
        "all at once, and write the site file with each reader's configuration beside it as\n"
        "BUS-ADDRESS.rdr. Each bus is recorded at the baud rate and frame its first reader\n"
        "answers at (--baud and --frame, or the first of --bauds and --frames that finds one).",
        true, [&] { return SiteScan(sitePorts, file, scanOptions, force, siteOptions()); });
    siteScan->add_option("ports", sitePorts, "the ports of the buses")->required();
    siteScan->add_option("-o,--output", file, "the site file to write (site.json)")->required();
    siteScan->add_flag("--force", force, "replace an existing site file and reader files");
    addScanOptions(siteScan);
    SiteApplyOptions apply;
    CLI::App* siteApply = siteCommand(
        "apply",
        "write every reader's file (as write-config). Every file is opened first; one whose\n"
        "bus address or line settings differ from the site file's is named before anything is\n"
        "written. A reader that answers as another model than the site file says refuses the\n"
        "whole site unless --force. A failure on a bus stops that bus, never the others.",
        false, [&] { return SiteApply(file, apply, siteOptions()); });
    siteApply->add_option("file", file, "the site file")->required();
    siteApply->add_flag("--verify", apply.verify, "read each reader back and compare");
    siteApply->add_flag("--dry-run", apply.dryRun, "list each reader's commands, send nothing");
    siteApply->add_flag("--force", apply.force, "write readers of another model all the same");
    siteCommand("check", "compare every reader with its file (as diff)", false,
                [&] { return SiteCheck(file, siteOptions()); })
        ->add_option("file", file, "the site file")
        ->required();
    siteCommand("status", "model, software version and inputs of every reader", false,
                [&] { return SiteStatus(file, siteOptions()); })
        ->add_option("file", file, "the site file")
        ->required();

    std::string tagWhat;
    TagRequest tagRequest;
    std::vector<std::string> tagArgs;
    CLI::App* tag =
        command("tag", "transponder commands of the reader:\n"
                       "  serial                 serial number (0x11)\n"
                       "  read-public ADDR N     N (1..4) public data blocks from block ADDR\n"
                       "                         (0..255) (0x15)\n"
                       "  write-public ADDR HEX  write 1..4 blocks of 4 bytes from block ADDR\n"
                       "                         (0x14)\n"
                       "  read-id                the identifier (0x13)\n"
                       "  write-id HEX           write the identifier, 1..12 bytes (0x12)");
    tag->add_option("command", tagWhat, "serial, read-public, write-public, read-id, write-id")
        ->required()
        ->check(CLI::IsMember({"serial", "read-public", "write-public", "read-id", "write-id"}));
    tag->add_option("args", tagArgs, "the command's arguments");
    tag->callback([&] {
        const std::size_t wanted = tagWhat.starts_with("read-public") || tagWhat == "write-public"
                                       ? 2
                                   : tagWhat == "write-id" ? 1
                                                           : 0;
        if (tagArgs.size() != wanted) {
            throw CLI::ValidationError("tag " + tagWhat,
                                       "takes " + std::to_string(wanted) + " arguments");
        }
        prepare = [&] { tagRequest = ParseTag(tagWhat, tagArgs); };
        run = [&](KestraLink* l) { return Tag(*l, tagRequest); };
    });

    std::string countText;
    int count = 0;
    CLI::App* monitor =
        command("monitor", "show auto-answer frames as they arrive, until Ctrl-C or N frames");
    monitor->add_option("--count", countText, "stop after N frames (0: no limit)");
    monitor->callback([&] {
        prepare = [&] {
            if (!countText.empty()) {
                count = static_cast<int>(ParseNumber(countText, 0, INT_MAX, "monitor --count"));
            }
        };
        run = nullptr;
    });

    std::string passwordText;
    std::string password;
    CLI::App* login = command("login", "log in with the reader password (0xA0)");
    login->add_option("password", passwordText, "4 bytes in hex, e.g. 00000000")->required();
    login->callback([&] {
        prepare = [&] { password = ParsePassword(passwordText); };
        run = [&](KestraLink* l) { return Login(*l, password); };
    });
    command("reset", "restart the reader's processor (0x63)")->callback([&] {
        run = [](KestraLink* l) { return Reset(*l); };
    });
    bool yes = false;
    CLI::App* factory = command("factory-reset", "restore the factory configuration (0x64)");
    factory->add_flag("--yes", yes, "required: the stored configuration is lost");
    factory->callback([&] {
        if (!yes) {
            throw CLI::ValidationError("factory-reset", "needs --yes");
        }
        run = [](KestraLink* l) { return FactoryReset(*l); };
    });

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // The flag may not have been reached; a script that asked for JSON gets JSON.
        json = std::any_of(argv + 1, argv + argc,
                           [](const char* a) { return a == std::string("--json"); });
        std::string text = e.what();
        const bool noCommand = app.get_subcommands().empty();
        const bool noSiteCommand = site->parsed() && site->get_subcommands().empty();
        if (noCommand) {
            text = UnknownCommand(app, argc, argv, 1);
        } else if (noSiteCommand) {
            text = "site: " + UnknownCommand(*site, argc, argv, TypedCommand(argc, argv) + 1);
        }
        if (!json && !noCommand && !noSiteCommand) {
            app.exit(e);
            return kExitUsage;
        }
        return UsageError(text, json);
    }

    try {
        link = typed.Apply(link);
        if (prepare) {
            prepare();
        }
        KestraLink line(link);
        if (needsLink) {
            line.Open();
        }
        if (monitor->parsed()) {
            return Monitor(line, count, json);
        }
        const KestraReport report = run(needsLink ? &line : nullptr);
        Print(report, json);
        return report.exitCode;
    } catch (const KestraError& e) {
        KestraReport report;
        report.Fail(e.ExitCode(), e.what());
        Print(report, json);
        return e.ExitCode();
    }
}
