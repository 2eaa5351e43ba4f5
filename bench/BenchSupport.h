#pragma once
// Small helpers the benchmarks share.

#include <benchmark/benchmark.h>
#include <fstream>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace benchsupport {

/// Pins the process (and the simulators it starts, which inherit the setting) to the first
/// processor it may run on; that processor's number, or -1 when it could not. On a virtual
/// machine a wake-up sent to another processor costs tens of microseconds, and whether the
/// scheduler places host and simulator apart varies from run to run: the ratios would then
/// measure the machine rather than the code.
inline int PinToOneProcessor() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
        return -1;
    }
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            return sched_setaffinity(0, sizeof one, &one) == 0 ? cpu : -1;
        }
    }
    return -1;
}

/// The process's resident memory in bytes.
inline long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

/// Runs the benchmarks the command line selects with their repetitions in random order: a
/// change in the machine's load then hits runs of every benchmark alike.
inline void RunInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

} // namespace benchsupport
