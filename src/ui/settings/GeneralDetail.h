#pragma once

#include "SettingsPane.h"

namespace quillo {

class GeneralDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit GeneralDetail(QWidget* parent = nullptr);
};

} // namespace quillo
