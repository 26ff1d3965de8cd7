// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillo::ChildProcess {

namespace {

constexpr std::size_t maxCapture = 4 * 1024 * 1024;

struct Pipe {
    int read = -1;
    int write = -1;
    bool open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return false;
        }
        read = fds[0];
        write = fds[1];
        return true;
    }
    static void closeFd(int& fd) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~Pipe() {
        closeFd(read);
        closeFd(write);
    }
};

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> merged;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        bool overridden = false;
        for (const std::string& e : extra) {
            auto eq = e.find('=');
            if (eq != std::string::npos &&
                text.starts_with(std::string_view(e).substr(0, eq + 1))) {
                overridden = true;
                break;
            }
        }
        if (!overridden) {
            merged.emplace_back(text);
        }
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

// Writing to a child that already exited raises SIGPIPE, which would kill the
// caller; keep it blocked in this thread while we talk to the child and swallow
// one that arrived meanwhile.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigemptyset(&pipeSet_);
        sigaddset(&pipeSet_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        ::pthread_sigmask(SIG_BLOCK, &pipeSet_, &previous_);
    }
    ~SigpipeGuard() {
        if (!wasPending_) {
            timespec zero{0, 0};
            while (::sigtimedwait(&pipeSet_, nullptr, &zero) == SIGPIPE) {
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t pipeSet_{};
    sigset_t previous_{};
    bool wasPending_ = false;
};

} // namespace

Result run(const std::vector<std::string>& argv, const Options& options) {
    SigpipeGuard sigpipeGuard;
    Result result;
    if (argv.empty()) {
        return result;
    }

    Pipe out, err, in;
    if (!out.open() || (options.captureStandardError && !err.open()) ||
        (options.standardInput && !in.open())) {
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.standardInput) {
        posix_spawn_file_actions_adddup2(&actions, in.read, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    if (options.captureStandardError) {
        posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }

    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);

    std::vector<std::string> envStrings = mergedEnvironment(options.extraEnvironment);
    std::vector<char*> env;
    for (auto& e : envStrings) {
        env.push_back(e.data());
    }
    env.push_back(nullptr);

    // The child leads a process group of its own, so that on its time limit
    // whatever it started ends with it (a shell's pipeline, a tool's helper).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, argv[0].c_str(), &actions, &attributes, args.data(), env.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return result;
    }
    result.started = true;
    Pipe::closeFd(out.write);
    Pipe::closeFd(err.write);
    Pipe::closeFd(in.read);

    std::string_view pendingInput;
    if (options.standardInput) {
        pendingInput = *options.standardInput;
        ::fcntl(in.write, F_SETFL, O_NONBLOCK);
        if (pendingInput.empty()) {
            Pipe::closeFd(in.write);
        }
    }

    // A pidfd lets one poll() wait for output and for the exit together, so the
    // caller hears of the exit at once; without it we fall back to short naps.
    int exitFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    int status = 0;
    bool exited = false;
    auto reap = [&] {
        if (!exited && ::waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
        }
        return exited;
    };

    auto deadline = std::chrono::steady_clock::now() + options.timeLimit;
    char buffer[16384];
    while (out.read >= 0 || err.read >= 0 || in.write >= 0 || !reap()) {
        auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (remaining.count() <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd fds[4];
        int count = 0;
        int outIndex = -1, errIndex = -1, inIndex = -1;
        if (out.read >= 0) {
            outIndex = count;
            fds[count++] = {out.read, POLLIN, 0};
        }
        if (err.read >= 0) {
            errIndex = count;
            fds[count++] = {err.read, POLLIN, 0};
        }
        if (in.write >= 0) {
            inIndex = count;
            fds[count++] = {in.write, POLLOUT, 0};
        }
        int waitMs = static_cast<int>(remaining.count());
        if (exitFd >= 0) {
            fds[count++] = {exitFd, POLLIN, 0};
        } else if (out.read < 0 && err.read < 0 && in.write < 0) {
            waitMs = std::min(waitMs, 1);
        }
        int ready = ::poll(fds, static_cast<nfds_t>(count), waitMs);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        auto drain = [&](int index, int& fd, std::string& sink) {
            if (index < 0 || !(fds[index].revents & (POLLIN | POLLHUP | POLLERR))) {
                return;
            }
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                if (sink.size() < maxCapture) {
                    sink.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n),
                                                              maxCapture - sink.size()));
                }
            } else if (n == 0 || errno != EINTR) {
                Pipe::closeFd(fd);
            }
        };
        drain(outIndex, out.read, result.standardOutput);
        drain(errIndex, err.read, result.standardError);
        if (inIndex >= 0 && (fds[inIndex].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = ::write(in.write, pendingInput.data(), pendingInput.size());
            if (n > 0) {
                pendingInput.remove_prefix(static_cast<std::size_t>(n));
            }
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || pendingInput.empty()) {
                Pipe::closeFd(in.write);
            }
        }
        // A child that exited is done even when a grandchild still holds its
        // output open: take what is buffered and stop.
        if (reap()) {
            for (auto [fd, sink] : {std::pair{&out.read, &result.standardOutput},
                                    std::pair{&err.read, &result.standardError}}) {
                if (*fd < 0) {
                    continue;
                }
                ::fcntl(*fd, F_SETFL, O_NONBLOCK);
                ssize_t n = 0;
                while ((n = ::read(*fd, buffer, sizeof buffer)) > 0) {
                    if (sink->size() < maxCapture) {
                        sink->append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n),
                                                                   maxCapture - sink->size()));
                    }
                }
                Pipe::closeFd(*fd);
            }
            Pipe::closeFd(in.write);
            break;
        }
    }
    if (exitFd >= 0) {
        ::close(exitFd);
    }
    if (exited) {
        if (WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        }
        return result;
    }
    result.timedOut = true;
    // The group's id is the child's pid, still ours while it is unreaped.
    ::kill(-pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return result;
}

} // namespace quillo::ChildProcess
