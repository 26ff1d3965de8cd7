#include "DangerZoneDetail.h"

#include "SettingsCategory.h"

namespace quillo {

DangerZoneDetail::DangerZoneDetail(QWidget* parent)
    : SettingsPane(label(SettingsCategory::danger), parent) {
    setObjectName(QStringLiteral("pane-danger"));
    addNotYetAvailable();
}

} // namespace quillo
