// SPDX-License-Identifier: GPL-3.0-or-later
#include "DashboardSamples.h"

namespace quillo::DashboardSamples {

namespace {

ClaudeProcess session(const char* id, const char* name, ProcessState state, double startedAgo,
                      double stateAgo, std::optional<TerminalKind> terminal) {
    ClaudeProcess process;
    process.id = id;
    process.name = name;
    process.state = state;
    process.startedAt = sampleNow - Seconds{startedAgo};
    process.stateChangedAt = sampleNow - Seconds{stateAgo};
    process.claudePID = 4200;
    if (terminal) {
        process.terminal = TerminalLocation{*terminal, 1800, 4100, "/dev/pts/3"};
    }
    return process;
}

} // namespace

std::vector<ClaudeProcess> sessions() {
    return {
        session("s1", "quillo-monitor", ProcessState::waitingPermission, 7300, 12,
                TerminalKind::kitty),
        session("s2", "design-system", ProcessState::waitingInput, 5000, 185,
                TerminalKind::gnomeTerminal),
        session("s3", "api-gateway", ProcessState::active, 3900, 3725, std::nullopt),
        session("s4", "notes", ProcessState::completed, 1200, 600, TerminalKind::tmux),
    };
}

RowQuestions questions() {
    return {
        {"s1", RowQuestion{1, QStringLiteral("Bash: npm run build && npm test -- --watch=false"),
                           QStringLiteral("Bash\n{\n    \"command\": \"npm run build && npm "
                                          "test -- --watch=false\"\n}")}}};
}

} // namespace quillo::DashboardSamples
