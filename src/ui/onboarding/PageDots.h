// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <array>

class QVariantAnimation;

namespace quillo {

// Where the user is in the first-run guide: four capsules, the current one
// long, the others short and dim; the widths spring to their new size.
class PageDots : public QWidget {
    Q_OBJECT

public:
    static constexpr int count = 4;
    static constexpr double height = 5;
    static constexpr double currentWidth = 16;
    static constexpr double otherWidth = 5;
    static constexpr double spacing = 6;

    explicit PageDots(int current = 0, QWidget* parent = nullptr);

    int current() const { return current_; }
    void setCurrent(int current);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int current_;
    std::array<double, count> widths_{};
    std::array<double, count> from_{};
    QVariantAnimation* animation_;
};

} // namespace quillo
