// SPDX-License-Identifier: GPL-3.0-or-later
#include "PermissionAsker.h"

#include "AppPaths.h"
#include "FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillo::PermissionAsker {

namespace {

using Clock = std::chrono::steady_clock;

FileDescriptor connectTo(const std::filesystem::path& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socket.string();
    if (path.size() >= sizeof address.sun_path) {
        return FileDescriptor();
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid()) {
        return fd;
    }
    // A monitor whose queue is full counts as none: the terminal's dialog is
    // there either way.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return FileDescriptor();
    }
    // Only a monitor of this user may see the question, let alone answer it.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        peer.uid != ::getuid()) {
        return FileDescriptor();
    }
    return fd;
}

int millisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

// Sends all of `bytes` before `deadline`; false on an error, a stop or the
// deadline.
bool sendAll(int fd, std::string_view bytes, Clock::time_point deadline, int stopFd) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && errno != EAGAIN) {
            return false;
        }
        pollfd waits[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        int ready = ::poll(waits, stopFd >= 0 ? 2 : 1, millisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (stopFd >= 0 && waits[1].revents != 0)) {
            return false;
        }
    }
    return true;
}

void withdraw(int fd) {
    // Best effort and without waiting: the monitor also withdraws a question
    // whose connection closes.
    const std::string line = PermissionQuestion::encodeWithdrawn();
    [[maybe_unused]] ssize_t sent = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
}

} // namespace

std::optional<PermissionQuestion::Answer> ask(const PermissionQuestion::Question& question,
                                              const std::filesystem::path& socket,
                                              std::chrono::milliseconds limit, int stopFd) {
    const auto deadline = Clock::now() + limit;
    FileDescriptor fd = connectTo(socket);
    if (!fd.valid() ||
        !sendAll(fd.get(), PermissionQuestion::encodeQuestion(question), deadline, stopFd)) {
        return std::nullopt;
    }
    std::string received;
    char buffer[4096];
    while (true) {
        if (auto end = received.find('\n'); end != std::string::npos) {
            auto answer =
                PermissionQuestion::decodeAnswer(std::string_view(received).substr(0, end));
            if (!answer) {
                return std::nullopt; // not the monitor's language: no decision
            }
            return *answer;
        }
        if (received.size() > PermissionQuestion::maxLineBytes) {
            return std::nullopt;
        }
        pollfd waits[2] = {{fd.get(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        int ready = ::poll(waits, stopFd >= 0 ? 2 : 1, millisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return std::nullopt;
        }
        if (ready == 0 || (stopFd >= 0 && waits[1].revents != 0)) {
            withdraw(fd.get());
            return std::nullopt;
        }
        ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt; // the monitor went away
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
}

void askAndPrint(const PermissionQuestion::Question& question) {
    // SIGTERM becomes readable on a descriptor instead of ending the process
    // at once, so that the monitor hears that the question is gone.
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    sigaddset(&terminate, SIGINT);
    sigaddset(&terminate, SIGHUP);
    if (::sigprocmask(SIG_BLOCK, &terminate, nullptr) != 0) {
        return;
    }
    FileDescriptor stop(::signalfd(-1, &terminate, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!stop.valid()) {
        return;
    }
    const auto answer =
        ask(question, PermissionQuestion::socketPath(AppPaths::appSupportDirectory()),
            PermissionQuestion::hookTimeLimit - giveUpMargin, stop.get());
    if (answer) {
        // Claude Code may have closed our output meanwhile: no SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        writeAll(STDOUT_FILENO, PermissionQuestion::decisionOutput(*answer));
    }
}

} // namespace quillo::PermissionAsker
