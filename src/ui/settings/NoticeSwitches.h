// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QCheckBox;

namespace quillo {

class Notifier;
class SettingsRow;
class SettingsStore;
class SurfaceCard;

// The general pane's two notice rows: notify when a session needs a
// permission decision, and when it waits for input. Both are on unless the
// user switched them off. Without a notification service on the desktop the
// rows say so and their switches are disabled, until a service appears. A
// third row says whether Quillo answers permission questions at all (on
// unless switched off); it does not depend on the notification service.
class NoticeSwitches : public QObject {
    Q_OBJECT

public:
    // Adds the rows to `card`; `settings` or `notifier` may be absent.
    NoticeSwitches(SurfaceCard& card, SettingsStore* settings, Notifier* notifier,
                   QObject* parent = nullptr);

    QCheckBox* permissionSwitch() const { return permission_; }
    QCheckBox* inputSwitch() const { return input_; }
    SettingsRow* permissionRow() const { return permissionRow_; }
    SettingsRow* inputRow() const { return inputRow_; }
    QCheckBox* answerSwitch() const { return answer_; }

private:
    void showAvailability(bool available);

    SettingsStore* settings_;
    QCheckBox* permission_ = nullptr;
    QCheckBox* input_ = nullptr;
    QCheckBox* answer_ = nullptr;
    SettingsRow* permissionRow_ = nullptr;
    SettingsRow* inputRow_ = nullptr;
};

} // namespace quillo
