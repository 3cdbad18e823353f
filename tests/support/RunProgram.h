#pragma once

#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kivora::testing {

struct RunResult {
    int status = -1; // exit status; -1 when the program could not run or did not exit normally
    std::string out; // everything it wrote to stdout (and stderr, when asked for)
};

enum class Stderr { Inherit, Merge };

// Runs a program (searched in PATH) with exact arguments and no shell, collecting stdout, and
// stderr with it when asked (messages then appear where the program wrote them).
inline RunResult runProgram(std::vector<std::string> args, Stderr err = Stderr::Inherit)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (err == Stderr::Merge)
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    RunResult result;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.out.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

#ifdef KIVORA_CLI_PATH
// Runs kivora-cli with args; its messages come with its output.
inline RunResult runCli(std::vector<std::string> args, Stderr err = Stderr::Merge)
{
    args.insert(args.begin(), KIVORA_CLI_PATH);
    return runProgram(std::move(args), err);
}
#endif

} // namespace kivora::testing
