// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Timestamp.h"
#include "installer/ClaudeCodeVersion.h"

#include <nlohmann/json.hpp>

#include <array>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {
class ClaudeVersionSource;
}

namespace quillo::HookInstaller {

// The monitor's only write into a file it does not own: the Claude Code
// settings file. It subscribes the recorder to six hook events, plus the extra
// events that the installed Claude Code knows, with one matcher group per
// event, recognises its own groups among everybody else's, and changes nothing
// else. Every operation reads the file afresh; nothing throws.

// Every Claude Code with hooks knows these; they are enough to be healthy.
inline constexpr std::array<std::string_view, 6> subscribedEvents = {
    "SessionStart", "UserPromptSubmit", "PreToolUse", "Stop", "Notification", "SessionEnd"};

// Events that make the states exact: a permission wait at once (the
// permission_prompt notification only comes 6 s later), its end when the
// approved tool has run, the end of a turn that failed. Each is registered
// only where the installed Claude Code knows it, because an unknown event name
// makes Claude Code show a blocking warning at every start.
// The first version of each comes from the CHANGELOG.md of Claude Code's
// repository (PostToolUse: "Released hooks", 1.0.38; PermissionRequest:
// 2.0.45; StopFailure: 2.1.78). PostToolUseFailure has no entry there; it
// first appears in the program of the npm package @anthropic-ai/claude-code
// 2.0.56 (2.0.55 lacks it). The packages agree on the others: 2.0.30 lacks
// PermissionRequest and 2.0.45 has it; 2.1.77 lacks StopFailure, 2.1.78 has it.
struct ExtraEvent {
    std::string_view name;
    ClaudeCodeVersion since;
};
inline constexpr std::array<ExtraEvent, 4> extraEvents = {{
    {"PermissionRequest", {2, 0, 45}},
    {"PostToolUse", {1, 0, 38}},
    {"PostToolUseFailure", {2, 0, 56}},
    {"StopFailure", {2, 1, 78}},
}};

// The six, then the extras that `version` knows; only the six when the version
// is unknown.
std::vector<std::string_view> eventsFor(std::optional<ClaudeCodeVersion> version);

inline constexpr std::string_view markerKey = "_quillo_marker";
inline constexpr std::string_view currentMarkerValue = "com.quillo.mac";
inline constexpr std::array<std::string_view, 1> legacyMarkerValues = {"me.orvane.quillo"};
inline constexpr std::string_view recorderFileName = "QuilloHook";
inline constexpr std::string_view backupExtensionPrefix = "quillo-backup-";

// Where the installer works and which recorder it registers. The defaults are
// the user's real settings file and the recorder next to this executable; tests
// point both elsewhere.
struct Setup {
    std::filesystem::path settingsPath;
    std::string hookCommandPath; // absolute, unquoted
    // The installed Claude Code, which decides the extra events. Unknown: the
    // six only, and extras registered earlier are kept current, not removed.
    std::optional<ClaudeCodeVersion> claudeCodeVersion;
};

// ~/.claude/settings.json of the current home directory.
std::filesystem::path settingsPath();

// The folder of the running executable (/proc/self/exe).
std::filesystem::path executableDirectory();

// The build folder these programs run from (`executableDirectory`'s parent when
// it holds CMake's cache), or none for an installed copy. A hook or an
// autostart entry that points there breaks with `make clean` or a move.
std::optional<std::filesystem::path> buildFolder(const std::filesystem::path& executableDirectory);

// `executableDirectory` + "/QuilloHook": the recorder ships next to the monitor.
std::string hookBinaryPath();
std::string hookBinaryPath(const std::filesystem::path& executableDirectory);

// The user's files, without looking for Claude Code's version: enough to
// validate and to uninstall.
Setup currentSetup();
// The same with the installed Claude Code's version, for installing. Looking
// may take seconds (see ClaudeVersionSource): not on the main thread.
Setup installSetup(const ClaudeVersionSource& versions);
Setup installSetup();

// The "command" value that runs the recorder: its path in double quotes. The
// shell expands "$", "`" and "\" even inside double quotes, so those (and the
// quote itself) are escaped with a backslash.
std::string hookCommand(std::string_view hookCommandPath);

// The before and after of the settings file.
struct Plan {
    std::string existingText;              // "" when missing, unreadable or not UTF-8
    std::string targetText;                // what the file will hold
    std::optional<std::string> backupPath; // absent exactly when the file does not exist
    std::string hookCommandPath;
    bool willCreateSettingsFile = false;
    bool isNoOp = false; // targetText == existingText (and the plan can be applied)
    // Where the plan applies, so that applying needs nothing else.
    std::string settingsPath;
    // The file is JSON but cannot be written back (see `refusal`): targetText
    // is existingText, isNoOp is false, and applying refuses rather than
    // reporting an installation that did not happen.
    bool serializationFailed = false;
    // The events that hold an own group in targetText, in subscription order.
    std::vector<std::string> registeredEvents;
    // Why the plan cannot be applied. The user's file is never replaced by
    // something built without it: a file that cannot be read as a JSON
    // object is refused, not started afresh (only an empty or missing one is).
    enum class Refusal {
        none,
        cannotSerialise,    // nesting deeper than the writer allows
        valuesCannotBeKept, // a lone surrogate escape, a number out of range
        wouldGrowTooLarge,  // the rewritten file would be many times the size read
        notUtf8,            // a byte that is not UTF-8, at problemLine/problemColumn
        notJson,            // a syntax error at problemLine/problemColumn
        notAnObject,        // JSON, but the root is not an object
        unreadable,         // cannot be read at all; problemDetail says why
    };
    Refusal refusal = Refusal::none;
    // Where the file stops being readable: 1-based line and column (counted in
    // characters), for notUtf8 and notJson.
    int problemLine = 0;
    int problemColumn = 0;
    std::string problemDetail; // unreadable: the system's reason

    bool refused() const { return refusal != Refusal::none; }

    bool operator==(const Plan&) const = default;
};

// Why `plan` cannot be applied, naming the file and where it is broken, in the
// user's language; empty when it can be applied.
std::string refusalMessage(const Plan& plan);

// `text` as the installer would write it back unchanged (the same writer,
// keys sorted, two-space indentation, a final line feed): what a preview
// compares the target with, so that only real changes stand out. Absent when
// `text` is not a JSON object the writer can write.
std::optional<std::string> canonicalText(std::string_view text);
// The same text handed to `piece` in pieces as it is written (every piece but
// the last ends with a line feed), for a reader that only looks at it: a large
// file's canonical text is then never held whole. False, the pieces so far
// meaning nothing, when canonicalText gives nothing.
bool canonicalText(std::string_view text, const std::function<void(std::string_view)>& piece);

// Whether the settings file needs the user's attention before anything can be
// installed: the refusal message of a file that exists but cannot be read as a
// JSON object (see Plan::Refusal); absent for a missing, empty or readable one.
std::optional<std::string> unreadableSettings(const std::filesystem::path& settingsFile);

struct ApplyResult {
    bool success = false;
    // The file no longer holds what the plan was made from (Claude Code or the
    // user changed it since): nothing was written and no backup made. Make a
    // new plan and show it again.
    bool fileChanged = false;
    std::optional<std::string> errorMessage; // localized
    // Where the backup went: the plan's path, or the next free name when that
    // was taken meanwhile.
    std::optional<std::string> backupPath;
};

Plan computePlan(const Setup& setup = installSetup(), Timestamp at = now());

// Backs the existing file up (when the plan names a backup), creates the folder
// and writes the target text atomically, only while the file still holds the
// plan's existing text (or is still missing). A refused plan writes nothing; a
// failed backup writes nothing; a failed write leaves no backup behind; an
// existing backup is never replaced.
ApplyResult apply(const Plan& plan);

// The command-line modes: they print "[quillo] " lines (standard output by
// default). The result is false when something failed (the backup, the
// serialisation, the write); "nothing to remove" is not a failure.
bool install();
bool install(const Setup& setup, std::ostream& out, Timestamp at = now());
bool uninstall();
bool uninstall(const Setup& setup, std::ostream& out);

// All six events have a group with an entry that runs this recorder and carries
// the current marker (or none, as after Claude Code stripped it). The extra
// events are not needed: without them the states are only less exact.
bool validate(const Setup& setup = currentSetup());

// At least one own entry exists under any event.
bool isInstalled(const std::filesystem::path& settingsFile = settingsPath());

// What the hook pane shows, from one reading of the file: whether own entries
// exist, under which events, and why the file needs the user's attention (see
// unreadableSettings).
struct SettingsStatus {
    bool installed = false;
    std::vector<std::string> registeredEvents;
    std::optional<std::string> attention;
};
SettingsStatus settingsStatus(const std::filesystem::path& settingsFile = settingsPath());

// The events that `version` of Claude Code knows but that hold no own group
// yet, in subscription order; empty when nothing of ours is installed (that is
// "not installed", not "incomplete") or the file cannot be read.
std::vector<std::string> missingEvents(const std::filesystem::path& settingsFile,
                                       std::optional<ClaudeCodeVersion> version);

// The events that hold an own group: the subscribed six and the extras in
// their order, then any other event name in alphabetical order. Empty when the
// file cannot be read.
std::vector<std::string>
registeredEvents(const std::filesystem::path& settingsFile = settingsPath());

// Ownership: an entry is ours when its marker is the current or a legacy value,
// or when its command runs a recorder (a quoted absolute path ending in
// "/QuilloHook"), because Claude Code drops unknown keys such as the marker
// when it rewrites the file. A group with any own entry is ours as a whole.
bool isOwnEntry(const nlohmann::json& entry);
bool groupContainsOurMarker(const nlohmann::json& group);

} // namespace quillo::HookInstaller
