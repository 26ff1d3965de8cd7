// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPane.h"
#include "SettingsServices.h"

#include <QDialog>
#include <QPointer>

namespace quillo {

class FAQCard;

// "关于": the version, the diagnostics window, the feedback report, the guide
// again, how to uninstall, and the frequent questions.
class AboutDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit AboutDetail(SettingsServices services = {}, QWidget* parent = nullptr);

    FAQCard* faq() const { return faq_; }

    // Opens the uninstall instructions over the settings window.
    void showUninstallSheet();
    QDialog* uninstallSheet() const { return sheet_; }

private:
    SettingsServices services_;
    FAQCard* faq_;
    QPointer<QDialog> sheet_;
};

} // namespace quillo
