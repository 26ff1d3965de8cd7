// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace quillo {

QDBusArgument& operator<<(QDBusArgument& out, const NotifierImage& image) {
    out.beginStructure();
    out << image.width << image.height << image.pixels;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, NotifierImage& image) {
    in.beginStructure();
    in >> image.width >> image.height >> image.pixels;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const NotifierToolTip& tip) {
    out.beginStructure();
    out << tip.iconName << tip.images << tip.title << tip.description;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, NotifierToolTip& tip) {
    in.beginStructure();
    in >> tip.iconName >> tip.images >> tip.title >> tip.description;
    in.endStructure();
    return in;
}

NotifierImages notifierImages(const QIcon& icon) {
    NotifierImages images;
    for (const QSize size :
         {QSize(16, 16), QSize(22, 22), QSize(24, 20), QSize(32, 32), QSize(48, 40)}) {
        // Device pixels, whatever the application's own scale.
        const QImage drawn =
            icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        if (drawn.isNull()) {
            continue;
        }
        NotifierImage image{drawn.width(), drawn.height(), {}};
        image.pixels.resize(qsizetype(drawn.width()) * drawn.height() * 4);
        auto* out = reinterpret_cast<quint32*>(image.pixels.data());
        for (int y = 0; y < drawn.height(); ++y) {
            const auto* row = reinterpret_cast<const quint32*>(drawn.constScanLine(y));
            for (int x = 0; x < drawn.width(); ++x) {
                // Format_ARGB32 holds 0xAARRGGBB in the machine's order.
                *out++ = qToBigEndian(row[x]);
            }
        }
        images.push_back(std::move(image));
    }
    return images;
}

// The item's interface on the bus. Hosts read the properties when they list the
// item and again after the matching New… signal.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconThemePath READ none)
    Q_PROPERTY(QString IconName READ none)
    Q_PROPERTY(quillo::NotifierImages IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ none)
    Q_PROPERTY(quillo::NotifierImages OverlayIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionIconName READ none)
    Q_PROPERTY(quillo::NotifierImages AttentionIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionMovieName READ none)
    Q_PROPERTY(quillo::NotifierToolTip ToolTip READ toolTip)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem* item)
        : QDBusAbstractAdaptor(item), item_(item) {
        // Changes go out as signals of the interface.
        setAutoRelaySignals(false);
    }

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    // Trays keep their per-item choices (shown, hidden) under the id.
    QString id() const { return QStringLiteral("com.quillo.mac"); }
    QString title() const { return item_->title(); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    bool itemIsMenu() const { return false; }
    QString none() const { return {}; }
    NotifierImages iconPixmap() const { return item_->images(); }
    NotifierImages noImages() const { return {}; }
    // The item has no tooltip: all four fields empty.
    NotifierToolTip toolTip() const { return {}; }

public slots:
    void Activate(int x, int y) { emit item_->activated(QPoint(x, y)); }
    // The middle button, the context menu (the item has none) and the wheel do
    // nothing, as with the tray icon of other desktops.
    void SecondaryActivate(int, int) {}
    void ContextMenu(int, int) {}
    void Scroll(int, const QString&) {}

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* item_;
};

namespace {

QString nextServiceName() {
    // Apart from the names Qt's own tray item takes (…-PID-N).
    static int instances = 0;
    return QStringLiteral("org.kde.StatusNotifierItem-%1-quillo%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++instances);
}

} // namespace

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), adaptor_(new StatusNotifierItemAdaptor(this)) {
    qDBusRegisterMetaType<NotifierImage>();
    qDBusRegisterMetaType<NotifierImages>();
    qDBusRegisterMetaType<NotifierToolTip>();
    const QString name = nextServiceName();
    if (bus_.isConnected() &&
        bus_.registerObject(itemPath, this, QDBusConnection::ExportAdaptors) &&
        bus_.registerService(name)) {
        serviceName_ = name;
    }
}

StatusNotifierItem::~StatusNotifierItem() {
    if (!serviceName_.isEmpty()) {
        bus_.unregisterService(serviceName_);
    }
    bus_.unregisterObject(itemPath);
}

QString StatusNotifierItem::title() const {
    // Trays list items by their title: the product's name, not the program's.
    return QStringLiteral("Quillo");
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    images_ = notifierImages(icon);
    emit adaptor_->NewIcon();
}

void StatusNotifierItem::registerWithWatcher() {
    if (serviceName_.isEmpty()) {
        emit registrationFailed(QStringLiteral("the item is not on the bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcherService, watcherPath, watcherService, QStringLiteral("RegisterStatusNotifierItem"));
    call << serviceName_;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            emit registrationFailed(w->error().name() + QStringLiteral(": ") +
                                    w->error().message());
        } else {
            emit registered();
        }
    });
}

} // namespace quillo

#include "StatusNotifierItem.moc"
