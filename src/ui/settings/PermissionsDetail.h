#pragma once

#include "SettingsPane.h"

namespace quillo {

class PermissionsDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit PermissionsDetail(QWidget* parent = nullptr);
};

} // namespace quillo
