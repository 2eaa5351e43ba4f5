// Times `kestra scan` of addresses 0..253 at one baud rate against a kestra-sim --wire bus of
// three readers, and compares it with the floor: the wire time of every probe plus the silence
// each absent address is given. Usage: scan_bench [BAUD...] (default 38400 9600).

#include "KestraLink.h"
#include "KestraScan.h"
#include "SimProcess.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    std::vector<int> bauds;
    for (int i = 1; i < argc; ++i) {
        bauds.push_back(std::atoi(argv[i]));
    }
    if (bauds.empty()) {
        bauds = {38400, 9600};
    }
    std::printf("%-7s %8s %10s %10s %7s %7s\n", "baud", "found", "time ms", "floor ms", "ratio",
                "silence");
    for (int baud : bauds) {
        simtest::SimProcess sim({"--wire", "--baud", std::to_string(baud), "--reader", "KRB:1",
                                 "--reader", "KRD:5", "--reader", "KRA:200"});
        const std::string pty = sim.WaitReady();
        if (pty.empty()) {
            std::fprintf(stderr, "kestra-sim did not start\n");
            return 1;
        }
        KestraLinkOptions options;
        options.device = pty;
        options.baud = baud;
        KestraLink link(options);
        link.Open();
        kestra_cli::ScanOptions scan;
        scan.bauds = {baud};
        scan.frames = {options.frame};
        scan.addresses = kestra_cli::ParseAddresses("0-253");
        scan.json = true; // nothing printed while timing
        const auto start = std::chrono::steady_clock::now();
        const KestraReport report = kestra_cli::Scan(link, scan);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const double floor =
            kestra_cli::FloorMs(scan, static_cast<int>(report.json["readers"].size()));
        std::printf("%-7d %8zu %10.0f %10.0f %7.2f %5d ms\n", baud, report.json["readers"].size(),
                    ms, floor, ms / floor, kestra_cli::SilenceMs(baud, options.frame));
    }
    return 0;
}
