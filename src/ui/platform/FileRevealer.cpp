// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileRevealer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace quillo {

DesktopFileRevealer::DesktopFileRevealer(QDBusConnection bus, FolderOpener openFolder)
    : bus_(std::move(bus)), openFolder_(std::move(openFolder)) {
    if (!openFolder_) {
        openFolder_ = [](const QUrl& folder) { QDesktopServices::openUrl(folder); };
    }
}

void DesktopFileRevealer::reveal(const QString& path) {
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    if (!bus_.isConnected()) {
        openFolder_(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // Encoded in full: a file manager reads the address as a URI, and a path
    // with a space or a "#" would otherwise name another file.
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    // Asked without waiting: a file manager that is started for the call may
    // take seconds, and the interface must not freeze meanwhile.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 10000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder, open = openFolder_](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             open(folder);
                         }
                         finished->deleteLater();
                     });
}

} // namespace quillo
