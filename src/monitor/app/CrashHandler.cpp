// SPDX-License-Identifier: GPL-3.0-or-later
#include "CrashHandler.h"

#include "AppPaths.h"
#include "DiagnosticLogger.h"
#include "app/FeedbackReport.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo::CrashHandler {

namespace {

// Everything below is filled in by install() and only read by the handler.
constexpr std::size_t pathCapacity = 4096;
char folderPath[pathCapacity];
char reportPrefix[pathCapacity + 128]; // "<folder>/<program>-"
std::size_t reportPrefixLength = 0;
char programName[64];
char versionText[128];
char logPath[pathCapacity];
bool haveLog = false;

// The report's name and the log's tail are built here at crash time; one crash
// per process, so one set of buffers is enough.
char reportPath[pathCapacity + 256];
constexpr std::size_t tailCapacity = 8192;
constexpr int tailLines = 20;
char tailBuffer[tailCapacity];

// The handler runs on its own stack, so that a stack overflow still reports.
alignas(16) char alternateStack[128 * 1024];

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

bool copyInto(char* destination, std::size_t capacity, const std::string& text) {
    if (text.size() + 1 > capacity) {
        return false;
    }
    std::memcpy(destination, text.c_str(), text.size() + 1);
    return true;
}

// A writer that formats without allocation and never fails loudly: a crash
// report is best effort.
class Out {
public:
    explicit Out(int fd) : fd_(fd) {}

    Out& bytes(const char* data, std::size_t size) {
        while (size > 0) {
            ssize_t written = ::write(fd_, data, size);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return *this;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return *this;
    }
    Out& text(const char* string) { return bytes(string, std::strlen(string)); }
    Out& number(unsigned long long value, int minimumDigits = 1) {
        char digits[24];
        int count = 0;
        do {
            digits[sizeof digits - 1 - count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value > 0 || count < minimumDigits);
        return bytes(digits + sizeof digits - count, static_cast<std::size_t>(count));
    }
    Out& signedNumber(long long value) {
        if (value < 0) {
            text("-");
            return number(0ULL - static_cast<unsigned long long>(value));
        }
        return number(static_cast<unsigned long long>(value));
    }
    Out& hex(std::uintptr_t value) {
        char digits[2 + 2 * sizeof value];
        int count = 0;
        do {
            digits[sizeof digits - 1 - count++] = "0123456789abcdef"[value & 0xf];
            value >>= 4;
        } while (value > 0);
        text("0x");
        return bytes(digits + sizeof digits - count, static_cast<std::size_t>(count));
    }

private:
    int fd_;
};

// A fixed-size string builder for the report's path.
struct PathBuilder {
    char* data;
    std::size_t capacity;
    std::size_t length = 0;

    void append(const char* text, std::size_t size) {
        for (std::size_t i = 0; i < size && length + 1 < capacity; ++i) {
            data[length++] = text[i];
        }
        data[length] = '\0';
    }
    void number(unsigned value, int digits) {
        char text[16];
        for (int i = digits - 1; i >= 0; --i) {
            text[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        append(text, static_cast<std::size_t>(digits));
    }
};

struct CivilTime {
    long long year;
    unsigned month, day, hour, minute, second;
};

// Days since 1970-01-01 to a proleptic Gregorian date (gmtime is not safe in a
// signal handler).
CivilTime civilTime(long long secondsSinceEpoch) {
    long long days = secondsSinceEpoch / 86400;
    long long rest = secondsSinceEpoch % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    CivilTime time{};
    time.day = static_cast<unsigned>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.month = static_cast<unsigned>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    time.year = yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0);
    time.hour = static_cast<unsigned>(rest / 3600);
    time.minute = static_cast<unsigned>(rest / 60 % 60);
    time.second = static_cast<unsigned>(rest % 60);
    return time;
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGILL:
        return "SIGILL";
    case SIGFPE:
        return "SIGFPE";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "?";
    }
}

// Creates the report exclusively; a second report in the same second gets a
// numbered name instead of overwriting the first.
int createReport(const CivilTime& time) {
    for (unsigned attempt = 1; attempt <= 9; ++attempt) {
        PathBuilder path{reportPath, sizeof reportPath};
        path.append(reportPrefix, reportPrefixLength);
        path.number(static_cast<unsigned>(time.year), 4);
        path.append("-", 1);
        path.number(time.month, 2);
        path.append("-", 1);
        path.number(time.day, 2);
        path.append("-", 1);
        path.number(time.hour, 2);
        path.number(time.minute, 2);
        path.number(time.second, 2);
        if (attempt > 1) {
            path.append("-", 1);
            path.number(attempt, 1);
        }
        path.append(".crash", 6);
        int fd = ::open(reportPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

// Copies the last lines of the diagnostic log, read into a fixed buffer.
void writeLogTail(Out& out) {
    int fd = ::open(logPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out.text("(none)\n");
        return;
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const off_t start =
        size > static_cast<off_t>(tailCapacity) ? size - static_cast<off_t>(tailCapacity) : 0;
    std::size_t length = 0;
    while (size > 0 && length < tailCapacity) {
        ssize_t got = ::pread(fd, tailBuffer + length, tailCapacity - length,
                              start + static_cast<off_t>(length));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    ::close(fd);

    std::size_t begin = 0;
    if (start > 0) { // the first line is cut: drop it
        while (begin < length && tailBuffer[begin] != '\n') {
            ++begin;
        }
        begin = begin < length ? begin + 1 : length;
    }
    // Keep the last lines only; a trailing line feed does not count as a line.
    std::size_t from = length;
    int lines = 0;
    for (std::size_t i = length; i > begin; --i) {
        if (tailBuffer[i - 1] == '\n' && i != length && ++lines == tailLines) {
            break;
        }
        from = i - 1;
    }
    if (from >= length) {
        out.text("(empty)\n");
        return;
    }
    out.bytes(tailBuffer + from, length - from);
    if (tailBuffer[length - 1] != '\n') {
        out.text("\n");
    }
}

void writeReport(int signal, const siginfo_t* info) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const CivilTime time = civilTime(static_cast<long long>(now.tv_sec));

    ::mkdir(folderPath, 0700); // the folder may have been removed since start
    const int fd = createReport(time);
    if (fd < 0) {
        return;
    }
    Out out(fd);
    out.text(programName).text(" crashed\n");
    out.text("Time: ").signedNumber(time.year).text("-").number(time.month, 2).text("-");
    out.number(time.day, 2).text(" ").number(time.hour, 2).text(":").number(time.minute, 2);
    out.text(":").number(time.second, 2).text(" UTC\n");
    out.text("Version: ").text(versionText).text("\n");
    out.text("Process: ").number(static_cast<unsigned long long>(::getpid())).text("\n");
    out.text("Signal: ").number(static_cast<unsigned long long>(signal)).text(" (");
    out.text(signalName(signal)).text(")");
    if (info) {
        out.text(", code ").signedNumber(info->si_code);
        if (info->si_code == SI_USER || info->si_code == SI_TKILL || info->si_code == SI_QUEUE) {
            out.text(", sent by process ").signedNumber(info->si_pid);
        } else if (signal != SIGABRT) {
            out.text(", address ").hex(reinterpret_cast<std::uintptr_t>(info->si_addr));
        }
    }
    out.text("\n\nBacktrace:\n");
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, fd);
    if (haveLog) {
        out.text("\nDiagnostic log, last lines of ").text(logPath).text(":\n");
        writeLogTail(out);
    }
    ::fsync(fd);
    ::close(fd);
}

void onFatalSignal(int signal, siginfo_t* info, void*) {
    const int savedErrno = errno;
    writeReport(signal, info);
    errno = savedErrno;

    // The handler was reset on entry (SA_RESETHAND); make sure of it and send
    // the signal again, so the process ends as it would have without us. A
    // fault re-faults on return anyway.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

} // namespace

std::filesystem::path crashFolder() {
    return AppPaths::stateDirectory() / "crashes";
}

Settings monitorSettings() {
    return {crashFolder(), "QuilloMac", FeedbackReport::versionString(),
            DiagnosticLogger::fileURL()};
}

bool install(const Settings& settings) {
    const std::string prefix = (settings.folder / (settings.programName + "-")).string();
    if (!copyInto(folderPath, sizeof folderPath, settings.folder.string()) ||
        !copyInto(reportPrefix, sizeof reportPrefix, prefix) ||
        !copyInto(programName, sizeof programName, settings.programName) ||
        !copyInto(versionText, sizeof versionText, settings.version) ||
        !copyInto(logPath, sizeof logPath, settings.diagnosticLog.string())) {
        return false;
    }
    reportPrefixLength = prefix.size();
    haveLog = !settings.diagnosticLog.empty();
    if (!AppPaths::ensurePrivateDirectory(settings.folder)) {
        return false;
    }

    // The first backtrace() loads the unwinder, which allocates; do it now
    // rather than inside the handler.
    void* frame[1];
    ::backtrace(frame, 1);

    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    for (int signal : fatalSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    return true;
}

} // namespace quillo::CrashHandler
