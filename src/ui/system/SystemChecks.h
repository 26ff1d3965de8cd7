// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SystemProbes.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace quillo {

enum class SystemCheckState {
    checking,  // no answer yet
    ok,        // works
    attention, // works in part, or could not be told
    problem,   // does not work; the explanation says what follows
};

// What one check found, in the words the system pane shows.
struct SystemCheckResult {
    enum class Kind { localNetwork, transportPort, windowActivation, terminalControl };

    Kind kind = Kind::localNetwork;
    SystemCheckState state = SystemCheckState::checking;
    QString title;
    QString explanation;
    std::optional<QString> fixCommand; // a shell command that fixes or shows it

    bool operator==(const SystemCheckResult&) const = default;
};

// What the computer provides for the phone link and for switching: the local
// network's discovery daemon, the transport port, window activation and the
// terminals' control interfaces.
namespace SystemChecks {

inline constexpr std::chrono::milliseconds probeTimeLimit{2000};

// Asks every probe, each within `timeLimit` (a probe that takes longer counts
// as no answer and is left to finish on its own), and says what they found, in
// the order of `Kind`. The probes run side by side; this blocks for up to
// `timeLimit`: call it off the main thread. `port`: where the phone link listens.
// `phoneConnected`: a phone is connected now, during which the link does not
// listen on purpose (one phone at a time), which is a good state.
std::vector<SystemCheckResult> run(const std::shared_ptr<SystemProbes>& probes, quint16 port,
                                   std::chrono::milliseconds timeLimit = probeTimeLimit,
                                   bool phoneConnected = false);

// The four checks, each still `checking`.
std::vector<SystemCheckResult> pending();

// A plausible set of answers for pictures of the interface: one of each state.
std::vector<SystemCheckResult> samples();

// Whether a table in the form of /proc/net/tcp or tcp6 holds a socket that
// listens on `port`.
bool listensOn(std::string_view procNetTcp, quint16 port);

// Whether a kitty.conf lets Quillo select a kitty window: remote control
// allowed and a socket to reach it.
bool kittyRemoteControlEnabled(std::string_view kittyConf);

} // namespace SystemChecks

} // namespace quillo
