// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

#include <vector>

namespace quillo {

// Hands an address to the desktop: a web page to the browser, a mailto: link
// to the user's mail program, a folder to the file manager.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when the desktop found nothing to open it with.
    virtual bool open(const QUrl& url) = 0;
};

// Through QDesktopServices (xdg-open and the portal underneath).
class DesktopUrlOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};

// For tests: records what would have been opened.
class FakeUrlOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override {
        opened.push_back(url);
        return succeeds;
    }

    bool succeeds = true;
    std::vector<QUrl> opened;
};

} // namespace quillo
