#pragma once

#include <functional>

namespace quillo {

class HookHealthMonitor;
class SettingsStore;

// What the settings panes work with. The desktop shell fills it in; a member
// left empty (render mode, tests) makes its pane show what it can without it,
// never crash. Pointers are not owned and outlive the settings window.
struct SettingsServices {
    SettingsStore* settings = nullptr;
    const HookHealthMonitor* health = nullptr;

    // General: launch at login, language, updates.

    // Hooks, paired phones, terminals and the system checks.

    // About, diagnostics, feedback and the danger zone.
};

} // namespace quillo
