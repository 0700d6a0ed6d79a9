#pragma once

// Runs a built command-line tool as a script would: no input, output and errors caught in files,
// killed when it overruns its time limit (a hang is a failure, not a stuck test run).

#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "support/TempDir.h"

extern char** environ;

namespace testsupport {

struct ToolRun {
    int status = -1; // exit code, or -1 when killed or not started
    std::string out, err;
    double seconds = 0;
};

// `env` entries replace inherited ones of the same name; inherited entries starting with one of
// `dropPrefixes` are left out. Output goes through files in `dir`.
inline ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                       const TempDir& dir, std::vector<std::string> env,
                       const std::vector<std::string_view>& dropPrefixes,
                       std::chrono::seconds limit) {
    ToolRun run;
    const std::string outPath = dir / ".out", errPath = dir / ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> argStore = {program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const size_t own = env.size();
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        bool replaced = false;
        for (const std::string_view prefix : dropPrefixes)
            replaced = replaced || entry.substr(0, prefix.size()) == prefix;
        for (size_t i = 0; i < own; ++i) {
            const std::string_view name(env[i].data(), env[i].find('=') + 1);
            replaced = replaced || entry.substr(0, name.size()) == name;
        }
        if (!replaced)
            env.emplace_back(entry);
    }
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > limit) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFileBytes(outPath);
    run.err = ReadFileBytes(errPath);
    return run;
}

} // namespace testsupport
