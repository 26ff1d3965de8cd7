// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "app/BuildVersion.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

namespace quillo {

namespace {

// Every flag the monitor knows, with how many arguments follow it. Optional
// arguments (beyond `required`) are taken only when they do not look like a flag.
struct FlagSpec {
    std::string_view name;
    std::size_t required;
    std::size_t optional;
};

constexpr std::array knownFlags{
    FlagSpec{"--help", 0, 0},
    FlagSpec{"-h", 0, 0},
    FlagSpec{"--version", 0, 0},
    FlagSpec{"--list-pairings", 0, 0},
    FlagSpec{"--unpair", 1, 0},
    FlagSpec{"--headless", 0, 0},
    FlagSpec{"--install-hook", 0, 0},
    FlagSpec{"--uninstall-hook", 0, 0},
    FlagSpec{"--print-hook-path", 0, 0},
    FlagSpec{"--debug-tree", 1, 0},
    FlagSpec{"--render", 1, 1},
    FlagSpec{"--lang", 1, 0},
    FlagSpec{"--scale", 1, 0},
};

const FlagSpec* findFlag(std::string_view argument) {
    auto it = std::find_if(knownFlags.begin(), knownFlags.end(),
                           [&](const FlagSpec& f) { return f.name == argument; });
    return it == knownFlags.end() ? nullptr : &*it;
}

CommandLine failure(std::string message) {
    CommandLine result;
    result.error = std::move(message);
    return result;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

std::optional<std::int32_t> parseInt32(const std::string& text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > 2147483647LL) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    // First collect every flag with its arguments, then decide.
    std::map<std::string_view, std::vector<std::string>> seen;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const FlagSpec* flag = findFlag(argument);
        if (flag == nullptr) {
            return failure(argument.starts_with("-") ? "unknown option " + quoted(argument)
                                                     : "unexpected argument " + quoted(argument));
        }
        std::vector<std::string> values;
        while (values.size() < flag->required + flag->optional && i + 1 < arguments.size()) {
            const std::string& next = arguments[i + 1];
            if (values.size() >= flag->required && (next.starts_with("--") || findFlag(next))) {
                break;
            }
            values.push_back(next);
            ++i;
        }
        if (values.size() < flag->required) {
            return failure(argument + " needs an argument");
        }
        if (seen.contains(flag->name) && flag->required + flag->optional > 0) {
            return failure(argument + " is given more than once");
        }
        seen[flag->name] = std::move(values);
    }
    auto has = [&](std::string_view flag) { return seen.contains(flag); };

    CommandLine result;
    result.headless = has("--headless");

    if (has("--debug-tree")) {
        const std::string& pid = seen["--debug-tree"].front();
        auto parsed = parseInt32(pid);
        if (!parsed) {
            return failure("--debug-tree needs a process id (a whole number), not " + quoted(pid));
        }
        result.debugTreePID = *parsed;
    }

    if (has("--render")) {
        const auto& values = seen["--render"];
        result.render.name = values[0];
        if (result.render.name == "list") {
            if (values.size() > 1) {
                return failure("--render list takes no file, but got " + quoted(values[1]));
            }
        } else if (values.size() < 2) {
            return failure("--render " + result.render.name + " needs the PNG file to write");
        } else {
            result.render.file = values[1];
        }
    }
    if (has("--lang")) {
        if (!has("--render")) {
            return failure("--lang goes with --render");
        }
        const std::string& language = seen["--lang"].front();
        if (language != "zh" && language != "en") {
            return failure("--lang is zh or en, not " + quoted(language));
        }
        result.render.language = language;
    }
    if (has("--scale")) {
        if (!has("--render")) {
            return failure("--scale goes with --render");
        }
        const std::string& scale = seen["--scale"].front();
        if (scale != "1" && scale != "2") {
            return failure("--scale is 1 or 2, not " + quoted(scale));
        }
        result.render.scale = scale == "2" ? 2 : 1;
    }

    // Asking for help or the version never does anything else.
    if (has("--help") || has("-h")) {
        result.mode = CommandLine::Mode::help;
    } else if (has("--version")) {
        result.mode = CommandLine::Mode::version;
    } else if (has("--list-pairings") || has("--unpair")) {
        result.mode = CommandLine::Mode::pairing;
    } else if (has("--install-hook")) {
        result.mode = CommandLine::Mode::installHook;
    } else if (has("--uninstall-hook")) {
        result.mode = CommandLine::Mode::uninstallHook;
    } else if (has("--print-hook-path")) {
        result.mode = CommandLine::Mode::printHookPath;
    } else if (has("--debug-tree")) {
        result.mode = CommandLine::Mode::debugTree;
    } else if (has("--render")) {
        result.mode = CommandLine::Mode::render;
    }
    return result;
}

std::string commandLineUsage() {
    return "usage: QuilloMac [--headless]\n"
           "       QuilloMac --install-hook | --uninstall-hook | --print-hook-path\n"
           "       QuilloMac --list-pairings | --unpair NAME\n"
           "       QuilloMac --debug-tree PID\n"
           "       QuilloMac --render NAME FILE.png [--lang zh|en] [--scale 1|2]\n"
           "       QuilloMac --render list\n"
           "       QuilloMac --help | --version\n";
}

std::string commandLineHelp() {
    return commandLineUsage() +
           "\n"
           "Shows which Claude Code sessions are working or waiting for you, in the tray and\n"
           "a dashboard, and streams their states to a paired phone. A session that starts\n"
           "waiting for you also shows a desktop notice (see the general settings). Without a\n"
           "display, or with --headless, it runs without windows and prints each change.\n"
           "\n"
           "The windows, the tray icon and the global shortcut need X11: with DISPLAY set\n"
           "(X11, or XWayland in a Wayland session) Quillo runs on Qt's xcb platform\n"
           "whatever QT_QPA_PLATFORM says; QUILLO_QT_PLATFORM chooses another. A Wayland\n"
           "session without XWayland runs it headless.\n"
           "\n"
           "  --headless          run the monitor without windows, tray icon or desktop notices\n"
           "  --install-hook      register the recorder in ~/.claude/settings.json\n"
           "  --uninstall-hook    remove exactly Quillo's entries from that file\n"
           "  --print-hook-path   print the recorder that Claude Code will run\n"
           "  --list-pairings     list the paired phones\n"
           "  --unpair NAME       forget the paired phone NAME\n"
           "  --debug-tree PID    show how the terminal of process PID is found\n"
           "  --render NAME FILE.png\n"
           "                      draw one view with sample data to a PNG, without display\n"
           "  --render list       list the views --render knows\n"
           "  --lang zh|en        with --render: the language (default zh)\n"
           "  --scale 1|2         with --render: the pixel scale (default 1)\n"
           "  -h, --help          show this help\n"
           "  --version           show the version\n"
           "\n"
           "Exit status: 0 on success, 1 when the mode failed, 2 for a wrong command line.\n"
           "See QuilloMac(1) for the files and environment variables.\n";
}

std::string versionText() {
    return std::string("QuilloMac ") + BuildVersion::shortVersion + " (build " +
           BuildVersion::buildNumber + ")\n" +
           "License: GPL-3.0-or-later (GNU General Public License, version 3 or later)\n"
           "This is free software: you may change and share it. There is NO WARRANTY.\n";
}

std::vector<std::string> commandLineFlags() {
    std::vector<std::string> flags;
    for (const FlagSpec& flag : knownFlags) {
        flags.emplace_back(flag.name);
    }
    return flags;
}

} // namespace quillo
