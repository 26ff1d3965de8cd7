#pragma once

#include "SettingsPane.h"

namespace quillo {

class AboutDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit AboutDetail(QWidget* parent = nullptr);
};

} // namespace quillo
