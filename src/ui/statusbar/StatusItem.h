// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>

#include <optional>

class QSystemTrayIcon;
class QTimer;

namespace quillo {

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

// The real item: a QSystemTrayIcon without menu or tooltip. While no tray host
// runs it looks again every few seconds and appears once one does.
class TrayStatusItem : public StatusItem {
    Q_OBJECT

public:
    explicit TrayStatusItem(QObject* parent = nullptr);
    ~TrayStatusItem() override;

    void setImage(const QIcon& icon) override;
    bool canBeSeen() const override;
    std::optional<QRect> geometry() const override;

private:
    void showWhenHosted();

    QSystemTrayIcon* tray_;
    QTimer* hostWatch_;
};

} // namespace quillo
