#include "AboutDetail.h"

#include "SettingsCategory.h"

namespace quillo {

AboutDetail::AboutDetail(QWidget* parent) : SettingsPane(label(SettingsCategory::about), parent) {
    setObjectName(QStringLiteral("pane-about"));
    addNotYetAvailable();
}

} // namespace quillo
