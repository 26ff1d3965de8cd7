#pragma once

#include "Timestamp.h"

#include <nlohmann/json.hpp>

#include <array>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace quillo::HookInstaller {

// The monitor's only write into a file it does not own: the Claude Code
// settings file. It subscribes the recorder to six hook events with one matcher
// group per event, recognises its own groups among everybody else's, and
// changes nothing else. Every operation reads the file afresh; nothing throws.

inline constexpr std::array<std::string_view, 6> subscribedEvents = {
    "SessionStart", "UserPromptSubmit", "PreToolUse", "Stop", "Notification", "SessionEnd"};
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
};

// ~/.claude/settings.json of the current home directory.
std::filesystem::path settingsPath();

// The folder of the running executable (/proc/self/exe).
std::filesystem::path executableDirectory();

// `executableDirectory` + "/QuilloHook": the recorder ships next to the monitor.
std::string hookBinaryPath();
std::string hookBinaryPath(const std::filesystem::path& executableDirectory);

Setup currentSetup();

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
    enum class Refusal {
        none,
        cannotSerialise,    // nesting deeper than the writer allows
        valuesCannotBeKept, // a lone surrogate escape, a number out of range
        wouldGrowTooLarge,  // the rewritten file would be many times the size read
    };
    Refusal refusal = Refusal::none;

    bool operator==(const Plan&) const = default;
};

struct ApplyResult {
    bool success = false;
    std::optional<std::string> errorMessage; // localized
    // Where the backup went: the plan's path, or the next free name when that
    // was taken meanwhile.
    std::optional<std::string> backupPath;
};

Plan computePlan(const Setup& setup = currentSetup(), Timestamp at = now());

// Backs the existing file up (when the plan names a backup), creates the folder
// and writes the target text atomically. A failed backup writes nothing; an
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
// the current marker (or none, as after Claude Code stripped it).
bool validate(const Setup& setup = currentSetup());

// At least one own entry exists under any event.
bool isInstalled(const std::filesystem::path& settingsFile = settingsPath());

// Ownership: an entry is ours when its marker is the current or a legacy value,
// or when its command runs a recorder (a quoted absolute path ending in
// "/QuilloHook"), because Claude Code drops unknown keys such as the marker
// when it rewrites the file. A group with any own entry is ours as a whole.
bool isOwnEntry(const nlohmann::json& entry);
bool groupContainsOurMarker(const nlohmann::json& group);

} // namespace quillo::HookInstaller
