#pragma once

#include "SettingsPane.h"

namespace quillo {

class HookConfigDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit HookConfigDetail(QWidget* parent = nullptr);
};

} // namespace quillo
