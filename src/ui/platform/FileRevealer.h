// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace quillo {

// Shows a file in the user's file manager, selected. Best effort: where no
// file manager answers, its folder is opened instead.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void reveal(const QString& path) = 0;
};

// The file manager's D-Bus interface (org.freedesktop.FileManager1.ShowItems),
// asked without waiting; when the call fails, the folder is opened through
// the desktop's default handler.
class DesktopFileRevealer : public FileRevealer {
public:
    using FolderOpener = std::function<void(const QUrl& folder)>;

    // The file manager is looked for on `bus`; `openFolder` opens the folder
    // otherwise (by default through the desktop's handler for file addresses).
    explicit DesktopFileRevealer(QDBusConnection bus = QDBusConnection::sessionBus(),
                                 FolderOpener openFolder = {});
    void reveal(const QString& path) override;

private:
    QDBusConnection bus_;
    FolderOpener openFolder_;
};

// For tests: remembers what it was asked to show.
class FakeFileRevealer : public FileRevealer {
public:
    void reveal(const QString& path) override { revealed << path; }
    QStringList revealed;
};

} // namespace quillo
