#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// The monitor's command-line modes. A flag counts wherever it stands; the modes
// are tested in the order of the enumeration and the first that applies wins.
struct CommandLine {
    enum class Mode { normal, installHook, uninstallHook, printHookPath, debugTree };

    Mode mode = Mode::normal;
    std::int32_t debugTreePID = 0; // with Mode::debugTree
    bool headless = false;         // "--headless": no window, no tray icon
};

// `arguments` is the full argument list, program name first. "--debug-tree"
// takes the argument right after its first occurrence; when that is missing or
// not a signed 32-bit decimal number, the flag is ignored.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// A signed 32-bit decimal: optional "+" or "-", digits only, no overflow.
std::optional<std::int32_t> parseInt32(const std::string& text);

} // namespace quillo
