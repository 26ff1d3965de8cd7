// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogger.h"

#include "AppPaths.h"
#include "JsonWriter.h"
#include "Utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo::DiagnosticLogger {

namespace {

constexpr double retentionSeconds = 86400.0;

// Stands for the serial queue: writers enter it synchronously.
std::mutex& writeMutex() {
    static std::mutex mutex;
    return mutex;
}

// A log that has not been written to for a day holds nothing recentEntries()
// would return, so it goes as a whole.
void rotateIfNeeded(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return;
    }
    double modified =
        static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
    if (secondsSince1970(now()) - modified > retentionSeconds) {
        ::unlink(file.c_str());
    }
}

// Nothing may grow the log without bound, whoever makes the monitor log: past
// this size the file becomes "diagnostic.log.1" (replacing the one before) and
// a new one starts.
constexpr off_t maxFileBytes = 10 * 1024 * 1024;

void capSize(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && info.st_size >= maxFileBytes) {
        ::rename(file.c_str(), previousFile().c_str());
    }
}

void appendLine(const std::filesystem::path& file, std::string line) {
    int fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    ::fchmod(fd, 0600);
    // A writer that died mid-line left a torn last line; start on a fresh one so
    // this entry is not glued to it and lost with it.
    struct stat info {};
    char last = '\n';
    if (::fstat(fd, &info) == 0 && info.st_size > 0 &&
        ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n') {
        line.insert(line.begin(), '\n');
    }
    ssize_t ignored = ::write(fd, line.data(), line.size());
    (void)ignored;
    ::close(fd);
}

} // namespace

std::string_view rawValue(Severity severity) {
    switch (severity) {
    case Severity::info:
        return "info";
    case Severity::warning:
        return "warning";
    case Severity::error:
        return "error";
    }
    return "info";
}

std::optional<Severity> severityFromRaw(std::string_view raw) {
    for (Severity s : {Severity::info, Severity::warning, Severity::error}) {
        if (rawValue(s) == raw) {
            return s;
        }
    }
    return std::nullopt;
}

std::string makeUUID() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uint64_t high = generator();
    std::uint64_t low = generator();
    high = (high & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL; // version 4
    low = (low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;   // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

std::optional<std::string> encodeEntry(const Entry& entry) {
    // Callers pass what other programs printed (a child's standard error, a
    // file name); a stray byte that is not UTF-8 must not cost the entry.
    nlohmann::json context = nlohmann::json::object();
    for (const auto& [key, value] : entry.context) {
        context[replacingInvalidUtf8(key)] = replacingInvalidUtf8(value);
    }
    nlohmann::json object = {
        {"id", replacingInvalidUtf8(entry.id)},
        {"timestamp", secondsSince1970(entry.timestamp)},
        {"severity", rawValue(entry.severity)},
        {"category", replacingInvalidUtf8(entry.category)},
        {"message", replacingInvalidUtf8(entry.message)},
        {"context", std::move(context)},
    };
    return JsonWriter::compact(object);
}

std::optional<Entry> decodeEntry(std::string_view line) {
    auto object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    auto id = object.find("id");
    auto timestamp = object.find("timestamp");
    auto severity = object.find("severity");
    auto category = object.find("category");
    auto message = object.find("message");
    auto context = object.find("context");
    if (id == object.end() || !id->is_string() || timestamp == object.end() ||
        !timestamp->is_number() || severity == object.end() || !severity->is_string() ||
        category == object.end() || !category->is_string() || message == object.end() ||
        !message->is_string() || context == object.end() || !context->is_object()) {
        return std::nullopt;
    }
    auto level = severityFromRaw(severity->get<std::string>());
    if (!level) {
        return std::nullopt;
    }
    Entry entry;
    entry.id = id->get<std::string>();
    entry.timestamp = timestampFromSeconds(timestamp->get<double>());
    entry.severity = *level;
    entry.category = category->get<std::string>();
    entry.message = message->get<std::string>();
    for (auto it = context->begin(); it != context->end(); ++it) {
        if (!it->is_string()) {
            return std::nullopt;
        }
        entry.context.emplace(it.key(), it->get<std::string>());
    }
    return entry;
}

void log(Severity severity, std::string_view category, std::string_view message,
         const Context& context) {
    Entry entry{makeUUID(), now(), severity, std::string(category), std::string(message), context};
    auto line = encodeEntry(entry);
    std::lock_guard lock(writeMutex());
    AppPaths::ensureAppSupportDirectory();
    auto file = fileURL();
    rotateIfNeeded(file);
    if (!line) {
        return;
    }
    capSize(file);
    line->push_back('\n');
    appendLine(file, *line);
}

void info(std::string_view category, std::string_view message, const Context& context) {
    log(Severity::info, category, message, context);
}

void warn(std::string_view category, std::string_view message, const Context& context) {
    log(Severity::warning, category, message, context);
}

void error(std::string_view category, std::string_view message, const Context& context) {
    log(Severity::error, category, message, context);
}

std::vector<Entry> recentEntries() {
    return recentEntries(now());
}

std::vector<Entry> recentEntries(Timestamp at) {
    std::vector<Entry> entries;
    auto file = fileURL();
    {
        std::lock_guard lock(writeMutex());
        rotateIfNeeded(file);
        rotateIfNeeded(previousFile());
    }
    std::string text;
    for (const auto& path : {previousFile(), file}) {
        std::ifstream input(path, std::ios::binary);
        if (input) {
            std::ostringstream buffer;
            buffer << input.rdbuf();
            text += buffer.str();
            text += '\n';
        }
    }

    const double cutoff = secondsSince1970(at) - retentionSeconds;
    std::string_view rest = text;
    while (!rest.empty()) {
        auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty()) {
            if (auto entry = decodeEntry(line);
                entry && secondsSince1970(entry->timestamp) >= cutoff) {
                entries.push_back(std::move(*entry));
            }
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.timestamp > b.timestamp; });
    return entries;
}

void clear() {
    std::error_code ec;
    std::filesystem::remove(fileURL(), ec);
    std::filesystem::remove(previousFile(), ec);
}

std::filesystem::path fileURL() {
    return AppPaths::appSupportDirectory() / "diagnostic.log";
}

std::filesystem::path previousFile() {
    return AppPaths::appSupportDirectory() / "diagnostic.log.1";
}

} // namespace quillo::DiagnosticLogger
