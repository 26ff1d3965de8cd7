// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsCategory.h"

#include <QAbstractButton>

namespace quillo {

// One category in the settings sidebar: its symbol, its label and, when the
// category needs attention, a small red badge. Pressing it selects the category.
class SidebarRow : public QAbstractButton {
    Q_OBJECT

public:
    explicit SidebarRow(SettingsCategory category, QWidget* parent = nullptr);

    SettingsCategory category() const { return category_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool showsBadge() const { return showsBadge_; }
    void setShowsBadge(bool shows);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateAccessibleName();

    SettingsCategory category_;
    bool selected_ = false;
    bool showsBadge_ = false;
    bool hovered_ = false;
};

} // namespace quillo
