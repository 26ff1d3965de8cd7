// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// What "--render" asks for: one view drawn to a PNG, or the list of views.
struct RenderOptions {
    std::string name;            // a view's name, or "list"
    std::string file;            // the PNG to write; empty with "list"
    std::string language = "zh"; // "zh" or "en"
    int scale = 1;               // 1 or 2
};

// The monitor's command-line modes. A flag counts wherever it stands; the modes
// are tested in the order of the enumeration and the first that applies wins.
struct CommandLine {
    enum class Mode {
        normal,
        help,
        version,
        pairing, // --list-pairings, --unpair NAME: see PairingCommands
        installHook,
        uninstallHook,
        printHookPath,
        debugTree,
        render,
    };

    Mode mode = Mode::normal;
    std::int32_t debugTreePID = 0; // with Mode::debugTree
    bool headless = false;         // "--headless": no window, no tray icon
    RenderOptions render;          // with Mode::render

    // Set when the arguments make no sense (an unknown flag, a missing or bad
    // argument): the message for standard error. Nothing may run then.
    std::optional<std::string> error;
};

// `arguments` is the full argument list, program name first.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The short usage text printed after an error.
std::string commandLineUsage();

// What "--help" prints: the usage, then every mode and option explained.
std::string commandLineHelp();

// What "--version" prints: "QuilloMac VERSION (build N)" and a newline.
std::string versionText();

// Every flag the command line accepts, for checks that each one is documented.
std::vector<std::string> commandLineFlags();

// A signed 32-bit decimal: optional "+" or "-", digits only, no overflow.
std::optional<std::int32_t> parseInt32(const std::string& text);

} // namespace quillo
