// SPDX-License-Identifier: GPL-3.0-or-later
#include "UrlOpener.h"

#include <QDesktopServices>

namespace quillo {

bool DesktopUrlOpener::open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace quillo
