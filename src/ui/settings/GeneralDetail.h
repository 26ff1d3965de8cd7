// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPane.h"
#include "SettingsServices.h"
#include "app/AppLanguageManager.h"

#include <QMessageBox>
#include <QPointer>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace quillo {

class NoticeSwitches;
class ShortcutRecorder;

// The general pane: the global shortcut and where it opens the dashboard,
// launch at login, update checks and the display language. A service left
// empty disables its row rather than hiding it.
class GeneralDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit GeneralDetail(SettingsServices services = {}, QWidget* parent = nullptr);
    ~GeneralDetail() override;

    // Switches launch at login and shows the state read back afterwards, with
    // a message below the card when the switch failed.
    void setLaunchAtLogin(bool on);
    // Asks whether to restart in `language`; a second request while the
    // question is open is dropped.
    void showLanguageRestartPrompt(AppLanguage language);

    AppLanguage currentLanguage() const { return currentLanguage_; }
    bool languagePromptInFlight() const { return languagePromptInFlight_; }
    std::optional<QString> statusMessage() const { return statusMessage_; }

    ShortcutRecorder* recorder() const { return recorder_; }
    QCheckBox* shortcutAtMouseSwitch() const { return atMouse_; }
    QCheckBox* launchAtLoginSwitch() const { return launchAtLogin_; }
    QCheckBox* automaticUpdatesSwitch() const { return automaticUpdates_; }
    QPushButton* checkForUpdatesButton() const { return checkNow_; }
    QComboBox* languagePicker() const { return languages_; }
    QMessageBox* languagePrompt() const { return prompt_; }
    NoticeSwitches* noticeSwitches() const { return notices_; }

    // "跟随系统", "简体中文", "English".
    static QString pickerLabel(AppLanguage language);

    // Reads every switch and the language again: they change elsewhere too
    // (onboarding switches launch at login on), and the pane outlives that.
    void showCurrentState();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setStatusMessage(std::optional<QString> message);
    void showPickerLanguage(AppLanguage language);

    SettingsServices services_;
    ShortcutRecorder* recorder_ = nullptr;
    QCheckBox* atMouse_ = nullptr;
    QCheckBox* launchAtLogin_ = nullptr;
    QCheckBox* automaticUpdates_ = nullptr;
    QPushButton* checkNow_ = nullptr;
    QComboBox* languages_ = nullptr;
    QLabel* status_ = nullptr;
    NoticeSwitches* notices_ = nullptr;
    QPointer<QMessageBox> prompt_;
    std::optional<QString> statusMessage_;
    AppLanguage currentLanguage_ = AppLanguage::system;
    bool languagePromptInFlight_ = false;
};

} // namespace quillo
