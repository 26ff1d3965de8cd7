// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillo {

// The outcome of one attempt to bring a session's terminal forward.
struct SwitchResult {
    enum class Kind {
        switched,             // the very tab or pane was selected
        activatedOnly,        // the window came forward, no tab was selected
        unrecognizedTerminal, // the session has no terminal location
        failed,               // a control call failed, or nothing could be brought forward
    };

    Kind kind = Kind::failed;
    std::string message; // the user-facing text of the two failure cases

    static SwitchResult switched() { return {Kind::switched, {}}; }
    static SwitchResult activatedOnly() { return {Kind::activatedOnly, {}}; }
    static SwitchResult unrecognizedTerminal(std::string message) {
        return {Kind::unrecognizedTerminal, std::move(message)};
    }
    static SwitchResult failed(std::string message) { return {Kind::failed, std::move(message)}; }

    // What the phone is told: the first two are a success.
    bool succeeded() const { return kind == Kind::switched || kind == Kind::activatedOnly; }

    bool operator==(const SwitchResult&) const = default;
};

} // namespace quillo
