// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-process wall time of the recorder beside /bin/true: spawn, feed a
// typical 1 KiB payload on standard input, wait for the exit. The recorder walks
// this benchmark's real ancestor chain and appends to a private events file.
#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <utility>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

double spawnOnce(const std::string& program, const std::string& input) {
    int fds[2];
    if (::pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};

    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", program.c_str());
        std::exit(1);
    }
    ::close(fds[0]);
    // /bin/true does not read; a 1 KiB write fits the pipe buffer either way.
    ssize_t ignored = ::write(fds[1], input.data(), input.size());
    (void)ignored;
    ::close(fds[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    auto elapsed = std::chrono::steady_clock::now() - start;
    posix_spawn_file_actions_destroy(&actions);
    return std::chrono::duration<double, std::micro>(elapsed).count();
}

struct Figures {
    double median;
    double p95;
};

Figures figures(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[static_cast<std::size_t>(samples.size() * 0.95)]};
}

// Runs the two programs by turns, one run of each per round, so that whatever
// the machine does meanwhile (other builds, frequency changes) weighs on both
// alike; the order within a round alternates too.
std::pair<Figures, Figures> measureInterleaved(const std::string& first, const std::string& second,
                                               const std::string& input, int runs) {
    for (int i = 0; i < 20; ++i) {
        spawnOnce(first, input); // warm the page cache and the dynamic loader
        spawnOnce(second, input);
    }
    std::vector<double> firstSamples;
    std::vector<double> secondSamples;
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            firstSamples.push_back(spawnOnce(first, input));
            secondSamples.push_back(spawnOnce(second, input));
        } else {
            secondSamples.push_back(spawnOnce(second, input));
            firstSamples.push_back(spawnOnce(first, input));
        }
    }
    return {figures(std::move(firstSamples)), figures(std::move(secondSamples))};
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-QuilloHook [runs]\n", argv[0]);
        return 2;
    }
    // /bin/true exits without reading its input.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string hook = argv[1];
    const int runs = argc > 2 ? std::max(200, std::atoi(argv[2])) : 400;

    char home[] = "/tmp/quillo-bench-XXXXXX";
    if (!::mkdtemp(home)) {
        return 1;
    }
    ::setenv("HOME", home, 1);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("QUILLO_DEBUG");
    ::unsetenv("CLAUDE_PID");

    std::string input =
        R"({"session_id":"7f3b9c2e-5d41-4e8a-9b6f-0c2d1e4a8b73","transcript_path":"/home/dana/.claude/projects/-home-dana-src-atlas/7f3b9c2e-5d41-4e8a-9b6f-0c2d1e4a8b73.jsonl","cwd":"/home/dana/src/atlas","permission_mode":"default","hook_event_name":"PreToolUse","tool_name":"Bash","tool_input":{"command":")";
    input += std::string(1024 - input.size() - 40, 'x');
    input += R"(","description":"run"},"tool_use_id":"t1"})";

    auto [truth, recorder] = measureInterleaved("/bin/true", hook, input, runs);

    std::printf("recorder wall time over %d runs, %zu-byte payload\n", runs, input.size());
    std::printf("  /bin/true     median %8.1f us   p95 %8.1f us\n", truth.median, truth.p95);
    std::printf("  QuilloHook    median %8.1f us   p95 %8.1f us\n", recorder.median, recorder.p95);
    std::printf("  ratio         median %8.2f x    (goal <= 2.00 x)\n", recorder.median / truth.median);

    std::filesystem::remove_all(home);
    return 0;
}
