// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiffLine.h"
#include "installer/HookInstaller.h"

#include <QStringList>
#include <QWidget>

#include <optional>

class QTextEdit;
class QVBoxLayout;

namespace quillo {

// What applying a hook plan will do to the Claude Code settings file: the whole
// future text with the lines it brings in marked "+", and a note on the old
// file (its backup, its creation, or that nothing changes). It only shows the
// plan; it reads and writes no file.
class HookDiffView : public QWidget {
    Q_OBJECT

public:
    static constexpr int listingHeight = 280;

    explicit HookDiffView(QWidget* parent = nullptr);
    explicit HookDiffView(const HookInstaller::Plan& plan, QWidget* parent = nullptr);

    void setPlan(const HookInstaller::Plan& plan);
    const std::optional<HookInstaller::Plan>& plan() const { return plan_; }

    const std::vector<DiffLine>& lines() const { return lines_; }
    // The note's labels, in order.
    QStringList notes() const;

    // The listing's colours.
    static QColor addedTextColor();
    static QColor addedBackground();

private:
    std::optional<HookInstaller::Plan> plan_;
    std::vector<DiffLine> lines_;
    QTextEdit* listing_;
    QVBoxLayout* notes_;
};

} // namespace quillo
