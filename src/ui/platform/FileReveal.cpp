#include "FileReveal.h"

#include "UrlOpener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUrl>

namespace quillo {

namespace {

// A file manager started by D-Bus activation can take a while to come up.
constexpr int callTimeLimitMs = 10'000;

void callSessionBus(const DBusCall& call, std::function<void(bool)> done) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(call.service, call.path, call.interface, call.method);
    message.setArguments(call.arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, callTimeLimitMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         done(!finished->isError());
                         finished->deleteLater();
                     });
}

} // namespace

DesktopFileReveal::DesktopFileReveal(std::shared_ptr<UrlOpener> folders, AsyncBusCall bus)
    : folders_(std::move(folders)), bus_(bus ? std::move(bus) : AsyncBusCall(callSessionBus)) {}

DBusCall DesktopFileReveal::showItemsCall(const std::filesystem::path& file) {
    const QString uri =
        QUrl::fromLocalFile(QString::fromStdString(file.string())).toString(QUrl::FullyEncoded);
    return {
        .service = QStringLiteral("org.freedesktop.FileManager1"),
        .path = QStringLiteral("/org/freedesktop/FileManager1"),
        .interface = QStringLiteral("org.freedesktop.FileManager1"),
        .method = QStringLiteral("ShowItems"),
        .arguments = {QStringList{uri}, QString()}, // the URIs, a start-up id
    };
}

void DesktopFileReveal::reveal(const std::filesystem::path& file) {
    const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string()));
    bus_(showItemsCall(file), [folders = folders_, folder](bool shown) {
        if (!shown && folders) {
            folders->open(folder);
        }
    });
}

} // namespace quillo
