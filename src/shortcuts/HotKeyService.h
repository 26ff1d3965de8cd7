// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Shortcut.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace quillo {

enum class HotKeyAvailability {
    available,
    // XWayland: the X server only sees keys while one of its own windows has focus.
    whileX11WindowFocused,
    // No X11 connection (a Wayland session without XWayland, offscreen, ...).
    noX11,
};

struct HotKeyRegistration {
    bool registered = false;
    // Why the system refused: an X error code, or what was missing locally.
    QString status;
};

// The system's side of global hot keys: holds registrations and reports their
// presses. One implementation talks to the X server; tests use a fake.
class HotKeyService : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual HotKeyAvailability availability() const = 0;
    // All or nothing: a refused registration leaves nothing held.
    virtual HotKeyRegistration registerHotKey(const Shortcut& shortcut) = 0;
    virtual void unregisterHotKey(const Shortcut& shortcut) = 0;

    // The unshifted keysym of a hardware key code, where the system knows one;
    // lets the recorder tell Shift+1 from "!".
    virtual std::optional<std::uint32_t> baseKeysym(std::uint32_t /*keycode*/) const {
        return std::nullopt;
    }

signals:
    void pressed(const quillo::Shortcut& shortcut);
    void released(const quillo::Shortcut& shortcut);
};

} // namespace quillo
