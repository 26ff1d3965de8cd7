#include "Recorder.h"

#include "AppPaths.h"
#include "ClaudeParent.h"
#include "EventsFile.h"
#include "FileDescriptor.h"
#include "HookEnvelope.h"
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

// The debug copy needs no lock: nothing else rewrites it.
void appendDebugCopy(const std::string& line) {
    auto path = AppPaths::hookDebugLog();
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    ::fchmod(fd, 0600);
    ssize_t ignored = ::write(fd, line.data(), line.size());
    (void)ignored;
    ::close(fd);
}

} // namespace

nlohmann::json payloadFromInput(std::string_view input) {
    nlohmann::json parsed = nlohmann::json::parse(input, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_discarded()) {
        return parsed;
    }
    if (isValidUtf8(input)) {
        return std::string(input);
    }
    return std::string();
}

void run() {
    const bool isDebug = environment("QUILLO_DEBUG") == std::optional<std::string_view>("1");
    // A closed or unreadable standard input is just no input.
    const std::string stdinData = readToEnd(STDIN_FILENO).value_or(std::string());
    const nlohmann::json rawPayload = payloadFromInput(stdinData);

    const std::int32_t claudePID =
        chooseClaudePID(static_cast<std::int32_t>(::getppid()), environment("CLAUDE_PID"));
    const auto chain = ProcessChain::walk(claudePID, 32);
    const auto shellTTY = ProcessChain::ttyName(claudePID);

    const auto line = HookEnvelope::encodeLine(rawPayload, now(), claudePID, chain, shellTTY);
    if (!line) {
        return;
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
}

} // namespace quillo::Recorder
