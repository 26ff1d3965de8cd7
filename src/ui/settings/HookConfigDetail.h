// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPane.h"
#include "SettingsServices.h"

#include <QPointer>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;

namespace quillo {

class HookDiffSheet;
class SettingsRow;
namespace HookInstaller {
struct Plan;
}

// The hook pane: whether Quillo's hook entries are in the Claude Code settings
// file, and the way to install or repair them through the change preview.
// Preparing the plan and writing it run off the main thread; `hookBusy` keeps
// a second one from starting meanwhile.
class HookConfigDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit HookConfigDetail(SettingsServices services = {}, QWidget* parent = nullptr);

    bool hookInstalled() const { return hookInstalled_; }
    bool hookBusy() const { return hookBusy_; }
    // Reads the file's status again, off the main thread; showing the pane
    // does so.
    void readStatus();
    // The file's status is being read.
    bool readingStatus() const { return statusRead_ != statusReads_; }
    std::optional<QString> hookActionMessage() const { return hookActionMessage_; }
    // The open preview, while there is one.
    HookDiffSheet* hookDiffSheet() const;

    // Prepares a plan and shows it in the preview sheet.
    void reinstallHook();
    // Writes `plan`, then reports where the backup went or why it failed. When
    // the file changed since the plan was made, nothing is written: a new plan
    // is made and shown again, saying so.
    void applyHook(const HookInstaller::Plan& plan);
    void applyHook(std::shared_ptr<const HookInstaller::Plan> plan);
    void revealSettingsFile();

signals:
    // After every change of the pane's state.
    void stateChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::filesystem::path settingsFile() const;
    void setMessage(std::optional<QString> message);
    void showPlan(std::shared_ptr<const HookInstaller::Plan> plan, bool fileChanged);
    void updateView();

    SettingsServices services_;
    bool hookInstalled_ = false;
    int registeredEventCount_ = 0;
    // Why the settings file must be fixed by hand first; empty when it need not.
    QString attention_;
    std::uint64_t statusReads_ = 0; // readings started
    std::uint64_t statusRead_ = 0;  // the reading shown
    std::optional<QString> hookActionMessage_;
    bool hookBusy_ = false;
    QPointer<HookDiffSheet> sheet_;

    QWidget* statusSlot_ = nullptr;
    SettingsRow* statusRow_ = nullptr;
    QPushButton* primary_ = nullptr;
    QPushButton* reveal_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* eventsNote_ = nullptr;
};

} // namespace quillo
