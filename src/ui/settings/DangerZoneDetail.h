#pragma once

#include "SettingsPane.h"

namespace quillo {

class DangerZoneDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit DangerZoneDetail(QWidget* parent = nullptr);
};

} // namespace quillo
