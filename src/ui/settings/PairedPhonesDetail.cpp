#include "PairedPhonesDetail.h"

#include "SettingsCategory.h"

namespace quillo {

PairedPhonesDetail::PairedPhonesDetail(QWidget* parent)
    : SettingsPane(label(SettingsCategory::pairedPhones), parent) {
    setObjectName(QStringLiteral("pane-pairedPhones"));
    addNotYetAvailable();
}

} // namespace quillo
