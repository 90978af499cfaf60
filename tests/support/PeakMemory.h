#pragma once
// How much address space a piece of work takes at its peak, measured in a
// child process so that neither the work's memory nor its peak stays with
// the test: the growth of the child's VmPeak (the most virtual memory it
// ever had mapped) over its size before the work. Memory a decoder reserves
// counts whether or not it ever touches the pages.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

namespace peakmemory {

// The process's VmPeak or VmSize in bytes, or -1.
inline std::int64_t StatusBytes(const char* field) {
    std::FILE* file = std::fopen("/proc/self/status", "re");
    if (file == nullptr)
        return -1;
    std::int64_t bytes = -1;
    char line[256];
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        long long kib = 0;
        if (std::strncmp(line, field, length) == 0 && std::sscanf(line + length, ": %lld kB", &kib) == 1) {
            bytes = static_cast<std::int64_t>(kib) * 1024;
            break;
        }
    }
    std::fclose(file);
    return bytes;
}

struct Outcome {
    std::int64_t peakGrowth = -1;  // bytes; -1 when the child could not tell
    bool workSaid = false;         // what the work returned
};

// Runs `work` in a forked child and hands back its peak growth and answer.
inline Outcome MeasureInChild(const std::function<bool()>& work) {
    Outcome outcome;
    int out[2];
    if (::pipe(out) != 0)
        return outcome;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return outcome;
    }
    if (pid == 0) {
        ::close(out[0]);
        const std::int64_t before = StatusBytes("VmSize");
        const bool said = work();
        const std::int64_t after = StatusBytes("VmPeak");
        const Outcome result{before < 0 || after < 0 ? -1 : after - before, said};
        const bool written = ::write(out[1], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
        ::_exit(written ? 0 : 1);  // no exit handlers of the parent's in the child
    }
    ::close(out[1]);
    Outcome received;
    if (::read(out[0], &received, sizeof received) == static_cast<ssize_t>(sizeof received))
        outcome = received;
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return outcome;
}

}  // namespace peakmemory
