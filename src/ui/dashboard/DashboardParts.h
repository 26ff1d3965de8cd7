// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace quillo {

// A painted widget that acts as a plain button: the whole rectangle is the hit
// area, and it tracks whether the pointer is over it.
class PlainButton : public QWidget {
    Q_OBJECT

public:
    explicit PlainButton(QWidget* parent = nullptr);
    bool hovered() const { return hover_; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool hover_ = false;
    bool pressed_ = false;
};

// The red banner above the header while the hook configuration is broken.
class HookErrorBanner : public PlainButton {
    Q_OBJECT

public:
    explicit HookErrorBanner(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The one-time hint about the global shortcut, with its close button.
class FirstUseHintBanner : public QWidget {
    Q_OBJECT

public:
    explicit FirstUseHintBanner(QWidget* parent = nullptr);

signals:
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A footer button: a symbol and a label, with a soft fill while hovered.
class FooterButton : public PlainButton {
    Q_OBJECT

public:
    FooterButton(QString systemImage, QString label, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString systemImage_;
    QString label_;
};

// "QUILLO" and the version, on one baseline.
class TitleLine : public QWidget {
    Q_OBJECT

public:
    TitleLine(QString version, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString version_;
};

class DotIndicator;

// Whether a phone is connected: the live, breathing dot and "已连接手机", or
// a grey dot and "未连接手机".
class ConnectionLine : public QWidget {
    Q_OBJECT

public:
    explicit ConnectionLine(QWidget* parent = nullptr);

    // Room left of the dot for the live dot's glow.
    static int dotInset();

    void setPeerCount(int count);
    bool connected() const { return connected_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool connected_ = false;
    DotIndicator* live_ = nullptr;
};

// What the list shows when there is no session.
QWidget* makeEmptyState(QWidget* parent);

// A one-pixel line in the soft line colour.
QWidget* makeDivider(QWidget* parent);

} // namespace quillo
