// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPane.h"

#include <vector>

namespace quillo {

// What switching does in each terminal: a fixed table that follows the
// terminal switcher (it is not computed from it).
class TerminalSupportDetail : public SettingsPane {
    Q_OBJECT

public:
    enum class Tier { full, partial, none };

    struct Item {
        QString name;
        QString behavior;
        Tier tier;
    };

    // In display order.
    static std::vector<Item> items();
    static QString tierLabel(Tier tier);

    explicit TerminalSupportDetail(QWidget* parent = nullptr);
};

} // namespace quillo
