// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnboardingSamples.h"

#include <filesystem>
#include <fstream>

namespace quillo::OnboardingSamples {

namespace {

constexpr const char* recorder = "/usr/lib/quillo/QuilloHook";
constexpr const char* userSettings = "/home/you/.claude/settings.json";
const Timestamp sampleTime = timestampFromSeconds(1765000000);

} // namespace

const std::string foreignHooksSettings = R"json({
  "hooks" : {
    "PreToolUse" : [
      {
        "hooks" : [
          {
            "command" : "~\/.claude\/hooks\/check-bash.sh",
            "type" : "command"
          }
        ],
        "matcher" : "Bash"
      }
    ],
    "Stop" : [
      {
        "hooks" : [
          {
            "command" : "notify-send 'Claude Code' 'Turn finished'",
            "type" : "command"
          }
        ],
        "matcher" : ""
      }
    ]
  },
  "model" : "opus",
  "permissions" : {
    "allow" : [
      "Bash(npm run test:*)",
      "Read(~\/notes\/**)"
    ]
  }
}
)json";

SampleHome::SampleHome(const std::string& settingsText) {
    const std::filesystem::path home = dir.path().toStdString();
    setup = {home / ".claude/settings.json", recorder, std::nullopt};
    if (!settingsText.empty()) {
        std::filesystem::create_directories(setup.settingsPath.parent_path());
        std::ofstream(setup.settingsPath, std::ios::binary) << settingsText;
    }
}

HookInstaller::Plan foreignHooksPlan() {
    const SampleHome home(foreignHooksSettings);
    HookInstaller::Plan plan = HookInstaller::computePlan(home.setup, sampleTime);
    plan.settingsPath = userSettings;
    plan.backupPath = std::string(userSettings) + ".quillo-backup-1765000000";
    return plan;
}

PairingAddress pairingAddress() {
    return {"192.168.1.20", 27810,
            "3f9a1c07d25e4b6a8c1f0e9d7b3a5c2e4f6a8b0c1d3e5f7a9b2c4d6e8f0a1b3c", "workstation"};
}

} // namespace quillo::OnboardingSamples
