// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsServices.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace quillo {

class HookDiffView;
class PageDots;
class PairingAddressText;
class QrCodeView;
class SystemChecksView;
namespace HookInstaller {
struct Plan;
}

// The pages of the first-run guide, in order.
enum class OnboardingStep { welcome = 0, permissions = 1, hookConfig = 2, iphone = 3 };

// The first-run guide: welcome, what the computer needs, the hook entries with
// their preview, and the phone. It moves forward only. The hook plan is made
// once, when the view is created; `onFinish` ends the flow (from the last page,
// or by skipping the hooks).
class OnboardingView : public QWidget {
    Q_OBJECT

public:
    static constexpr int viewWidth = 640;
    static constexpr int viewHeight = 520;

    OnboardingView(SettingsServices services, std::function<void()> onFinish,
                   QWidget* parent = nullptr);
    ~OnboardingView() override;

    OnboardingStep step() const { return step_; }
    void setStep(OnboardingStep step);

    // Absent until the plan is made (off the main thread when the installer
    // must look for Claude Code's version first).
    const HookInstaller::Plan* plan() const { return plan_.get(); }
    // `fileChanged`: it replaces a plan that could not be applied because the
    // file changed since; the preview says so.
    void setPlan(const HookInstaller::Plan& plan, bool fileChanged = false);
    void setPlan(std::shared_ptr<const HookInstaller::Plan> plan, bool fileChanged = false);
    std::optional<QString> applyError() const { return applyError_; }
    bool applied() const { return applied_; }
    // A write is under way.
    bool applying() const { return applying_; }
    HookDiffView* diffView() const { return diff_; }

    // Writes the plan off the main thread (a plan that changes nothing is
    // still written, with its backup) and goes on to the phone, or shows why
    // it failed. When the file changed since the plan was made, nothing is
    // written and the new plan is shown instead. `applyFinished` is emitted
    // after every attempt.
    void applyHook();

    SystemChecksView* systemChecks() const { return checks_; }
    QrCodeView* qrCode() const { return qr_; }
    PairingAddressText* pairingAddress() const { return address_; }
    // The current page's primary button.
    QPushButton* primaryButton() const;
    // The current page's left text button, if it has one.
    QPushButton* secondaryButton() const;

signals:
    void applyFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Page {
        QWidget* widget = nullptr;
        QPushButton* primary = nullptr;
        QPushButton* secondary = nullptr;
    };

    Page makePage(OnboardingStep step, QWidget* content, QPushButton* secondary,
                  QPushButton* primary);
    QWidget* welcomeContent();
    QWidget* permissionsContent();
    QWidget* hookContent();
    QWidget* phoneContent();
    void updateHookPage();
    void updatePhonePage();

    SettingsServices services_;
    std::function<void()> onFinish_;
    OnboardingStep step_ = OnboardingStep::welcome;
    std::shared_ptr<const HookInstaller::Plan> plan_;
    std::optional<QString> applyError_;
    bool applied_ = false;
    bool applying_ = false;

    QStackedWidget* pages_;
    std::array<Page, 4> page_{};
    SystemChecksView* checks_ = nullptr;
    HookDiffView* diff_ = nullptr;
    QLabel* preparing_ = nullptr;
    QLabel* applyErrorLabel_ = nullptr;
    QrCodeView* qr_ = nullptr;
    PairingAddressText* address_ = nullptr;
    QLabel* noAddress_ = nullptr;
};

} // namespace quillo
