// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventLogWatcher.h"

#include "AppPaths.h"
#include "DiagnosticLogger.h"
#include "EventsFile.h"
#include "FileDescriptor.h"
#include "HookEnvelope.h"
#include "state/ProcessStateStore.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <span>
#include <sstream>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillo {

namespace {

constexpr std::string_view processingPrefix = "events.processing.";
constexpr std::string_view processingSuffix = ".jsonl";
// The lock is only ever tried, never waited for: waiting would stall the main
// thread. While something holds it (a trim for milliseconds, or any other
// program that locks the file), consumption is tried again, soon at first.
constexpr int busyRetryMs = 50;
constexpr int stalledRetryMs = 250;
constexpr std::chrono::seconds stallWorthLogging{1};
// The copy is read in pieces of this size and handed to the store in batches
// of at most this many events, so a backlog of any size costs little memory.
constexpr std::size_t readChunkBytes = 1 << 20;
constexpr std::size_t maxBatchEvents = 16384;

std::int64_t millisecondsSince1970() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The number in a processing file's name, or nothing for any other name.
std::optional<std::int64_t> processingNumber(std::string_view name) {
    if (!name.starts_with(processingPrefix) || !name.ends_with(processingSuffix)) {
        return std::nullopt;
    }
    std::string_view digits = name.substr(
        processingPrefix.size(), name.size() - processingPrefix.size() - processingSuffix.size());
    if (digits.empty() || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

EventLogWatcher::EventLogWatcher(ProcessStateStore& store, QObject* parent)
    : EventLogWatcher(store, AppPaths::appSupportDirectory(), parent) {
    useAppSupportDirectory_ = true;
}

EventLogWatcher::EventLogWatcher(ProcessStateStore& store, std::filesystem::path directory,
                                 QObject* parent)
    : QObject(parent), store_(store), directory_(std::move(directory)),
      eventsFile_(directory_ / "events.jsonl") {
    fallbackTimer_.setInterval(fallbackIntervalMs);
    connect(&fallbackTimer_, &QTimer::timeout, this, [this] {
        // A watch that could not be installed is tried again here, so a
        // missed moment costs at most one interval.
        if (running_ && !isArmed()) {
            ensureMainFileExists();
            setupWatcher();
        }
        processPending();
    });
    soonTimer_.setSingleShot(true);
    connect(&soonTimer_, &QTimer::timeout, this, &EventLogWatcher::processPending);
}

EventLogWatcher::~EventLogWatcher() {
    stop();
}

std::string EventLogWatcher::processingFileName(std::int64_t milliseconds) {
    return std::string(processingPrefix) + std::to_string(milliseconds) +
           std::string(processingSuffix);
}

std::vector<std::string_view> EventLogWatcher::splitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        auto end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (!line.empty()) {
            lines.push_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

void EventLogWatcher::start() {
    if (running_) {
        return;
    }
    if (useAppSupportDirectory_) {
        AppPaths::ensureAppSupportDirectory();
    } else {
        AppPaths::ensurePrivateDirectory(directory_);
    }
    ensureMainFileExists();
    consumeLeftovers();
    processPending();
    running_ = true;
    setupWatcher();
    fallbackTimer_.start();
}

void EventLogWatcher::stop() {
    running_ = false;
    cancelWatcher();
    notifier_.reset();
    if (inotifyFd_ >= 0) {
        ::close(inotifyFd_);
        inotifyFd_ = -1;
    }
    fallbackTimer_.stop();
    soonTimer_.stop();
}

void EventLogWatcher::ensureMainFileExists() {
    // Non-blocking: a FIFO put at the events file's place must not hang the
    // main thread. Not following a link: the recorders do not write through
    // one either, they replace it, and so does the monitor.
    int fd =
        ::open(eventsFile_.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ELOOP) {
        replaceLink();
        return;
    }
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
}

void EventLogWatcher::replaceLink() {
    std::error_code ec;
    auto target = std::filesystem::read_symlink(eventsFile_, ec);
    if (EventsFile::replaceLink(eventsFile_)) {
        DiagnosticLogger::warn("events", "事件文件是符号链接, 已替换为普通文件",
                               {{"path", eventsFile_.string()}, {"target", target.string()}});
    }
}

void EventLogWatcher::setupWatcher() {
    if (!running_) {
        return;
    }
    if (inotifyFd_ < 0) {
        inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotifyFd_ < 0) {
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(inotifyFd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this,
                &EventLogWatcher::onNotification);
    }
    int wd =
        ::inotify_add_watch(inotifyFd_, eventsFile_.c_str(),
                            IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_DONT_FOLLOW);
    if (wd < 0) {
        return;
    }
    struct stat info {};
    if (::lstat(eventsFile_.c_str(), &info) != 0) {
        ::inotify_rm_watch(inotifyFd_, wd);
        return;
    }
    watchDescriptor_ = wd;
    watchedDevice_ = info.st_dev;
    watchedInode_ = info.st_ino;
    // A recorder may have written to the new file before the watch existed;
    // that write raised no notification.
    if (info.st_size > 0) {
        scheduleProcessing(0);
    }
}

void EventLogWatcher::cancelWatcher() {
    if (watchDescriptor_ >= 0 && inotifyFd_ >= 0) {
        ::inotify_rm_watch(inotifyFd_, watchDescriptor_);
    }
    watchDescriptor_ = -1;
}

bool EventLogWatcher::watchNamesEventsFile() const {
    struct stat info {};
    return watchDescriptor_ >= 0 && ::lstat(eventsFile_.c_str(), &info) == 0 &&
           info.st_dev == watchedDevice_ && info.st_ino == watchedInode_;
}

void EventLogWatcher::onNotification() {
    // Drain everything queued; what the events say is re-checked below
    // against the file itself, which also covers replacements (a trim, a
    // delete from outside) whose events went to an older watch.
    alignas(struct inotify_event) char buffer[4096];
    while (inotifyFd_ >= 0) {
        ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
    }
    if (!running_) {
        return;
    }
    if (!watchNamesEventsFile()) {
        cancelWatcher();
        ensureMainFileExists();
        setupWatcher();
    }
    processPending();
}

void EventLogWatcher::scheduleProcessing(int delayMs) {
    if (!soonTimer_.isActive()) {
        soonTimer_.start(delayMs);
    }
}

std::filesystem::path EventLogWatcher::unusedProcessingPath() const {
    // Two consumptions within one millisecond, or a copy left behind with the
    // same number, must not be overwritten by the rename.
    std::int64_t number = millisecondsSince1970();
    while (true) {
        auto path = directory_ / processingFileName(number);
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) {
            return path;
        }
        ++number;
    }
}

void EventLogWatcher::processPending() {
    if (processing_) {
        return;
    }
    struct stat info {};
    if (::lstat(eventsFile_.c_str(), &info) != 0) {
        return;
    }
    if (S_ISLNK(info.st_mode)) {
        // Lines written through it went elsewhere and are not read; from now
        // on they come to a file of our own.
        ensureMainFileExists();
        if (running_) {
            cancelWatcher();
            setupWatcher();
        }
        return;
    }
    if (info.st_size < 1) {
        return;
    }
    processing_ = true;
    auto destination = unusedProcessingPath();
    switch (EventsFile::moveAside(eventsFile_, destination, std::chrono::milliseconds(0))) {
    case EventsFile::MoveResult::moved:
        endStall();
        break;
    case EventsFile::MoveResult::busy:
        // A recorder is trimming the file (its rename wakes us too, but do not
        // depend on it), or another program holds a lock on it.
        noteStall();
        processing_ = false;
        return;
    case EventsFile::MoveResult::noFile:
    case EventsFile::MoveResult::failed:
        processing_ = false;
        return;
    }
    // The file just watched is now the copy: watch its replacement before
    // reading, so nothing written meanwhile goes unnoticed.
    if (running_) {
        cancelWatcher();
        setupWatcher();
    }
    consumeFile(destination, false);
    processing_ = false;
}

void EventLogWatcher::noteStall() {
    const auto now = std::chrono::steady_clock::now();
    if (!stalledSince_) {
        stalledSince_ = now;
    }
    const bool stalledLong = now - *stalledSince_ >= stallWorthLogging;
    if (stalledLong && !stallLogged_) {
        stallLogged_ = true;
        DiagnosticLogger::warn("events", "事件文件被其他进程锁定, 暂停读取",
                               {{"path", eventsFile_.string()}, {"holders", lockHolders()}});
    }
    scheduleProcessing(stalledLong ? stalledRetryMs : busyRetryMs);
}

void EventLogWatcher::endStall() {
    if (stallLogged_) {
        const auto seconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - *stalledSince_)
                                 .count() /
                             1000.0;
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", seconds);
        DiagnosticLogger::info("events", "事件文件锁已释放, 继续读取",
                               {{"path", eventsFile_.string()}, {"stalledSeconds", text}});
    }
    stalledSince_.reset();
    stallLogged_ = false;
}

// The processes holding a lock on the events file, as "pid (name)", from the
// kernel's lock table; for the log, so that the user can tell who it is.
std::string EventLogWatcher::lockHolders() const {
    struct stat info {};
    if (::lstat(eventsFile_.c_str(), &info) != 0) {
        return {};
    }
    std::ifstream locks("/proc/locks");
    std::string holders;
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  READ  4242 08:01:1234 0 EOF" (a blocked waiter
        // has "->" before its kind)
        std::istringstream fields(line);
        std::string number, kind, mode, access, file;
        long pid = 0;
        fields >> number >> kind;
        if (kind == "->") {
            continue;
        }
        fields >> mode >> access >> pid >> file;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3 ||
            inode != info.st_ino || major != ::major(info.st_dev) ||
            minor != ::minor(info.st_dev)) {
            continue;
        }
        std::string name;
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::getline(comm, name);
        if (!holders.empty()) {
            holders += ", ";
        }
        holders += std::to_string(pid) + " (" + name + ")";
    }
    return holders;
}

void EventLogWatcher::consumeLeftovers() {
    std::vector<std::pair<std::int64_t, std::filesystem::path>> leftovers;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, ec)) {
        if (auto number = processingNumber(entry.path().filename().string())) {
            leftovers.emplace_back(*number, entry.path());
        }
    }
    std::sort(leftovers.begin(), leftovers.end());
    for (const auto& [number, path] : leftovers) {
        consumeFile(path, true);
    }
}

void EventLogWatcher::consumeFile(const std::filesystem::path& file, bool leftover) {
    // Read-write, for the lock's sake: NFS refuses exclusive locks otherwise.
    FileDescriptor fd(::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid()) {
        fd = FileDescriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    }
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return;
    }
    // The lock marks the copy as being consumed. A copy left behind may be one
    // that another running monitor is consuming right now, and that one is its
    // own. Recorders never wait for this lock: one that still holds the copy
    // open notices that it was moved and writes to the new events file.
    if (EventsFile::lockWithin(fd.get(), LOCK_EX, std::chrono::milliseconds(0)) ==
            EventsFile::LockResult::busy &&
        leftover) {
        return;
    }

    std::vector<ParsedHookEvent> events;
    bool ingestedAny = false;
    auto flush = [&] {
        if (!events.empty()) {
            store_.ingestBatch(events);
            emit batchIngested(events);
            events.clear();
            ingestedAny = true;
        }
    };
    // The time a line without its own recording time is taken to have
    // happened: when its piece of the file was read. Asking the clock once a
    // piece rather than once a line is a few per cent of a large backlog.
    Timestamp readAt = now();
    // Lines are parsed a batch at a time (on two threads where that pays) and
    // handed on in file order.
    std::vector<std::string_view> lines;
    auto takeLines = [&] {
        std::span<const std::string_view> rest(lines);
        while (!rest.empty()) {
            const auto count = std::min(rest.size(), maxBatchEvents - events.size());
            lineParser_.parse(rest.first(count), readAt, events);
            rest = rest.subspan(count);
            if (events.size() >= maxBatchEvents) {
                flush();
            }
        }
        lines.clear();
    };

    // Streamed: the copy can be a backlog of 100 MiB, and only a line at a
    // time needs to be whole in memory. Lines are parsed where they lie, so
    // both buffers keep the parser's padding after their text.
    // Sized to the copy: nearly every consumption is of a line or two, and a
    // mebibyte made and cleared for each would be most of its cost.
    const std::size_t pieceBytes =
        std::clamp<std::size_t>(static_cast<std::size_t>(info.st_size), 4096, readChunkBytes);
    std::string buffer(pieceBytes + HookEnvelope::linePadding, '\0');
    std::string partial; // a line that continues in the next piece
    auto takePartial = [&] {
        if (!partial.empty()) {
            const std::size_t length = partial.size();
            partial.append(HookEnvelope::linePadding, ' ');
            lines.emplace_back(partial.data(), length);
            takeLines();
            partial.clear();
        }
    };
    auto collect = [&](std::string_view line) {
        if (!line.empty()) {
            lines.push_back(line);
            if (lines.size() >= maxBatchEvents) {
                takeLines(); // a piece of tiny lines does not pile up views
            }
        }
    };
    bool readFailed = false;
    while (true) {
        ssize_t n = ::read(fd.get(), buffer.data(), pieceBytes);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            readFailed = true;
            break;
        }
        if (n == 0) {
            break;
        }
        readAt = now();
        std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
        auto newline = chunk.find('\n');
        if (newline == std::string_view::npos) {
            partial.append(chunk);
            continue;
        }
        if (!partial.empty()) {
            partial.append(chunk.substr(0, newline));
            takePartial();
        } else {
            collect(chunk.substr(0, newline));
        }
        chunk.remove_prefix(newline + 1);
        while ((newline = chunk.find('\n')) != std::string_view::npos) {
            collect(chunk.substr(0, newline));
            chunk.remove_prefix(newline + 1);
        }
        takeLines();
        partial.assign(chunk);
    }
    takePartial();
    flush();
    if (readFailed && !ingestedAny) {
        return; // kept rather than deleted: the next start tries it again
    }
    ::unlink(file.c_str());
}

} // namespace quillo
