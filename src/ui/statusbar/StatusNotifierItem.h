// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QIcon>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

namespace quillo {

// One image of the item as the tray protocol carries it: ARGB32 pixels with
// each pixel's bytes in network order (A, R, G, B), rows top to bottom.
struct NotifierImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using NotifierImages = QList<NotifierImage>;

// The tooltip's four fields; the item publishes an empty one (it has none).
struct NotifierToolTip {
    QString iconName;
    NotifierImages images;
    QString title;
    QString description;
};

QDBusArgument& operator<<(QDBusArgument& out, const NotifierImage& image);
const QDBusArgument& operator>>(const QDBusArgument& in, NotifierImage& image);
QDBusArgument& operator<<(QDBusArgument& out, const NotifierToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& in, NotifierToolTip& tip);

// The icon drawn at each size a tray host may pick from: 16, 22 and 32 square,
// the icon's own 24 × 20, and 48 × 40 for panels at scale 2. Each is drawn at
// its size, not resampled, so lines and badge digits stay sharp.
NotifierImages notifierImages(const QIcon& icon);

class StatusNotifierItemAdaptor;

// The application's item on the desktop's D-Bus tray (the StatusNotifierItem
// protocol that KDE Plasma, GNOME's AppIndicator extension and most panels
// host): our own, because Qt picks its D-Bus tray once at start, so a tray
// that starts later would never see Qt's. The item is exported under a name of
// its own on `bus` and registers with the tray's watcher, again each time
// `registerWithWatcher` is called (a watcher that restarts forgets it).
class StatusNotifierItem : public QObject {
    Q_OBJECT

public:
    static constexpr auto watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr auto watcherPath = "/StatusNotifierWatcher";
    static constexpr auto itemPath = "/StatusNotifierItem";

    explicit StatusNotifierItem(QDBusConnection bus, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // The bus name the item is exported under; empty when it could not be.
    const QString& serviceName() const { return serviceName_; }

    QString title() const;
    const NotifierImages& images() const { return images_; }
    void setIcon(const QIcon& icon);

    // Asks the watcher to list the item; `registered` or `registrationFailed`
    // tells the outcome.
    void registerWithWatcher();

signals:
    // Called by the host: a primary click on the item, at a position on the
    // screen (which hosts may leave at 0, 0).
    void activated(QPoint where);
    void registered();
    void registrationFailed(const QString& reason);

private:
    QDBusConnection bus_;
    QString serviceName_;
    NotifierImages images_;
    StatusNotifierItemAdaptor* adaptor_;
};

} // namespace quillo

Q_DECLARE_METATYPE(quillo::NotifierImage)
Q_DECLARE_METATYPE(quillo::NotifierToolTip)
