// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessTreeResolver.h"

#include "DiagnosticLogger.h"
#include "ProcessChain.h"
#include "TerminalKind.h"

#include <ostream>

namespace quillo::ProcessTreeResolver {

namespace {

constexpr std::size_t maxHops = 32;

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            text += separator;
        }
        text += parts[i];
    }
    return text;
}

std::string listNotation(const std::vector<std::int32_t>& chain) {
    std::string text = "[";
    for (std::size_t i = 0; i < chain.size(); ++i) {
        if (i > 0) {
            text += ", ";
        }
        text += std::to_string(chain[i]);
    }
    text += ']';
    return text;
}

std::optional<std::string> resolveTTY(const std::vector<std::int32_t>& chain,
                                      std::size_t terminalIndex, std::int32_t shellPID,
                                      const std::optional<std::string>& envelopeTTY, bool verbose,
                                      const Sources& sources, std::ostream& out) {
    if (envelopeTTY && !envelopeTTY->empty()) {
        return envelopeTTY;
    }
    std::vector<std::string> attempts;
    for (std::size_t j = 0; j < terminalIndex; ++j) {
        auto tty = ProcessChain::ttyName(chain[j], sources.proc);
        attempts.push_back("pid=" + std::to_string(chain[j]) + " tty=" + tty.value_or("nil"));
        if (tty) {
            DiagnosticLogger::info("resolve", "tty fallback 命中",
                                   {{"envelopeTTY", "nil"},
                                    {"shellPID", std::to_string(shellPID)},
                                    {"hitPID", std::to_string(chain[j])},
                                    {"hitTTY", *tty},
                                    {"chainAttempts", join(attempts, " | ")}});
            if (verbose) {
                out << "  tty fallback hit pid=" << chain[j] << " tty=" << *tty << "\n";
            }
            return tty;
        }
    }
    DiagnosticLogger::warn("resolve", "tty 解析失败: 整条 chain 都没拿到 tty",
                           {{"envelopeTTY", "nil"},
                            {"shellPID", std::to_string(shellPID)},
                            {"chainAttempts", join(attempts, " | ")}});
    return std::nullopt;
}

} // namespace

std::optional<TerminalLocation> resolve(const std::optional<std::vector<std::int32_t>>& chain,
                                        std::optional<std::int32_t> startingPID,
                                        const std::optional<std::string>& shellTTY, bool verbose,
                                        const Sources& sources, std::ostream& out) {
    std::vector<std::int32_t> working;
    if (chain && !chain->empty()) {
        working = *chain;
    } else if (startingPID) {
        working = ProcessChain::walk(*startingPID, maxHops, sources.proc);
    }
    if (verbose) {
        out << "  chain: " << listNotation(working) << "\n";
    }
    if (working.empty()) {
        return std::nullopt;
    }

    std::optional<std::size_t> terminalIndex;
    std::optional<TerminalKind> kind;
    std::optional<std::string> bundleId;
    for (std::size_t i = 0; i < working.size(); ++i) {
        bundleId = sources.applications.bundleIdentifier(working[i]);
        if (verbose) {
            out << "  [" << i << "] pid=" << working[i]
                << " bundleId=" << bundleId.value_or("(nil)") << "\n";
        }
        if (bundleId) {
            kind = terminalKindFromBundleId(*bundleId);
        }
        if (kind) {
            terminalIndex = i;
            break;
        }
    }
    if (!terminalIndex) {
        return std::nullopt;
    }

    std::size_t i = *terminalIndex;
    // An application's helper process can host the tabs (VS Code's pty host),
    // while its windows belong to the main process above it: the application
    // is the topmost of the ancestors in a row that are the same application.
    std::size_t top = i;
    while (top + 1 < working.size() &&
           sources.applications.bundleIdentifier(working[top + 1]) == bundleId) {
        ++top;
        if (verbose) {
            out << "  [" << top << "] pid=" << working[top] << " same application\n";
        }
    }
    std::int32_t appPID = working[top];
    std::int32_t shellPID = i > 0 ? working[i - 1] : working[0];
    auto tty = resolveTTY(working, i, shellPID, shellTTY, verbose, sources, out);
    if (verbose) {
        out << "  ✅ kind=" << rawValue(*kind) << " appPID=" << appPID << " shellPID=" << shellPID
            << " tty=" << tty.value_or("nil") << "\n";
    }
    return TerminalLocation{.kind = *kind, .appPID = appPID, .shellPID = shellPID, .tty = tty};
}

std::string describe(const std::optional<TerminalLocation>& location) {
    if (!location) {
        return "nil";
    }
    return "TerminalLocation(kind: " + std::string(rawValue(location->kind)) +
           ", appPID: " + std::to_string(location->appPID) +
           ", shellPID: " + std::to_string(location->shellPID) +
           ", tty: " + location->tty.value_or("nil") + ")";
}

} // namespace quillo::ProcessTreeResolver
