// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HotKeyService.h"
#include "Shortcut.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace quillo {

class SettingsStore;
class ShortcutRecorder;

// The hot-key registry: named shortcut slots stored in the settings, their
// registration with the system, and the actions run when one is pressed. The
// application owns one and hands it to whatever needs it (start-up, the
// settings' recorder, the reset of all settings).
class KeyboardShortcuts : public QObject {
    Q_OBJECT
public:
    using Name = ShortcutName;
    using Recorder = ShortcutRecorder;
    using Action = std::function<void()>;

    KeyboardShortcuts(SettingsStore& settings, HotKeyService& hotKeys, QObject* parent = nullptr);
    ~KeyboardShortcuts() override;

    // Adds an action for the name's key-down and registers its stored shortcut,
    // if it is not registered yet. With a `context`, the action stops running
    // once the context is destroyed.
    void onKeyDown(const Name& name, Action action, QObject* context = nullptr);
    void onKeyUp(const Name& name, Action action, QObject* context = nullptr);

    // Absent when nothing usable is stored (missing, unreadable, or switched off).
    std::optional<Shortcut> getShortcut(const Name& name) const;
    // Replaces the name's shortcut (registering the new one), stores it and
    // announces the change; none unregisters and removes the stored value.
    void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
    // Back to each name's default; for a name without one, nothing is left
    // stored and nothing registered.
    void reset(const std::vector<Name>& names);

    // Whether the system holds the shortcut for us right now (never while a
    // recorder is recording).
    bool isRegistered(const Shortcut& shortcut) const;
    HotKeyAvailability availability() const { return hotKeys_.availability(); }
    // For the recorder's subtitle: why the hot key cannot work, or when it
    // works only partly; absent when it works.
    std::optional<QString> availabilityNote() const;
    std::optional<std::uint32_t> baseKeysym(std::uint32_t keycode) const {
        return hotKeys_.baseKeysym(keycode);
    }

    // Recorders report when they start and stop recording; while any records,
    // every hot key is released so the combination being typed reaches it.
    void recorderStarted();
    void recorderStopped();
    bool isRecording() const { return activeRecorders_ > 0; }

signals:
    void shortcutByNameDidChange(const QString& name,
                                 const std::optional<quillo::Shortcut>& shortcut);
    void recorderActiveStatusDidChange(bool recording);

private:
    struct Handler {
        Action action;
        QPointer<QObject> context;
        bool hasContext;
    };
    struct Slot {
        Name name;
        std::vector<Handler> keyDown;
        std::vector<Handler> keyUp;
    };

    Slot& slot(const Name& name);
    void addHandler(const Name& name, Action action, QObject* context, bool down);
    void registerShortcut(const Shortcut& shortcut);
    void unregisterShortcut(const Shortcut& shortcut);
    bool grab(const Shortcut& shortcut);
    void dispatch(const Shortcut& shortcut, bool down);

    SettingsStore& settings_;
    HotKeyService& hotKeys_;
    std::map<QString, Slot> slots_;
    // What should be held; while recording, none of it is held with the system.
    std::set<Shortcut> registered_;
    int activeRecorders_ = 0;
};

} // namespace quillo
