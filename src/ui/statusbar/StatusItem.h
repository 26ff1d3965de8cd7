// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QRect>

#include <optional>

class QDBusServiceWatcher;
class QSystemTrayIcon;
class QTimer;

namespace quillo {

class StatusNotifierItem;

// The application's one item in the desktop's tray. An interface, so that the
// controller and the presenter can be tried without a tray host.
class StatusItem : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void setImage(const QIcon& icon) = 0;

    // A tray host shows the item. Without one (GNOME without its AppIndicator
    // extension, a host that quit) the item counts as hidden.
    virtual bool canBeSeen() const = 0;

    // Where the item is on screen, in global coordinates, when the tray says
    // (XEmbed does; StatusNotifierItem does not).
    virtual std::optional<QRect> geometry() const = 0;

signals:
    void clicked();
};

// The real item. Where the desktop's D-Bus tray runs (a StatusNotifierWatcher
// on the session bus: KDE Plasma, GNOME with its AppIndicator extension, most
// panels) it is our own StatusNotifierItem, listed with the watcher whenever
// one appears, also after start and again after a watcher restarts. Otherwise
// it is a QSystemTrayIcon in an XEmbed tray, looked for again every few seconds
// while none runs. Never both at once, so no tray shows it twice. The item has
// no menu and no tooltip.
class TrayStatusItem : public StatusItem {
    Q_OBJECT

public:
    explicit TrayStatusItem(QObject* parent = nullptr);
    explicit TrayStatusItem(QDBusConnection bus, QObject* parent = nullptr);
    ~TrayStatusItem() override;

    void setImage(const QIcon& icon) override;
    bool canBeSeen() const override;
    std::optional<QRect> geometry() const override;

    // Whether the item goes through the D-Bus tray, and its name on the bus.
    bool usesNotifierTray() const { return notifierTray_; }
    QString notifierServiceName() const;

private slots:
    void hostRegistered();
    void hostUnregistered();

private:
    void useNotifierTray();
    void leaveNotifierTray();
    void readHostRegistered();
    void showWhenHosted();

    QDBusConnection bus_;
    QIcon icon_;
    StatusNotifierItem* notifier_;
    // Made only when first needed, with no watcher running: Qt settles once per
    // process, at the first question about its tray, whether its icons go to
    // the D-Bus tray or to XEmbed, and ours must go to XEmbed.
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* hostWatch_;
    QTimer* retry_;
    QDBusServiceWatcher* watcherWatch_;
    static constexpr int maxRegistrationTries = 20;
    int failedRegistrations_ = 0;
    bool notifierTray_ = false;
    bool hostPresent_ = false;
};

} // namespace quillo
