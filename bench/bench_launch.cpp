// Starts a program and reports the time from just before its process was
// created to the moment it printed "shown_ns=<CLOCK_MONOTONIC ns>".
//
//   bench_launch PROGRAM [ARGS...]
//
// The program's other output goes to our stderr; we wait for it to end, so
// that runs never overlap.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}
} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_launch PROGRAM [ARGS...]\n");
        return 2;
    }
    int out[2];
    if (pipe(out) != 0) {
        std::perror("bench_launch: pipe");
        return 1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);

    const long long start = monotonicNs();
    pid_t child = 0;
    const int error = posix_spawn(&child, argv[1], &actions, nullptr, argv + 1, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (error != 0) {
        std::fprintf(stderr, "bench_launch: %s: %s\n", argv[1], std::strerror(error));
        return 1;
    }

    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);

    const size_t at = output.find("shown_ns=");
    if (at == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_launch: %s did not report its window (status %d): %s\n", argv[1], status,
                     output.c_str());
        return 1;
    }
    const long long shown = std::atoll(output.c_str() + at + 9);
    std::printf("result startup_ms=%.3f\n", (shown - start) / 1e6);
    return 0;
}
