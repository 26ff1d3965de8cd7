// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookInstaller.h"

#include "AppPaths.h"
#include "AtomicFile.h"
#include "JsonWriter.h"
#include "PermissionQuestion.h"
#include "Utf8.h"
#include "platform/SystemClaudeVersionSource.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace quillo::HookInstaller {

using nlohmann::json;

namespace {

// How much of a file a reading keeps: all of it to rewrite the file, only the
// root's "hooks" member to look at the hooks. A settings file can hold
// hundreds of thousands of permission rules, whose tree would cost several
// times the file's size for a check that never looks at them.
enum class Keep { everything, hooksOnly };

bool keepHooksOnly(int depth, json::parse_event_t event, json& parsed) {
    return depth != 1 || event != json::parse_event_t::key || parsed == "hooks";
}

json::parser_callback_t keeping(Keep keep) {
    return keep == Keep::hooksOnly ? json::parser_callback_t(keepHooksOnly) : nullptr;
}

std::optional<json> parseObject(std::string_view text, Keep keep = Keep::everything) {
    json parsed = json::parse(text.begin(), text.end(), keeping(keep), /*allow_exceptions=*/false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        return std::nullopt;
    }
    return parsed;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The length of the JSON number at the start of `text`, or 0 when none is.
std::size_t numberLength(std::string_view text) {
    std::size_t i = 0;
    auto digits = [&] {
        std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
        }
        return i > start;
    };
    if (i < text.size() && text[i] == '-') {
        ++i;
    }
    if (i < text.size() && text[i] == '0') {
        ++i;
    } else if (!digits()) {
        return 0;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits()) {
            return 0;
        }
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (!digits()) {
            return 0;
        }
    }
    return i;
}

// Whether an integer literal fits the 64-bit integers the parser keeps exactly.
bool integerFits(std::string_view literal) {
    bool negative = literal.starts_with('-');
    if (negative) {
        literal.remove_prefix(1);
    }
    std::string_view limit = negative ? "9223372036854775808" : "18446744073709551615";
    return literal.size() < limit.size() || (literal.size() == limit.size() && literal <= limit);
}

// Whether `text` is JSON that Claude Code reads but the parser cannot keep as
// it is: it refuses a lone surrogate escape ("\ud800", which JavaScript
// accepts) and a number out of double range (1e400, Infinity to JavaScript),
// and rounds an integer beyond 64 bits. Each such value is replaced by a
// harmless one of the same length; if the text then parses, it was such JSON.
// Whether `text` may hold such a value at all: a surrogate escape, a run of
// 19 or more digits, an exponent of three or more digits. Most files hold
// none, and are then not copied.
bool mayHoldValuesThatCannotBeKept(std::string_view text) {
    std::size_t digits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            if (++digits >= 19) {
                return true;
            }
            continue;
        }
        digits = 0;
        if (c == '\\' && i + 2 < text.size() && text[i + 1] == 'u' &&
            (text[i + 2] == 'd' || text[i + 2] == 'D')) {
            return true;
        }
        if ((c == 'e' || c == 'E') && i + 3 < text.size()) {
            std::size_t j = i + 1;
            if (text[j] == '+' || text[j] == '-') {
                ++j;
            }
            if (j + 2 < text.size() && isDigit(text[j]) && isDigit(text[j + 1]) &&
                isDigit(text[j + 2])) {
                return true;
            }
        }
    }
    return false;
}

bool holdsValuesThatCannotBeKept(std::string_view text) {
    if (!mayHoldValuesThatCannotBeKept(text)) {
        return false;
    }
    std::string neutral(text);
    bool found = false;
    bool inString = false;
    for (std::size_t i = 0; i < neutral.size(); ++i) {
        char c = neutral[i];
        if (inString) {
            if (c == '"') {
                inString = false;
            } else if (c == '\\' && i + 1 < neutral.size()) {
                if (neutral[i + 1] != 'u' || i + 6 > neutral.size() ||
                    !std::all_of(neutral.begin() + static_cast<std::ptrdiff_t>(i) + 2,
                                 neutral.begin() + static_cast<std::ptrdiff_t>(i) + 6,
                                 isHexDigit)) {
                    ++i;
                    continue;
                }
                unsigned unit = std::stoul(neutral.substr(i + 2, 4), nullptr, 16);
                bool high = unit >= 0xD800 && unit <= 0xDBFF;
                bool low = unit >= 0xDC00 && unit <= 0xDFFF;
                if (high && i + 11 < neutral.size() && neutral[i + 6] == '\\' &&
                    neutral[i + 7] == 'u' &&
                    std::all_of(neutral.begin() + static_cast<std::ptrdiff_t>(i) + 8,
                                neutral.begin() + static_cast<std::ptrdiff_t>(i) + 12,
                                isHexDigit)) {
                    unsigned next = std::stoul(neutral.substr(i + 8, 4), nullptr, 16);
                    if (next >= 0xDC00 && next <= 0xDFFF) {
                        i += 11; // a proper pair
                        continue;
                    }
                }
                if (high || low) {
                    neutral.replace(i + 2, 4, "fffd");
                    found = true;
                }
                i += 5;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '-' || isDigit(c)) {
            std::size_t length = numberLength(std::string_view(neutral).substr(i));
            if (length == 0) {
                continue; // not a number; the parser will say so
            }
            std::string_view literal = std::string_view(neutral).substr(i, length);
            bool integer = literal.find_first_of(".eE") == std::string_view::npos;
            bool kept = integer ? integerFits(literal)
                                : std::isfinite(std::strtod(std::string(literal).c_str(), nullptr));
            if (!kept) {
                neutral.replace(i, length, "0" + std::string(length - 1, ' '));
                found = true;
            }
            i += length - 1;
        }
    }
    return found && parseObject(neutral, Keep::hooksOnly).has_value();
}

std::optional<json> readObject(const std::filesystem::path& path) {
    auto bytes = AtomicFile::read(path);
    if (!bytes) {
        return std::nullopt;
    }
    return parseObject(*bytes, Keep::hooksOnly);
}

// A quoted absolute path whose last component is the recorder, with nothing
// after the closing quote: the command this installer writes, for any install
// location.
bool isRecorderCommand(const json& command) {
    if (!command.is_string()) {
        return false;
    }
    const auto& text = command.get_ref<const std::string&>();
    static const std::string tail = "/" + std::string(recorderFileName) + "\"";
    if (text.size() < tail.size() + 1 || text.front() != '"' || text[1] != '/' ||
        !text.ends_with(tail)) {
        return false;
    }
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            return false; // a second quoted word: not a bare recorder command
        }
    }
    return true;
}

bool isOwnMarker(const json& value) {
    if (!value.is_string()) {
        return false;
    }
    const auto& text = value.get_ref<const std::string&>();
    if (text == currentMarkerValue) {
        return true;
    }
    for (auto legacy : legacyMarkerValues) {
        if (text == legacy) {
            return true;
        }
    }
    return false;
}

json ownGroup(std::string_view event, const std::string& command) {
    json entry = json::object();
    entry["type"] = "command";
    entry["command"] = command;
    if (event == "PermissionRequest") {
        // The recorder waits here for an answer given in Quillo.
        entry["timeout"] = PermissionQuestion::hookTimeLimit.count();
    }
    entry[std::string(markerKey)] = currentMarkerValue;
    json group = json::object();
    group["matcher"] = "";
    group["hooks"] = json::array({std::move(entry)});
    return group;
}

// The most a written file may grow over the file read. The pretty form indents
// by depth, so a deeply nested file could otherwise come back hundreds of times
// its size; an ordinary one grows by a few bytes per line at most.
std::size_t writeLimit(std::size_t sizeRead) {
    return 64 * 1024 + 8 * sizeRead;
}

enum class Serialisation { written, cannotWrite, tooLarge };

// The canonical text of `root`: pretty, sorted, ending with a line feed; within
// the write limit for a file of `sizeRead` bytes.
Serialisation serialise(const json& root, bool trailingLineFeed, std::size_t sizeRead,
                        std::string& text) {
    // Room for the text read, a quarter more (the writer's " : ", its escaped
    // slashes) and the final line feed: a large file is then written without
    // being copied as it grows, and without twice the room it needs.
    auto written = JsonWriter::pretty(root, writeLimit(sizeRead), sizeRead + sizeRead / 4 + 4096);
    if (!written) {
        // The compact form fails for the same reasons as the pretty one, except
        // the size: what it can write, only the indentation made too large.
        return JsonWriter::compact(root) ? Serialisation::tooLarge : Serialisation::cannotWrite;
    }
    text = std::move(*written);
    if (trailingLineFeed && (text.empty() || text.back() != '\n')) {
        text.push_back('\n');
    }
    return Serialisation::written;
}

bool holdsOwnGroup(const json& hooks, std::string_view event) {
    auto it = hooks.find(event);
    if (it == hooks.end() || !it->is_array()) {
        return false;
    }
    for (const auto& group : *it) {
        if (groupContainsOurMarker(group)) {
            return true;
        }
    }
    return false;
}

// Exactly one own group, current, at the end of the event's list. Other tools'
// groups keep their order; elements that are not groups at all (null, strings)
// are dropped, as Claude Code cannot use them.
void registerEvent(json& hooks, std::string_view event, const std::string& command) {
    json groups = json::array();
    if (auto it = hooks.find(event); it != hooks.end() && it->is_array()) {
        for (auto& group : *it) {
            if (group.is_object() && !groupContainsOurMarker(group)) {
                groups.push_back(std::move(group));
            }
        }
    }
    groups.push_back(ownGroup(event, command));
    hooks[std::string(event)] = std::move(groups);
}

// Drops own groups, and the event's key when nothing else was under it: for an
// event the installed Claude Code does not know, the name alone is what makes
// it complain.
void unregisterEvent(json& hooks, std::string_view event) {
    auto it = hooks.find(event);
    if (it == hooks.end() || !it->is_array()) {
        return;
    }
    json kept = json::array();
    bool removed = false;
    for (auto& group : *it) {
        if (groupContainsOurMarker(group)) {
            removed = true;
        } else {
            kept.push_back(std::move(group));
        }
    }
    if (!removed) {
        return;
    }
    if (kept.empty()) {
        hooks.erase(it);
    } else {
        *it = std::move(kept);
    }
}

bool isSubscribable(std::string_view event) {
    return std::ranges::find(subscribedEvents, event) != subscribedEvents.end() ||
           std::ranges::any_of(extraEvents, [&](const ExtraEvent& e) { return e.name == event; });
}

std::vector<std::string> eventsHoldingOwnGroups(const json& hooks) {
    std::vector<std::string> events;
    for (auto event : subscribedEvents) {
        if (holdsOwnGroup(hooks, event)) {
            events.emplace_back(event);
        }
    }
    for (const auto& extra : extraEvents) {
        if (holdsOwnGroup(hooks, extra.name)) {
            events.emplace_back(extra.name);
        }
    }
    for (const auto& item : hooks.items()) { // keys in ascending order
        if (!isSubscribable(item.key()) && holdsOwnGroup(hooks, item.key())) {
            events.push_back(item.key());
        }
    }
    return events;
}

struct Target {
    std::string text;
    std::vector<std::string> registeredEvents;
};

// The settings file with the six events and the extras that `version` knows
// registered, and own groups under extras it does not know removed. With an
// unknown version, extras registered earlier stay and are brought up to date.
Serialisation buildTarget(json root, std::size_t sizeRead, const std::string& command,
                          std::optional<ClaudeCodeVersion> version, Target& target) {
    json hooks = json::object();
    if (auto it = root.find("hooks"); it != root.end() && it->is_object()) {
        hooks = std::move(*it);
    }
    for (auto event : subscribedEvents) {
        registerEvent(hooks, event, command);
    }
    for (const auto& extra : extraEvents) {
        if (version ? *version >= extra.since : holdsOwnGroup(hooks, extra.name)) {
            registerEvent(hooks, extra.name, command);
        } else if (version) {
            unregisterEvent(hooks, extra.name);
        }
    }
    std::vector<std::string> registered = eventsHoldingOwnGroups(hooks);
    root["hooks"] = std::move(hooks);
    target.registeredEvents = std::move(registered);
    return serialise(root, /*trailingLineFeed=*/true, sizeRead, target.text);
}

// 1-based line and column (in characters) of the byte at `offset`.
std::pair<int, int> lineAndColumn(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    int column = 1;
    for (std::size_t i = lineStart; i < offset; ++i) {
        // Continuation bytes belong to the character before them.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

bool onlyWhitespace(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// What the settings file holds, as far as installing is concerned.
struct Inspection {
    bool exists = false;
    std::string bytes;
    std::optional<json> root; // when it is a JSON object the parser can keep (as `Keep` says)
    Plan::Refusal refusal = Plan::Refusal::none;
    int line = 0;
    int column = 0;
    std::string detail;
};

Inspection inspect(const std::filesystem::path& settings, Keep keep) {
    Inspection found;
    struct stat info {};
    found.exists = ::stat(settings.c_str(), &info) == 0;
    if (!found.exists) {
        return found;
    }
    AtomicFile::Error error;
    auto bytes = AtomicFile::read(settings, &error);
    if (!bytes) {
        found.refusal = Plan::Refusal::unreadable;
        found.detail = error;
        return found;
    }
    found.bytes = std::move(*bytes);
    const std::string_view text = found.bytes;
    if (auto bad = firstInvalidUtf8(text); bad != std::string_view::npos) {
        found.refusal = Plan::Refusal::notUtf8;
        std::tie(found.line, found.column) = lineAndColumn(text, bad);
        return found;
    }
    // Nothing written yet: a fresh start, as for a missing file.
    if (onlyWhitespace(text)) {
        return found;
    }
    // JSON whose values would change on the way through is not rewritten:
    // neither replaced as if it were not JSON, nor written back altered.
    if (holdsValuesThatCannotBeKept(text)) {
        found.refusal = Plan::Refusal::valuesCannotBeKept;
        return found;
    }
    try {
        json parsed = json::parse(text.begin(), text.end(), keeping(keep));
        if (!parsed.is_object()) {
            found.refusal = Plan::Refusal::notAnObject;
            return found;
        }
        found.root = std::move(parsed);
    } catch (const json::parse_error& e) {
        found.refusal = Plan::Refusal::notJson;
        // `byte` counts the characters read, the offending one included.
        std::tie(found.line, found.column) = lineAndColumn(text, e.byte > 0 ? e.byte - 1 : 0);
    }
    return found;
}

// The backup's name: the settings file's, with the time in whole seconds, and
// a counter after it when that name is taken: a backup is never replaced (two
// installs in one second must not lose the first backup's text).
std::string backupPathFor(const std::filesystem::path& settings, Timestamp at) {
    const auto seconds = static_cast<long long>(secondsSince1970(at)); // truncated
    return settings.string() + "." + std::string(backupExtensionPrefix) + std::to_string(seconds);
}

bool pathIsTaken(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The first free name from `first` on, counting up after the seconds.
std::string freeBackupPath(const std::string& first) {
    std::string base = first;
    int attempt = 1;
    // "<settings>.quillo-backup-<seconds>[-<n>]": continue from n.
    const auto marker = base.rfind(backupExtensionPrefix);
    if (auto dash = base.rfind('-'); marker != std::string::npos &&
                                     dash > marker + backupExtensionPrefix.size() &&
                                     dash != std::string::npos) {
        attempt = std::atoi(base.c_str() + dash + 1);
        base.resize(dash);
    }
    for (;; ++attempt) {
        std::string candidate = attempt > 1 ? base + "-" + std::to_string(attempt) : base;
        if (!pathIsTaken(candidate)) {
            return candidate;
        }
    }
}

std::string localized(const char* format, const std::string& argument) {
    return QCoreApplication::translate("HookInstaller", format)
        .arg(QString::fromStdString(argument))
        .toStdString();
}

// One line of a command-line mode, in the user's language.
std::string say(const char* line, const std::string& argument = {}) {
    QString text = QCoreApplication::translate("HookInstaller", line);
    if (text.contains(QLatin1String("%1"))) {
        text = text.arg(QString::fromStdString(argument));
    }
    return text.toStdString() + "\n";
}

std::string joined(const std::vector<std::string>& events) {
    std::string joined;
    for (const auto& event : events) {
        if (!joined.empty()) {
            joined += ", ";
        }
        joined += event;
    }
    return joined;
}

// Private parents stay private: ~/.claude holds Claude Code's credentials.
void createParentFolder(const std::filesystem::path& settings) {
    const auto folder = settings.parent_path();
    if (folder.empty()) {
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder.parent_path(), ec);
    (void)::mkdir(folder.c_str(), 0700);
}

} // namespace

std::filesystem::path settingsPath() {
    return AppPaths::homeDirectory() / ".claude" / "settings.json";
}

std::filesystem::path executableDirectory() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0) {
        return std::filesystem::path(std::string(buffer, static_cast<std::size_t>(length)))
            .parent_path();
    }
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationDirPath().toStdString();
    }
    std::error_code ec;
    return std::filesystem::current_path(ec);
}

std::optional<std::filesystem::path> buildFolder(const std::filesystem::path& executableDirectory) {
    const std::filesystem::path folder = executableDirectory.parent_path();
    std::error_code ec;
    if (std::filesystem::is_regular_file(folder / "CMakeCache.txt", ec)) {
        return folder;
    }
    return std::nullopt;
}

std::string hookBinaryPath() {
    return hookBinaryPath(executableDirectory());
}

std::string hookBinaryPath(const std::filesystem::path& executableDirectory) {
    return (executableDirectory / recorderFileName).string();
}

std::vector<std::string_view> eventsFor(std::optional<ClaudeCodeVersion> version) {
    std::vector<std::string_view> events(subscribedEvents.begin(), subscribedEvents.end());
    if (version) {
        for (const auto& extra : extraEvents) {
            if (*version >= extra.since) {
                events.push_back(extra.name);
            }
        }
    }
    return events;
}

Setup currentSetup() {
    return {settingsPath(), hookBinaryPath(), std::nullopt};
}

Setup installSetup(const ClaudeVersionSource& versions) {
    Setup setup = currentSetup();
    setup.claudeCodeVersion = versions.installedVersion();
    return setup;
}

Setup installSetup() {
    return installSetup(SystemClaudeVersionSource());
}

std::string hookCommand(std::string_view hookCommandPath) {
    std::string command = "\"";
    for (char c : hookCommandPath) {
        if (c == '"' || c == '\\' || c == '$' || c == '`') {
            command += '\\';
        }
        command += c;
    }
    command += '"';
    return command;
}

bool isOwnEntry(const json& entry) {
    if (!entry.is_object()) {
        return false;
    }
    if (auto marker = entry.find(markerKey); marker != entry.end() && isOwnMarker(*marker)) {
        return true;
    }
    auto command = entry.find("command");
    return command != entry.end() && isRecorderCommand(*command);
}

bool groupContainsOurMarker(const json& group) {
    if (!group.is_object()) {
        return false;
    }
    auto entries = group.find("hooks");
    if (entries == group.end() || !entries->is_array()) {
        return false;
    }
    for (const auto& entry : *entries) {
        if (isOwnEntry(entry)) {
            return true;
        }
    }
    return false;
}

Plan computePlan(const Setup& setup, Timestamp at) {
    Plan plan;
    plan.settingsPath = setup.settingsPath.string();
    plan.hookCommandPath = setup.hookCommandPath;
    Inspection found = inspect(setup.settingsPath, Keep::everything);
    plan.willCreateSettingsFile = !found.exists;
    if (found.exists) {
        plan.backupPath = freeBackupPath(backupPathFor(setup.settingsPath, at));
        if (found.refusal != Plan::Refusal::notUtf8 && found.refusal != Plan::Refusal::unreadable) {
            plan.existingText = std::move(found.bytes);
        }
    }
    plan.refusal = found.refusal;
    plan.problemLine = found.line;
    plan.problemColumn = found.column;
    plan.problemDetail = std::move(found.detail);
    if (!plan.refused()) {
        Target target;
        Serialisation built = buildTarget(
            found.root ? std::move(*found.root) : json::object(), plan.existingText.size(),
            hookCommand(setup.hookCommandPath), setup.claudeCodeVersion, target);
        plan.targetText = std::move(target.text);
        plan.registeredEvents = std::move(target.registeredEvents);
        if (built == Serialisation::tooLarge) {
            plan.refusal = Plan::Refusal::wouldGrowTooLarge;
        } else if (built == Serialisation::cannotWrite) {
            plan.refusal = Plan::Refusal::cannotSerialise;
        }
    }
    if (plan.refused()) {
        plan.targetText = plan.existingText;
        plan.registeredEvents.clear();
        plan.serializationFailed = plan.refusal == Plan::Refusal::cannotSerialise ||
                                   plan.refusal == Plan::Refusal::valuesCannotBeKept ||
                                   plan.refusal == Plan::Refusal::wouldGrowTooLarge;
    }
    // A plan that cannot be applied is never "already up to date": applying it
    // reports the failure instead.
    plan.isNoOp = !plan.refused() && plan.targetText == plan.existingText;
    return plan;
}

std::string refusalMessage(const Plan& plan) {
    auto translated = [](const char* text) {
        return QCoreApplication::translate("HookInstaller", text);
    };
    const QString file = QString::fromStdString(plan.settingsPath);
    switch (plan.refusal) {
    case Plan::Refusal::none:
        return {};
    case Plan::Refusal::cannotSerialise:
        return translated(QT_TRANSLATE_NOOP("HookInstaller", "settings.json 序列化失败"))
            .toStdString();
    case Plan::Refusal::valuesCannotBeKept:
        return translated(QT_TRANSLATE_NOOP("HookInstaller",
                                            "settings.json 含有无法原样保留的值 "
                                            "(如单独的代理项转义或超出范围的数字), 未做任何修改"))
            .toStdString();
    case Plan::Refusal::wouldGrowTooLarge:
        return translated(
                   QT_TRANSLATE_NOOP("HookInstaller",
                                     "settings.json 嵌套过深, 重写后会远大于原文件, 未做任何修改"))
            .toStdString();
    case Plan::Refusal::notUtf8:
        return translated(QT_TRANSLATE_NOOP("HookInstaller",
                                            "%1 第 %2 行第 %3 列不是 UTF-8 文本。请先修正这个文件, "
                                            "未做任何修改"))
            .arg(file)
            .arg(plan.problemLine)
            .arg(plan.problemColumn)
            .toStdString();
    case Plan::Refusal::notJson:
        return translated(
                   QT_TRANSLATE_NOOP("HookInstaller",
                                     "%1 不是有效的 JSON: 第 %2 行第 %3 列有误。请先修正这个文件, "
                                     "未做任何修改"))
            .arg(file)
            .arg(plan.problemLine)
            .arg(plan.problemColumn)
            .toStdString();
    case Plan::Refusal::notAnObject:
        return translated(QT_TRANSLATE_NOOP("HookInstaller",
                                            "%1 的内容不是 JSON 对象 ({ ... })。请先修正这个文件, "
                                            "未做任何修改"))
            .arg(file)
            .toStdString();
    case Plan::Refusal::unreadable:
        return translated(QT_TRANSLATE_NOOP("HookInstaller", "无法读取 %1: %2, 未做任何修改"))
            .arg(file, QString::fromStdString(plan.problemDetail))
            .toStdString();
    }
    return {};
}

std::optional<std::string> canonicalText(std::string_view text) {
    auto root = parseObject(text);
    if (!root) {
        return std::nullopt;
    }
    std::string written;
    if (serialise(*root, /*trailingLineFeed=*/true, text.size(), written) !=
        Serialisation::written) {
        return std::nullopt;
    }
    return written;
}

bool canonicalText(std::string_view text, const std::function<void(std::string_view)>& piece) {
    auto root = parseObject(text);
    if (!root) {
        return false;
    }
    // The pretty text of an object ends with its "}": the line feed that
    // serialise adds comes after it, as a piece of its own.
    if (!JsonWriter::prettyInPieces(*root, writeLimit(text.size()), piece)) {
        return false;
    }
    piece("\n");
    return true;
}

namespace {

std::optional<std::string> attentionFor(const std::filesystem::path& settingsFile,
                                        const Inspection& found) {
    switch (found.refusal) {
    case Plan::Refusal::notUtf8:
    case Plan::Refusal::notJson:
    case Plan::Refusal::notAnObject:
    case Plan::Refusal::unreadable: {
        Plan plan;
        plan.settingsPath = settingsFile.string();
        plan.refusal = found.refusal;
        plan.problemLine = found.line;
        plan.problemColumn = found.column;
        plan.problemDetail = found.detail;
        return refusalMessage(plan);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::string> unreadableSettings(const std::filesystem::path& settingsFile) {
    return attentionFor(settingsFile, inspect(settingsFile, Keep::hooksOnly));
}

SettingsStatus settingsStatus(const std::filesystem::path& settingsFile) {
    const Inspection found = inspect(settingsFile, Keep::hooksOnly);
    SettingsStatus status;
    status.attention = attentionFor(settingsFile, found);
    if (found.root) {
        if (auto hooks = found.root->find("hooks");
            hooks != found.root->end() && hooks->is_object()) {
            status.registeredEvents = eventsHoldingOwnGroups(*hooks);
            status.installed = std::ranges::any_of(*hooks, [](const json& groups) {
                return groups.is_array() && std::ranges::any_of(groups, groupContainsOurMarker);
            });
        }
    }
    return status;
}

ApplyResult apply(const Plan& plan) {
    const std::filesystem::path settings = plan.settingsPath;
    if (plan.refused()) {
        return {false, false, refusalMessage(plan), std::nullopt};
    }
    // The plan holds for the file it was made from only: a change made since
    // (a new permission, another model) must not be undone by old text. The
    // check is cheap and early, so that no backup is made for nothing; the
    // write below checks again at the last moment.
    const auto current = AtomicFile::read(settings);
    const bool exists = current.has_value() || pathIsTaken(AtomicFile::resolveSymlinks(settings));
    if (exists == plan.willCreateSettingsFile || (current && *current != plan.existingText)) {
        return {false, true, std::nullopt, std::nullopt};
    }
    std::optional<std::string> backupPath;
    if (plan.backupPath && current) {
        // The copy never replaces anything at its path: a name taken since the
        // plan was made (another install in the same second) moves it on.
        backupPath = freeBackupPath(*plan.backupPath);
        std::optional<AtomicFile::Error> error;
        while ((error = AtomicFile::copy(settings, *backupPath, AtomicFile::Existing::keep)) &&
               pathIsTaken(*backupPath)) {
            backupPath = freeBackupPath(*backupPath);
        }
        if (error) {
            return {false, false,
                    localized(QT_TRANSLATE_NOOP("HookInstaller", "备份 settings.json 失败: %1"),
                              *error),
                    std::nullopt};
        }
    }
    createParentFolder(settings);
    const auto expected = plan.willCreateSettingsFile
                              ? std::nullopt
                              : std::optional<std::string_view>(plan.existingText);
    const AtomicFile::WriteResult written =
        AtomicFile::writeIfUnchanged(settings, plan.targetText, expected);
    if (written.outcome != AtomicFile::Outcome::written && backupPath) {
        // A backup of a file that was not replaced would only pile up.
        ::unlink(backupPath->c_str());
    }
    switch (written.outcome) {
    case AtomicFile::Outcome::written:
        return {true, false, std::nullopt, backupPath};
    case AtomicFile::Outcome::changed:
        return {false, true, std::nullopt, std::nullopt};
    case AtomicFile::Outcome::failed:
        break;
    }
    return {
        false, false,
        localized(QT_TRANSLATE_NOOP("HookInstaller", "写入 settings.json 失败: %1"), written.error),
        std::nullopt};
}

bool install() {
    return install(installSetup(), std::cout);
}

bool install(const Setup& setup, std::ostream& out, Timestamp at) {
    Plan plan = computePlan(setup, at);
    ApplyResult result;
    // Claude Code may rewrite the file between reading and writing; the plan
    // is made again from what the file holds then, a few times at most.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (plan.backupPath && !plan.isNoOp && !plan.refused()) {
            out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] 即将备份 settings.json -> %1"),
                       *plan.backupPath);
        }
        result = apply(plan);
        if (!result.fileChanged) {
            break;
        }
        plan = computePlan(setup, at);
    }
    if (!result.success) {
        const std::string reason =
            result.fileChanged
                ? localized(QT_TRANSLATE_NOOP("HookInstaller", "%1 在写入时一再被修改, 请稍后再试"),
                            plan.settingsPath)
                : result.errorMessage.value_or("?");
        out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] 安装失败: %1"), reason);
        out.flush();
        return false;
    }
    out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] hook 已安装 -> %1"), plan.settingsPath);
    out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] 二进制路径: %1"), plan.hookCommandPath);
    out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] 订阅事件: %1"),
               joined(plan.registeredEvents));
    if (setup.claudeCodeVersion) {
        out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] Claude Code 版本: %1"),
                   setup.claudeCodeVersion->text());
    } else {
        // Extras registered earlier stay; none is added without knowing that
        // Claude Code accepts it.
        out << say(QT_TRANSLATE_NOOP("HookInstaller",
                                     "[quillo] 未找到 Claude Code 的版本,不添加新的事件"));
    }
    out.flush();
    return true;
}

namespace {

Plan refusedFor(const Setup& setup, Plan::Refusal refusal) {
    Plan plan;
    plan.settingsPath = setup.settingsPath.string();
    plan.refusal = refusal;
    return plan;
}

} // namespace

bool uninstall() {
    return uninstall(currentSetup(), std::cout);
}

bool uninstall(const Setup& setup, std::ostream& out) {
    auto bytes = AtomicFile::read(setup.settingsPath);
    const std::size_t sizeRead = bytes ? bytes->size() : 0;
    auto root = bytes ? parseObject(*bytes) : std::nullopt;
    if (!root) {
        out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] 未找到 %1,无需清理"),
                   setup.settingsPath.string());
        out.flush();
        return true;
    }
    auto hooks = root->find("hooks");
    if (hooks == root->end() || !hooks->is_object()) {
        out << say(
            QT_TRANSLATE_NOOP("HookInstaller", "[quillo] settings.json 中未配置 hooks,无需清理"));
        out.flush();
        return true;
    }
    // Every event, not only the subscribed six: an own group may have been
    // copied under another event by hand. Only what held own groups changes.
    int removed = 0;
    for (auto it = hooks->begin(); it != hooks->end();) {
        if (!it->is_array()) {
            ++it;
            continue;
        }
        json kept = json::array();
        int removedHere = 0;
        for (auto& group : *it) {
            if (groupContainsOurMarker(group)) {
                ++removedHere;
            } else {
                kept.push_back(std::move(group));
            }
        }
        removed += removedHere;
        if (removedHere > 0 && kept.empty()) {
            it = hooks->erase(it);
        } else {
            *it = std::move(kept);
            ++it;
        }
    }
    if (removed > 0 && hooks->empty()) {
        root->erase(hooks);
    }
    std::string text;
    switch (serialise(*root, /*trailingLineFeed=*/false, sizeRead, text)) {
    case Serialisation::written:
        break;
    case Serialisation::tooLarge:
        out << "[quillo] " << refusalMessage(refusedFor(setup, Plan::Refusal::wouldGrowTooLarge))
            << "\n";
        out.flush();
        return false;
    case Serialisation::cannotWrite:
        out << "[quillo] " << refusalMessage(refusedFor(setup, Plan::Refusal::cannotSerialise))
            << "\n";
        out.flush();
        return false;
    }
    if (auto error = AtomicFile::write(setup.settingsPath, text)) {
        out << say(QT_TRANSLATE_NOOP("HookInstaller", "[quillo] 写入失败: %1"), *error);
        out.flush();
        return false;
    }
    out << say(
        QT_TRANSLATE_NOOP("HookInstaller", "[quillo] 已从 settings.json 移除 %1 条 hook 条目"),
        std::to_string(removed));
    out.flush();
    return true;
}

bool validate(const Setup& setup) {
    const auto root = readObject(setup.settingsPath);
    if (!root) {
        return false;
    }
    const auto hooks = root->find("hooks");
    if (hooks == root->end() || !hooks->is_object()) {
        return false;
    }
    const std::string command = hookCommand(setup.hookCommandPath);
    auto isCurrentEntry = [&](const json& entry) {
        if (!entry.is_object()) {
            return false;
        }
        auto commandValue = entry.find("command");
        if (commandValue == entry.end() || *commandValue != command) {
            return false;
        }
        // A stripped marker is fine (Claude Code drops unknown keys); a legacy
        // or foreign one means an older installation.
        auto marker = entry.find(markerKey);
        return marker == entry.end() || *marker == currentMarkerValue;
    };
    for (auto event : subscribedEvents) {
        auto groups = hooks->find(event);
        if (groups == hooks->end() || !groups->is_array()) {
            return false;
        }
        bool found = false;
        for (const auto& group : *groups) {
            if (!group.is_object()) {
                return false; // Claude Code rejects such a list
            }
            auto entries = group.find("hooks");
            if (!found && entries != group.end() && entries->is_array()) {
                for (const auto& entry : *entries) {
                    if (isCurrentEntry(entry)) {
                        found = true;
                        break;
                    }
                }
            }
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> missingEvents(const std::filesystem::path& settingsFile,
                                       std::optional<ClaudeCodeVersion> version) {
    const std::vector<std::string> registered = registeredEvents(settingsFile);
    std::vector<std::string> missing;
    if (registered.empty()) {
        return missing;
    }
    for (auto event : eventsFor(version)) {
        if (std::ranges::find(registered, event) == registered.end()) {
            missing.emplace_back(event);
        }
    }
    return missing;
}

std::vector<std::string> registeredEvents(const std::filesystem::path& settingsFile) {
    const auto root = readObject(settingsFile);
    if (!root) {
        return {};
    }
    const auto hooks = root->find("hooks");
    if (hooks == root->end() || !hooks->is_object()) {
        return {};
    }
    return eventsHoldingOwnGroups(*hooks);
}

bool isInstalled(const std::filesystem::path& settingsFile) {
    const auto root = readObject(settingsFile);
    if (!root) {
        return false;
    }
    const auto hooks = root->find("hooks");
    if (hooks == root->end() || !hooks->is_object()) {
        return false;
    }
    for (const auto& groups : *hooks) {
        if (!groups.is_array()) {
            continue;
        }
        for (const auto& group : groups) {
            if (groupContainsOurMarker(group)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace quillo::HookInstaller
