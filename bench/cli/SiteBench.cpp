// Times `kestra site apply` of four kestra-sim --wire buses of four readers each at 9600 baud:
// all four buses at once against each bus alone, side by side in one run. The buses run in
// parallel, so the whole site should take little longer than its slowest bus.
// Usage: site_bench [ROUNDS] (default 3); each round runs every bus alone, then all at once.

#include "KestraSite.h"
#include "KestraSiteFile.h"
#include "SimProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace kestra_cli;

constexpr int kBuses = 4;
constexpr int kBaud = 9600;

double Apply(const std::string& site) {
    const auto start = std::chrono::steady_clock::now();
    const KestraReport report = SiteApply(site, SiteApplyOptions{}, SiteOptions{});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (report.exitCode != kExitOk) {
        std::fprintf(stderr, "site apply %s failed: %s\n", site.c_str(), report.error.c_str());
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<std::unique_ptr<simtest::SimProcess>> sims;
    std::vector<std::string> ports;
    for (int b = 0; b < kBuses; ++b) {
        sims.push_back(std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--wire", "--baud", std::to_string(kBaud), "--reader", "KRD:0", "--reader", "KRB:1",
            "--reader", "KRC:2", "--reader", "KRA:3"}));
        ports.push_back(sims.back()->WaitReady());
        if (ports.back().empty()) {
            std::fprintf(stderr, "kestra-sim did not start\n");
            return 1;
        }
    }
    const fs::path folder = fs::temp_directory_path() / ("site_bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string all = (folder / "site.json").string();
    ScanOptions scan;
    scan.bauds = {kBaud};
    scan.frames = {"8E1"};
    scan.addresses = {0, 1, 2, 3};
    scan.json = true;
    const KestraReport scanned = SiteScan(ports, all, scan, false, SiteOptions{});
    if (scanned.exitCode != kExitOk) {
        std::fprintf(stderr, "site scan failed: %s\n", scanned.error.c_str());
        return 1;
    }
    // The same site, one bus to a file.
    const KestraSite site = LoadSite(all);
    std::vector<std::string> alone;
    for (int b = 0; b < kBuses; ++b) {
        KestraSite one{site.folder, {site.buses[b]}};
        alone.push_back((folder / ("bus" + std::to_string(b + 1) + ".json")).string());
        std::ofstream(alone.back()) << SiteJson(one).dump(2);
    }

    std::printf("%d buses x 4 readers, --wire at %d baud, apply without --verify\n", kBuses, kBaud);
    std::printf("%-6s %8s %8s %8s %8s %10s %8s %7s\n", "round", "bus1 s", "bus2 s", "bus3 s",
                "bus4 s", "slowest s", "all s", "ratio");
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        std::vector<double> times;
        for (const std::string& file : alone) {
            times.push_back(Apply(file));
        }
        const double slowest = *std::max_element(times.begin(), times.end());
        const double together = Apply(all);
        ratios.push_back(together / slowest);
        std::printf("%-6d %8.2f %8.2f %8.2f %8.2f %10.2f %8.2f %7.3f\n", round, times[0], times[1],
                    times[2], times[3], slowest, together, ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio (all buses / slowest bus alone): %.3f\n", ratios[ratios.size() / 2]);
    fs::remove_all(folder);
    return 0;
}
