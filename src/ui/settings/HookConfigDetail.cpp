#include "HookConfigDetail.h"

#include "SettingsCategory.h"

namespace quillo {

HookConfigDetail::HookConfigDetail(QWidget* parent)
    : SettingsPane(label(SettingsCategory::hookConfig), parent) {
    setObjectName(QStringLiteral("pane-hookConfig"));
    addNotYetAvailable();
}

} // namespace quillo
