// Unloading the library stops the scan threads of the readers still registered.
#include "sorn.h"
#include "velk.h"

#include "ThreadCount.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pty.h>
#include <unistd.h>

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

} // namespace
