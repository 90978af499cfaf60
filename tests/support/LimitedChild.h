#pragma once
// Runs a program as a child process under a file-size limit (RLIMIT_FSIZE,
// as `ulimit -f` sets it), with a time-out, and hands back how it ended and
// what it wrote on standard output.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace limitedchild {

struct Outcome {
    bool started = false;
    bool timedOut = false;
    int status = 0;  // as waitpid gives it
    std::string output;

    bool Exited() const { return started && !timedOut && WIFEXITED(status); }
    int ExitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
    int Signal() const { return WIFSIGNALED(status) ? WTERMSIG(status) : 0; }
};

// `extraEnvironment` holds NAME=VALUE entries added to this process's own.
inline Outcome RunLimited(const std::vector<std::string>& arguments, rlim_t fileSizeLimit,
                          const std::vector<std::string>& extraEnvironment = {},
                          std::chrono::seconds timeout = std::chrono::seconds(60)) {
    Outcome outcome;
    std::vector<std::string> environment(extraEnvironment);
    for (char** e = environ; *e != nullptr; ++e)
        environment.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return outcome;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return outcome;
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::dup2(out[1], STDOUT_FILENO);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL);  // the limit's own default, whatever the parent does
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    outcome.started = true;
    ::close(out[1]);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            outcome.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        outcome.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(out[0]);
    ::waitpid(pid, &outcome.status, 0);
    return outcome;
}

}  // namespace limitedchild
