#include "CommandLine.h"

#include <algorithm>
#include <charconv>

namespace quillo {

std::optional<std::int32_t> parseInt32(const std::string& text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(),
                                       [](char c) { return c >= '0' && c <= '9'; })) {
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
    CommandLine result;
    auto has = [&](const char* flag) {
        return std::find(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(), flag) !=
               arguments.end();
    };
    result.headless = has("--headless");
    if (has("--install-hook")) {
        result.mode = CommandLine::Mode::installHook;
    } else if (has("--uninstall-hook")) {
        result.mode = CommandLine::Mode::uninstallHook;
    } else if (has("--print-hook-path")) {
        result.mode = CommandLine::Mode::printHookPath;
    } else {
        auto flag = std::find(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(),
                              "--debug-tree");
        if (flag != arguments.end() && flag + 1 != arguments.end()) {
            if (auto pid = parseInt32(*(flag + 1))) {
                result.mode = CommandLine::Mode::debugTree;
                result.debugTreePID = *pid;
            }
        }
    }
    return result;
}

} // namespace quillo
