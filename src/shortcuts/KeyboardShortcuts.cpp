// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts.h"

#include "platform/SettingsStore.h"

#include <QCoreApplication>

#include <cstdio>
#include <limits>

namespace quillo {

namespace {

bool fitsIn32Bits(std::int64_t value) {
    return value >= 0 && value <= std::numeric_limits<std::uint32_t>::max();
}

} // namespace

KeyboardShortcuts::KeyboardShortcuts(SettingsStore& settings, HotKeyService& hotKeys,
                                     QObject* parent)
    : QObject(parent), settings_(settings), hotKeys_(hotKeys) {
    connect(&hotKeys_, &HotKeyService::pressed, this,
            [this](const Shortcut& shortcut) { dispatch(shortcut, true); });
    connect(&hotKeys_, &HotKeyService::released, this,
            [this](const Shortcut& shortcut) { dispatch(shortcut, false); });
}

KeyboardShortcuts::~KeyboardShortcuts() {
    if (!isRecording()) {
        for (const auto& shortcut : registered_) {
            hotKeys_.unregisterHotKey(shortcut);
        }
    }
}

KeyboardShortcuts::Slot& KeyboardShortcuts::slot(const Name& name) {
    auto it = slots_.find(name.rawValue);
    if (it == slots_.end()) {
        it = slots_.emplace(name.rawValue, Slot{name, {}, {}}).first;
    }
    return it->second;
}

void KeyboardShortcuts::addHandler(const Name& name, Action action, QObject* context, bool down) {
    auto& handlers = down ? slot(name).keyDown : slot(name).keyUp;
    handlers.push_back(Handler{std::move(action), context, context != nullptr});
    if (auto shortcut = getShortcut(name)) {
        registerShortcut(*shortcut);
    }
}

void KeyboardShortcuts::onKeyDown(const Name& name, Action action, QObject* context) {
    addHandler(name, std::move(action), context, true);
}

void KeyboardShortcuts::onKeyUp(const Name& name, Action action, QObject* context) {
    addHandler(name, std::move(action), context, false);
}

std::optional<Shortcut> KeyboardShortcuts::getShortcut(const Name& name) const {
    auto stored = settings_.string(name.settingsKey());
    if (!stored) {
        return name.defaultShortcut;
    }
    // "false" (the default switched off) and anything unreadable decode to none.
    return Shortcut::fromJson(*stored);
}

void KeyboardShortcuts::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    slot(name);
    if (auto previous = getShortcut(name)) {
        unregisterShortcut(*previous);
    }
    if (shortcut) {
        registerShortcut(*shortcut);
        settings_.setString(name.settingsKey(), shortcut->toJson());
    } else if (name.defaultShortcut) {
        settings_.setBoolean(name.settingsKey(), false);
    } else {
        settings_.remove(name.settingsKey());
    }
    emit shortcutByNameDidChange(name.rawValue, shortcut);
}

void KeyboardShortcuts::reset(const std::vector<Name>& names) {
    for (const auto& name : names) {
        setShortcut(name.defaultShortcut, name);
    }
}

bool KeyboardShortcuts::isRegistered(const Shortcut& shortcut) const {
    return !isRecording() && registered_.contains(shortcut);
}

std::optional<QString> KeyboardShortcuts::availabilityNote() const {
    switch (hotKeys_.availability()) {
    case HotKeyAvailability::available:
        return std::nullopt;
    case HotKeyAvailability::whileX11WindowFocused:
        return QCoreApplication::translate(
            "KeyboardShortcuts", "在 Wayland 下，全局快捷键只在 X11 窗口获得焦点时有效。");
    case HotKeyAvailability::noX11:
        return QCoreApplication::translate("KeyboardShortcuts",
                                           "全局快捷键需要 X11，当前的显示系统无法注册它。");
    }
    return std::nullopt;
}

bool KeyboardShortcuts::grab(const Shortcut& shortcut) {
    HotKeyRegistration result;
    if (!fitsIn32Bits(shortcut.carbonKeyCode) || !fitsIn32Bits(shortcut.carbonModifiers)) {
        result.status = QStringLiteral("out of range");
    } else {
        result = hotKeys_.registerHotKey(shortcut);
    }
    if (!result.registered) {
        std::fprintf(stderr, "Error registering hotkey %s:%s\n",
                     qUtf8Printable(shortcut.displayForm()), qUtf8Printable(result.status));
        std::fflush(stderr);
    }
    return result.registered;
}

void KeyboardShortcuts::registerShortcut(const Shortcut& shortcut) {
    if (registered_.contains(shortcut) || hotKeys_.availability() == HotKeyAvailability::noX11) {
        return;
    }
    // While recording, the grab waits until the recorder is done.
    if (isRecording() || grab(shortcut)) {
        registered_.insert(shortcut);
    }
}

void KeyboardShortcuts::unregisterShortcut(const Shortcut& shortcut) {
    if (registered_.erase(shortcut) > 0 && !isRecording()) {
        hotKeys_.unregisterHotKey(shortcut);
    }
}

void KeyboardShortcuts::recorderStarted() {
    if (activeRecorders_++ == 0) {
        for (const auto& shortcut : registered_) {
            hotKeys_.unregisterHotKey(shortcut);
        }
        emit recorderActiveStatusDidChange(true);
    }
}

void KeyboardShortcuts::recorderStopped() {
    if (activeRecorders_ == 0 || --activeRecorders_ > 0) {
        return;
    }
    for (auto it = registered_.begin(); it != registered_.end();) {
        it = grab(*it) ? std::next(it) : registered_.erase(it);
    }
    emit recorderActiveStatusDidChange(false);
}

void KeyboardShortcuts::dispatch(const Shortcut& shortcut, bool down) {
    if (isRecording()) {
        return;
    }
    // Copies: an action may add handlers or change shortcuts.
    std::vector<Handler> toRun;
    for (const auto& [rawValue, entry] : slots_) {
        if (getShortcut(entry.name) != shortcut) {
            continue;
        }
        const auto& handlers = down ? entry.keyDown : entry.keyUp;
        toRun.insert(toRun.end(), handlers.begin(), handlers.end());
    }
    for (const auto& handler : toRun) {
        if (!handler.hasContext || handler.context) {
            handler.action();
        }
    }
}

} // namespace quillo
