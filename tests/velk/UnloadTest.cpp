// Unloading the library stops the scan threads of the readers still registered.
#include "platform.h"
#include "sorn.h"
#include "velk.h"

#include "ThreadCount.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using velktest::SettledThreadCount;
using velktest::ThreadCountReaching;

void Ignore(const char*, int) {}

TEST(UnloadTest, UnloadingStopsARunningScanThread) {
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const auto map =
        std::filesystem::temp_directory_path() / ("velk-unload-ports-" + std::to_string(getpid()));
    std::ofstream(map) << "202=" << name << "\n";
    setenv("SORN_PORTS", map.c_str(), 1);
    const int port = SORN_OpenPort("202");
    ASSERT_GT(port, 0);
    // A sanitizer runtime may start a helper thread with the first thread of the process.
    std::thread([] {}).join();
    const int threadsBefore = SettledThreadCount();

    void* library = dlopen(VELK_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto newReader = reinterpret_cast<decltype(&VELK_NewReader)>(dlsym(library, "VELK_NewReader"));
    auto addHandler =
        reinterpret_cast<decltype(&VELK_AddEventHandler)>(dlsym(library, "VELK_AddEventHandler"));
    ASSERT_TRUE(newReader && addHandler);
    const int reader = newReader(port);
    ASSERT_GT(reader, 0);
    const VELK_EVENT_HANDLER handler{4, 0, 3, reinterpret_cast<intptr_t>(&Ignore)};
    ASSERT_EQ(addHandler(reader, &handler), 0);
    EXPECT_EQ(ThreadCountReaching(threadsBefore + 1), threadsBefore + 1);

    ASSERT_EQ(dlclose(library), 0);
    EXPECT_EQ(ThreadCountReaching(threadsBefore), threadsBefore);
    // The thread gave the port's receive time-out back before it ended.
    char timeout[16] = {};
    ASSERT_EQ(SORN_GetPortPara(port, "Timeout", timeout), 0);
    EXPECT_STRNE(timeout, "0");

    SORN_ClosePort(port);
    close(slave);
    close(master);
    std::filesystem::remove(map);
}

// A dispatcher that takes the work of a send and never runs it: the sender waits for good.
std::atomic<int> gQueuedSends{0};
void NeverRun(void (*)(void*), void*, void*) {
    ++gQueuedSends;
}

// The scan thread hands data to a window of the unloading thread with a synchronous send, which
// that thread never serves. Unloading waits for the thread within a limit, then leaves it.
// In a child process: the stuck thread must never run again once the library is gone.
void UnloadWithAStuckReceiver() {
    alarm(60); // a deadlock ends the child, and so fails the test
    int master = -1, slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        _exit(2);
    const auto map =
        std::filesystem::temp_directory_path() / ("velk-unload-stuck-" + std::to_string(getpid()));
    std::ofstream(map) << "203=" << name << "\n";
    setenv("SORN_PORTS", map.c_str(), 1);
    const int port = SORN_OpenPort("203");
    void* library = dlopen(VELK_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (port <= 0 || library == nullptr)
        _exit(3);
    auto newReader = reinterpret_cast<decltype(&VELK_NewReader)>(dlsym(library, "VELK_NewReader"));
    auto addHandler =
        reinterpret_cast<decltype(&VELK_AddEventHandler)>(dlsym(library, "VELK_AddEventHandler"));
    const PLAT_HWND window = PLAT_CreateWindowTargetEx(
        [](PLAT_HWND, uint32_t, uintptr_t, intptr_t, void*) -> intptr_t { return 0; }, nullptr,
        &NeverRun, nullptr);
    const int reader = newReader(port);
    const VELK_EVENT_HANDLER handler{4, 0x405, 2, window};
    if (reader <= 0 || addHandler(reader, &handler) != 0)
        _exit(4);
    // Bytes until the scan thread is inside its send (the first may go in its start-up flush).
    const unsigned char bytes[] = {0x01};
    while (gQueuedSends.load() == 0) {
        [[maybe_unused]] ssize_t n = write(master, bytes, sizeof bytes);
        poll(nullptr, 0, 20);
    }
    dlclose(library);
    std::filesystem::remove(map);
    _exit(0); // at once: nothing may wake the stuck thread into unmapped code
}

TEST(UnloadDeathTest, UnloadingWithAStuckMethod2ReceiverEndsWithinItsLimit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(UnloadWithAStuckReceiver(), ::testing::ExitedWithCode(0), "");
}

} // namespace
