#include "GeneralDetail.h"

#include "SettingsCategory.h"

namespace quillo {

GeneralDetail::GeneralDetail(QWidget* parent)
    : SettingsPane(label(SettingsCategory::general), parent) {
    setObjectName(QStringLiteral("pane-general"));
    addNotYetAvailable();
}

} // namespace quillo
