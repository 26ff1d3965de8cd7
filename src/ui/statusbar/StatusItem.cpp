// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusItem.h"

#include "StatusNotifierItem.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace quillo {

namespace {

QDBusMessage hostRegisteredQuery() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        StatusNotifierItem::watcherService, StatusNotifierItem::watcherPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(StatusNotifierItem::watcherService)
        << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

} // namespace

TrayStatusItem::TrayStatusItem(QObject* parent)
    : TrayStatusItem(QDBusConnection::sessionBus(), parent) {}

TrayStatusItem::TrayStatusItem(QDBusConnection bus, QObject* parent)
    : StatusItem(parent), bus_(std::move(bus)), notifier_(new StatusNotifierItem(bus_, this)),
      hostWatch_(new QTimer(this)), retry_(new QTimer(this)),
      watcherWatch_(new QDBusServiceWatcher(StatusNotifierItem::watcherService, bus_,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this)) {
    hostWatch_->setInterval(5000);
    connect(hostWatch_, &QTimer::timeout, this, &TrayStatusItem::showWhenHosted);

    connect(notifier_, &StatusNotifierItem::activated, this, &StatusItem::clicked);
    // A watcher takes its name on the bus a moment before it answers there;
    // a call in that moment fails, so the item asks again for a while.
    retry_->setSingleShot(true);
    retry_->setInterval(500);
    connect(retry_, &QTimer::timeout, notifier_, &StatusNotifierItem::registerWithWatcher);
    connect(notifier_, &StatusNotifierItem::registrationFailed, this, [this](const QString& why) {
        if (!notifierTray_) {
            return;
        }
        if (++failedRegistrations_ < maxRegistrationTries) {
            retry_->start();
            return;
        }
        qWarning("The D-Bus tray did not take the status item (%s); trying an XEmbed tray",
                 qPrintable(why));
        leaveNotifierTray();
    });
    connect(notifier_, &StatusNotifierItem::registered, this, [this] {
        failedRegistrations_ = 0;
        readHostRegistered();
    });
    connect(watcherWatch_, &QDBusServiceWatcher::serviceRegistered, this,
            &TrayStatusItem::useNotifierTray);
    connect(watcherWatch_, &QDBusServiceWatcher::serviceUnregistered, this,
            &TrayStatusItem::leaveNotifierTray);
    const QString watcher = QString::fromLatin1(StatusNotifierItem::watcherService);
    const QString path = QString::fromLatin1(StatusNotifierItem::watcherPath);
    bus_.connect(watcher, path, watcher, QStringLiteral("StatusNotifierHostRegistered"), this,
                 SLOT(hostRegistered()));
    bus_.connect(watcher, path, watcher, QStringLiteral("StatusNotifierHostUnregistered"), this,
                 SLOT(hostUnregistered()));

    // Decided now, before anything asks Qt about its tray: whether a watcher
    // runs, and whether a host has shown up at it, in one short question (the
    // one Qt asks at start too), so that a dashboard opened at launch already
    // knows whether the item can be seen.
    if (!notifier_->serviceName().isEmpty()) {
        const QDBusMessage answer = bus_.call(hostRegisteredQuery(), QDBus::Block, 2000);
        if (answer.type() == QDBusMessage::ReplyMessage) {
            useNotifierTray();
            const QVariant value = answer.arguments().value(0);
            hostPresent_ = value.value<QDBusVariant>().variant().toBool();
        } else if (const QString error = answer.errorName();
                   answer.type() == QDBusMessage::ErrorMessage &&
                   error != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") &&
                   error != QLatin1String("org.freedesktop.DBus.Error.NoReply") &&
                   error != QLatin1String("org.freedesktop.DBus.Error.Timeout")) {
            // A watcher that answers but not this question: taken at its word
            // that a host will show the item.
            useNotifierTray();
            hostPresent_ = true;
        }
    }
}

TrayStatusItem::~TrayStatusItem() = default;

QString TrayStatusItem::notifierServiceName() const {
    return notifier_->serviceName();
}

void TrayStatusItem::useNotifierTray() {
    if (notifier_->serviceName().isEmpty()) {
        return;
    }
    notifierTray_ = true;
    failedRegistrations_ = 0;
    retry_->stop();
    hostWatch_->stop();
    if (tray_ != nullptr) {
        tray_->hide();
    }
    if (!icon_.isNull()) {
        notifier_->setIcon(icon_);
    }
    notifier_->registerWithWatcher();
    readHostRegistered();
}

void TrayStatusItem::leaveNotifierTray() {
    notifierTray_ = false;
    retry_->stop();
    hostPresent_ = false;
    showWhenHosted();
}

void TrayStatusItem::readHostRegistered() {
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(hostRegisteredQuery()), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (notifierTray_ && reply.isValid()) {
            hostPresent_ = reply.value().variant().toBool();
        }
    });
}

void TrayStatusItem::hostRegistered() {
    if (notifierTray_) {
        hostPresent_ = true;
    }
}

void TrayStatusItem::hostUnregistered() {
    // Another host may still be there.
    if (notifierTray_) {
        readHostRegistered();
    }
}

void TrayStatusItem::showWhenHosted() {
    if (notifierTray_) {
        return;
    }
    if (tray_ == nullptr) {
        tray_ = new QSystemTrayIcon(this);
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason r) {
                    if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) {
                        emit clicked();
                    }
                });
    }
    if (tray_->isVisible() || icon_.isNull()) {
        return;
    }
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_->setIcon(icon_);
        tray_->show();
        hostWatch_->stop();
    } else {
        hostWatch_->start();
    }
}

void TrayStatusItem::setImage(const QIcon& icon) {
    icon_ = icon;
    if (notifierTray_) {
        notifier_->setIcon(icon);
        return;
    }
    if (tray_ != nullptr) {
        tray_->setIcon(icon);
    }
    // Shown once it has an image to show.
    showWhenHosted();
}

bool TrayStatusItem::canBeSeen() const {
    if (notifierTray_) {
        return hostPresent_;
    }
    if (tray_ == nullptr || !QSystemTrayIcon::isSystemTrayAvailable() || !tray_->isVisible()) {
        return false;
    }
    // Where the tray gives a position, it has to lie on a screen.
    if (auto where = geometry()) {
        return QGuiApplication::screenAt(where->center()) != nullptr;
    }
    return true;
}

std::optional<QRect> TrayStatusItem::geometry() const {
    // The D-Bus tray does not say where the item is.
    if (notifierTray_ || tray_ == nullptr) {
        return std::nullopt;
    }
    const QRect where = tray_->geometry();
    if (where.isEmpty()) {
        return std::nullopt;
    }
    return where;
}

} // namespace quillo
