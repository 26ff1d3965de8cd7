#include "PermissionsDetail.h"

#include "SettingsCategory.h"

namespace quillo {

PermissionsDetail::PermissionsDetail(QWidget* parent)
    : SettingsPane(label(SettingsCategory::permissions), parent) {
    setObjectName(QStringLiteral("pane-permissions"));
    addNotYetAvailable();
}

} // namespace quillo
