// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookStatusText.h"

#include <QCoreApplication>

namespace quillo {

QString hookStatusSubtitle(int registeredEventCount) {
    return QCoreApplication::translate("HookConfigDetail",
                                       "Stop / Notification / SessionStart 等 %n 类 Hook 已注册",
                                       nullptr, registeredEventCount);
}

} // namespace quillo
