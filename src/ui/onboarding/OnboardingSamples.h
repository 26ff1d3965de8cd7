// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "installer/HookInstaller.h"
#include "transport/PairingAddress.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

namespace quillo::OnboardingSamples {

// Sample data for pictures of the hook preview, the hook pane and the guide.
// Nothing here touches the user's files.

// A settings file that another tool has already given hooks of its own, in
// the form the installer writes.
extern const std::string foreignHooksSettings;

// A home of its own, with a settings file, for views that read one.
struct SampleHome {
    QTemporaryDir dir;
    HookInstaller::Setup setup;

    // `settingsText` empty: no settings file.
    explicit SampleHome(const std::string& settingsText);
};

// The plan for `foreignHooksSettings`, with the paths a user would see.
HookInstaller::Plan foreignHooksPlan();

// This computer as a phone would reach it.
PairingAddress pairingAddress();

} // namespace quillo::OnboardingSamples
