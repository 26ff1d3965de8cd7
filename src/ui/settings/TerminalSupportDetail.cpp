#include "TerminalSupportDetail.h"

#include "SettingsCategory.h"

namespace quillo {

TerminalSupportDetail::TerminalSupportDetail(QWidget* parent)
    : SettingsPane(label(SettingsCategory::terminals), parent) {
    setObjectName(QStringLiteral("pane-terminals"));
    addNotYetAvailable();
}

} // namespace quillo
