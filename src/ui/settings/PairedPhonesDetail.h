#pragma once

#include "SettingsPane.h"

namespace quillo {

class PairedPhonesDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit PairedPhonesDetail(QWidget* parent = nullptr);
};

} // namespace quillo
