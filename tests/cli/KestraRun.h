#pragma once
// The kestra program as the tests run it: against kestra-sim, its exit code, standard output
// and standard error kept in files of the test's own folder.

#include "SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kestratest {

namespace fs = std::filesystem;

struct Outcome {
    int exit = -1;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A reader file ends with the configuration image (1024 bytes), the answer image's count and
// the answer image (2048 bytes).
inline std::size_t ConfigAt(const std::string& bytes) {
    return bytes.size() - 3074;
}
// Where byte `index` of blocks 0 to 2 stands in a simulator's "state" answer: lines of
// "block B: " and 16 bytes "XX " each.
inline int StateAt(int index) {
    return index / 16 * 57 + 9 + 3 * (index % 16);
}
inline std::string StateByte(const std::string& state, int index) {
    return state.substr(static_cast<std::size_t>(StateAt(index)), 2);
}

class KestraCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kestra-cli-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override {
        sims.clear();
        fs::remove_all(dir);
    }

    // A simulator; returns its pty path.
    std::string StartSim(std::vector<std::string> args) {
        sims.push_back(std::make_unique<simtest::SimProcess>(args));
        const std::string path = sims.back()->WaitReady();
        EXPECT_FALSE(path.empty());
        return path;
    }

    // kestra with `args`, started; its output goes to files of the test. Where a test sets no
    // time-out an answer is due: a long one keeps a busy machine from being taken for a silent
    // reader.
    pid_t Start(std::vector<std::string> args) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (dir / "out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (std::find(args.begin(), args.end(), "--timeout") == args.end()) {
            args.insert(args.begin(), {"--timeout", "5000"});
        }
        return Spawn(std::move(args), actions);
    }

    // Waits for a kestra started with Start.
    Outcome Finish(pid_t pid) {
        Outcome run;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid) {
            run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        run.out = ReadAll(dir / "out");
        run.err = ReadAll(dir / "err");
        return run;
    }

    Outcome Kestra(const std::vector<std::string>& args) { return Finish(Start(args)); }

    // kestra with `args` on a terminal of the test's own: what it showed there.
    std::string OnTerminal(std::vector<std::string> args) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(grantpt(master), 0);
        EXPECT_EQ(unlockpt(master), 0);
        const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
        EXPECT_GE(terminal, 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, terminal, 1);
        posix_spawn_file_actions_adddup2(&actions, terminal, 2);
        const pid_t pid = Spawn(std::move(args), actions);
        EXPECT_GT(pid, 0);
        close(terminal);
        std::string shown;
        char buffer[256];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) {
            shown.append(buffer, static_cast<std::size_t>(n));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        close(master);
        return shown;
    }

    // Waits until `file` of the test holds `text` (a running kestra's output).
    bool WaitFor(const char* file, const std::string& text) {
        for (int i = 0; i < 3000; ++i) {
            if (ReadAll(dir / file).find(text) != std::string::npos) {
                return true;
            }
            usleep(10000);
        }
        return false;
    }

    fs::path dir;
    std::vector<std::unique_ptr<simtest::SimProcess>> sims;

private:
    // kestra with `args` and the file actions `actions`, which it destroys; -1 when it could
    // not be started.
    static pid_t Spawn(std::vector<std::string> args, posix_spawn_file_actions_t& actions) {
        args.insert(args.begin(), KESTRA_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, KESTRA_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
};

} // namespace kestratest
