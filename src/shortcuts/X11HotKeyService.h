// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HotKeyService.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <optional>
#include <vector>

struct xcb_connection_t;
typedef struct _XCBKeySymbols xcb_key_symbols_t; // as xcb_keysyms.h declares it

namespace quillo {

// Global hot keys on X11: a passive key grab on the root window for each
// combination, once per state of NumLock and CapsLock (the server matches the
// modifier state exactly, so a grab without them would stop working whenever
// NumLock is on). Key events reach it through the application's own X
// connection, read by Qt and passed to this native event filter.
class X11HotKeyService : public HotKeyService, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Uses the application's X connection when Qt runs on the xcb platform;
    // otherwise nothing can be registered.
    explicit X11HotKeyService(QObject* parent = nullptr);
    ~X11HotKeyService() override;

    HotKeyAvailability availability() const override;
    HotKeyRegistration registerHotKey(const Shortcut& shortcut) override;
    void unregisterHotKey(const Shortcut& shortcut) override;
    std::optional<std::uint32_t> baseKeysym(std::uint32_t keycode) const override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        Shortcut shortcut;
        std::vector<std::uint8_t> keycodes;
        std::uint16_t modifiers;
    };

    std::vector<std::uint8_t> keycodesFor(std::uint32_t keysym) const;
    std::optional<QString> grab(const Grab& grab);
    void ungrab(const Grab& grab);
    void sync();
    std::vector<std::uint16_t> lockVariants(std::uint16_t modifiers) const;
    void readKeyboardMapping();
    void regrabAfterKeymapChange();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    xcb_key_symbols_t* symbols_ = nullptr;
    std::uint16_t numLockMask_ = 0;
    std::uint8_t xkbEventBase_ = 0; // 0: the server has no keyboard extension
    std::vector<Grab> grabs_;
    // A held key repeats its press; one press is one key-down until released.
    struct Held {
        std::uint8_t keycode;
        Shortcut shortcut;
    };
    std::optional<Held> held_;
};

} // namespace quillo
