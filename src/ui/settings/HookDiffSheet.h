// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

class QPushButton;

namespace quillo {

class HookDiffView;
namespace HookInstaller {
struct Plan;
}

// The preview of a hook plan as a sheet: a title, the change listing, and
// "取消" (Escape) and "应用" (Return) buttons. Applying an up-to-date plan
// would change nothing, so its button reads "已是最新" and cannot be pressed;
// a plan the installer refuses cannot be pressed either, and the listing says
// why. The sheet writes nothing; its host decides what the answers mean.
class HookDiffSheet : public QDialog {
    Q_OBJECT

public:
    explicit HookDiffSheet(const HookInstaller::Plan& plan, QWidget* parent = nullptr);
    // `fileChanged`: shown again because the file changed after the last
    // preview; the note says so.
    HookDiffSheet(std::shared_ptr<const HookInstaller::Plan> plan, bool fileChanged,
                  QWidget* parent = nullptr);
    ~HookDiffSheet() override;

    const HookInstaller::Plan& plan() const { return *plan_; }
    std::shared_ptr<const HookInstaller::Plan> sharedPlan() const { return plan_; }
    HookDiffView* diffView() const { return view_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    // Exactly one of the two, once: cancelled also when the window is closed.
    void cancelled();
    void applyRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const HookInstaller::Plan> plan_;
    HookDiffView* view_;
    QPushButton* cancel_;
    QPushButton* apply_;
};

} // namespace quillo
