// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11HotKeyService.h"

#include "CarbonKeys.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#define XK_MISCELLANY
#include <X11/keysymdef.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace quillo {

namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> XcbReply<T> adopt(T* reply) {
    return XcbReply<T>(reply, &std::free);
}

bool onWayland() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

} // namespace

X11HotKeyService::X11HotKeyService(QObject* parent) : HotKeyService(parent) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        return;
    }
    connection_ = x11->connection();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    static constexpr char xkbName[] = "XKEYBOARD";
    auto xkb = adopt(xcb_query_extension_reply(
        connection_, xcb_query_extension(connection_, sizeof xkbName - 1, xkbName), nullptr));
    if (xkb && xkb->present) {
        xkbEventBase_ = xkb->first_event;
    }
    readKeyboardMapping();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyService::~X11HotKeyService() {
    // The connection is the application's: gone with it, and its grabs with it.
    if (!connection_ || !QCoreApplication::instance()) {
        if (symbols_) {
            xcb_key_symbols_free(symbols_);
        }
        return;
    }
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const auto& grab : grabs_) {
        ungrab(grab);
    }
    xcb_flush(connection_);
    if (symbols_) {
        xcb_key_symbols_free(symbols_);
    }
}

HotKeyAvailability X11HotKeyService::availability() const {
    if (!connection_) {
        return HotKeyAvailability::noX11;
    }
    return onWayland() ? HotKeyAvailability::whileX11WindowFocused : HotKeyAvailability::available;
}

void X11HotKeyService::readKeyboardMapping() {
    if (symbols_) {
        xcb_key_symbols_free(symbols_);
    }
    symbols_ = xcb_key_symbols_alloc(connection_);

    // Which of Mod1..Mod5 NumLock is bound to depends on the keymap.
    numLockMask_ = 0;
    auto numLockCodes = keycodesFor(XK_Num_Lock);
    auto reply = adopt(xcb_get_modifier_mapping_reply(
        connection_, xcb_get_modifier_mapping(connection_), nullptr));
    if (!reply) {
        return;
    }
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code != 0 && std::ranges::find(numLockCodes, code) != numLockCodes.end()) {
                numLockMask_ |= static_cast<std::uint16_t>(1u << modifier);
            }
        }
    }
}

std::vector<std::uint8_t> X11HotKeyService::keycodesFor(std::uint32_t keysym) const {
    // The keys that carry the keysym unshifted; failing that, shifted (the keypad
    // digits sit on the second level). Searching every level at once would let
    // Ctrl+1 grab the keypad's End key as well.
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    std::vector<std::uint8_t> found;
    for (int level = 0; level < 2 && found.empty(); ++level) {
        for (int code = setup->min_keycode; code <= setup->max_keycode; ++code) {
            if (xcb_key_symbols_get_keysym(symbols_, static_cast<xcb_keycode_t>(code), level) ==
                keysym) {
                found.push_back(static_cast<std::uint8_t>(code));
            }
        }
    }
    return found;
}

std::vector<std::uint16_t> X11HotKeyService::lockVariants(std::uint16_t modifiers) const {
    std::vector<std::uint16_t> variants{modifiers,
                                        static_cast<std::uint16_t>(modifiers | XCB_MOD_MASK_LOCK)};
    if (numLockMask_ != 0) {
        variants.push_back(modifiers | numLockMask_);
        variants.push_back(modifiers | numLockMask_ | XCB_MOD_MASK_LOCK);
    }
    return variants;
}

std::optional<QString> X11HotKeyService::grab(const Grab& grab) {
    std::vector<xcb_void_cookie_t> cookies;
    for (auto keycode : grab.keycodes) {
        for (auto modifiers : lockVariants(grab.modifiers)) {
            cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, modifiers, keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    std::optional<QString> refusal;
    for (auto cookie : cookies) {
        auto error = adopt(xcb_request_check(connection_, cookie));
        if (error && !refusal) {
            refusal = QString::number(error->error_code);
        }
    }
    if (refusal) {
        // Another client holds one of the variants: release the ones we got, so
        // the combination does not half work.
        ungrab(grab);
        sync();
    }
    return refusal;
}

void X11HotKeyService::sync() {
    // A round trip: once it returns, the server has carried out every request
    // sent before, so a released combination is free for others right away
    // (requests of different clients are otherwise served in any order).
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void X11HotKeyService::ungrab(const Grab& grab) {
    for (auto keycode : grab.keycodes) {
        for (auto modifiers : lockVariants(grab.modifiers)) {
            xcb_ungrab_key(connection_, keycode, root_, modifiers);
        }
    }
}

HotKeyRegistration X11HotKeyService::registerHotKey(const Shortcut& shortcut) {
    if (!connection_) {
        return {false, QStringLiteral("no X11 display")};
    }
    auto key = CarbonKeys::byCarbonKeyCode(shortcut.carbonKeyCode);
    if (!key) {
        return {false, QStringLiteral("unknown key code")};
    }
    auto modifiers = CarbonKeys::x11Modifiers(shortcut.carbonModifiers);
    if (!modifiers) {
        return {false, QStringLiteral("unknown modifiers")};
    }
    Grab request{shortcut, keycodesFor(key->keysym), *modifiers};
    if (request.keycodes.empty()) {
        return {false, QStringLiteral("no such key on this keyboard")};
    }
    if (auto refusal = grab(request)) {
        return {false, *refusal};
    }
    grabs_.push_back(std::move(request));
    return {true, {}};
}

void X11HotKeyService::unregisterHotKey(const Shortcut& shortcut) {
    auto it = std::ranges::find(grabs_, shortcut, &Grab::shortcut);
    if (it == grabs_.end()) {
        return;
    }
    ungrab(*it);
    sync();
    if (held_ && held_->shortcut == shortcut) {
        held_.reset();
    }
    grabs_.erase(it);
}

std::optional<std::uint32_t> X11HotKeyService::baseKeysym(std::uint32_t keycode) const {
    if (!symbols_ || keycode > 255) {
        return std::nullopt;
    }
    xcb_keysym_t keysym =
        xcb_key_symbols_get_keysym(symbols_, static_cast<xcb_keycode_t>(keycode), 0);
    if (keysym == XCB_NO_SYMBOL) {
        return std::nullopt;
    }
    return keysym;
}

void X11HotKeyService::regrabAfterKeymapChange() {
    // The same keysyms, grabbed where the new keymap puts them.
    for (const auto& grab : grabs_) {
        ungrab(grab);
    }
    readKeyboardMapping();
    for (auto& grab : grabs_) {
        if (auto key = CarbonKeys::byCarbonKeyCode(grab.shortcut.carbonKeyCode)) {
            grab.keycodes = keycodesFor(key->keysym);
        }
        X11HotKeyService::grab(grab);
    }
    held_.reset();
    xcb_flush(connection_);
}

bool X11HotKeyService::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message) {
        return false;
    }
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const auto type = event->response_type & ~0x80;

    // A new keymap can move keys (a layout switch, setxkbmap, xmodmap). Qt reads
    // the new keymap too, so the events go on to it.
    if (type == XCB_MAPPING_NOTIFY) {
        auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
        if (mapping->request == XCB_MAPPING_KEYBOARD || mapping->request == XCB_MAPPING_MODIFIER) {
            regrabAfterKeymapChange();
        }
        return false;
    }
    if (xkbEventBase_ != 0 && type == xkbEventBase_) {
        // Clients that use the keyboard extension, as Qt does, get its events
        // instead of the core one; the second byte says which.
        const auto xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
        constexpr std::uint8_t newKeyboardNotify = 0;
        constexpr std::uint8_t mapNotify = 1;
        if (xkbType == newKeyboardNotify || xkbType == mapNotify) {
            regrabAfterKeymapChange();
        }
        return false;
    }

    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    const std::uint16_t ignored = XCB_MOD_MASK_LOCK | numLockMask_;
    const std::uint16_t modifiers = key->state & 0xff & ~ignored;

    if (type == XCB_KEY_RELEASE) {
        if (!held_ || held_->keycode != key->detail) {
            return false;
        }
        Shortcut shortcut = held_->shortcut;
        held_.reset();
        emit released(shortcut);
        return true;
    }

    for (const auto& grab : grabs_) {
        if (grab.modifiers == modifiers &&
            std::ranges::find(grab.keycodes, key->detail) != grab.keycodes.end()) {
            if (held_ && held_->keycode == key->detail) {
                return true; // the key repeating while held
            }
            held_ = Held{key->detail, grab.shortcut};
            emit pressed(grab.shortcut);
            return true;
        }
    }
    return false;
}

} // namespace quillo
