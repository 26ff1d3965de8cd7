// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recorder.h"

#include "AppPaths.h"
#include "ClaudeParent.h"
#include "EventsFile.h"
#include "FileDescriptor.h"
#include "HookEnvelope.h"
#include "JsonLimits.h"
#include "JsonReader.h"
#include "ProcessChain.h"
#include "Timestamp.h"
#include "Utf8.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo::Recorder {

namespace {

std::optional<std::string_view> environment(const char* name) {
    if (const char* value = std::getenv(name)) {
        return std::string_view(value);
    }
    return std::nullopt;
}

// The debug copy needs no lock: nothing else rewrites it. Like the events
// file, only a regular file is written, and opening it never blocks.
void appendDebugCopy(const std::string& line) {
    FileDescriptor fd(
        EventsFile::openRegular(AppPaths::hookDebugLog(), O_WRONLY | O_APPEND | O_CREAT));
    if (!fd.valid()) {
        return;
    }
    ::fchmod(fd.get(), 0600);
    ssize_t ignored = ::write(fd.get(), line.data(), line.size());
    (void)ignored;
}

} // namespace

nlohmann::json payloadFromInput(std::string_view input) {
    // The envelope puts the payload one level down, and must still be
    // writable: the payload gets one level less than the writer allows.
    if (auto parsed = JsonReader::parse(input, JsonLimits::maxDepth - 1)) {
        return std::move(*parsed);
    }
    if (isValidUtf8(input)) {
        return std::string(input);
    }
    return std::string();
}

std::optional<PermissionQuestion::Question> run() {
    const bool isDebug = environment("QUILLO_DEBUG") == std::optional<std::string_view>("1");
    // A closed or unreadable standard input is just no input.
    const std::string stdinData = readToEnd(STDIN_FILENO).value_or(std::string());
    const nlohmann::json rawPayload = payloadFromInput(stdinData);

    const std::int32_t claudePID =
        chooseClaudePID(static_cast<std::int32_t>(::getppid()), environment("CLAUDE_PID"));
    const auto chain = ProcessChain::walk(claudePID, 32);
    const auto shellTTY = ProcessChain::ttyName(claudePID);

    auto question = PermissionQuestion::fromPayload(rawPayload, claudePID);
    const auto line = HookEnvelope::encodeLine(rawPayload, now(), claudePID, chain, shellTTY);
    if (!line) {
        return question;
    }

    AppPaths::ensureAppSupportDirectory();
    const auto mainPath = AppPaths::eventsLogFile();

    struct stat info {};
    if (::stat(mainPath.c_str(), &info) == 0 &&
        static_cast<std::uintmax_t>(info.st_size) > trimThreshold) {
        EventsFile::trimIfLarger(mainPath, trimThreshold, trimKeepBytes);
    }

    EventsFile::appendLine(mainPath, *line);

    if (isDebug) {
        appendDebugCopy(*line);
    }
    return question;
}

} // namespace quillo::Recorder
