#pragma once

#include "SettingsPane.h"

namespace quillo {

class TerminalSupportDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit TerminalSupportDetail(QWidget* parent = nullptr);
};

} // namespace quillo
