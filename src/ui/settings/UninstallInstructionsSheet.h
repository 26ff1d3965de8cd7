// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

namespace quillo {

// "卸载 Quillo": the steps that remove Quillo from a Linux system, with the
// paths of this computer; "好的" calls `onClose`.
class UninstallInstructionsSheet : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 520;

    explicit UninstallInstructionsSheet(std::function<void()> onClose, QWidget* parent = nullptr);

    static QString instructions();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> onClose_;
};

} // namespace quillo
