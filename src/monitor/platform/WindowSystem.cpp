// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowSystem.h"

#include <algorithm>

namespace quillo {

std::string_view rawValue(Activation activation) {
    switch (activation) {
    case Activation::activated:
        return "activated";
    case Activation::noWindow:
        return "no_window";
    case Activation::noDisplay:
        return "no_display";
    case Activation::notActivated:
        return "not_activated";
    }
    return "no_display";
}

Activation FakeWindowSystem::activate(std::int32_t pid,
                                      std::optional<std::uint32_t> preferredWindow) {
    Request request{pid, preferredWindow, std::nullopt};
    Activation result = Activation::noDisplay;
    if (displayAvailable_) {
        result = Activation::noWindow;
        auto it = windows_.find(pid);
        if (it != windows_.end() && !it->second.empty()) {
            const auto& windows = it->second;
            bool preferredIsOurs = preferredWindow && std::find(windows.begin(), windows.end(),
                                                                *preferredWindow) != windows.end();
            request.activatedWindow = preferredIsOurs ? *preferredWindow : windows.back();
            result = refusing_ ? Activation::notActivated : Activation::activated;
        }
    }
    requests.push_back(request);
    return result;
}

std::optional<std::uint32_t> FakeWindowSystem::serverTime() {
    if (!displayAvailable_) {
        return std::nullopt;
    }
    return 424242u;
}

std::optional<std::int32_t> FakeWindowSystem::activeWindowPid() {
    return displayAvailable_ ? activePid_ : std::nullopt;
}

} // namespace quillo
