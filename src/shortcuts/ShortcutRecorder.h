// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Shortcut.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QToolButton;

namespace quillo {

class KeyboardShortcuts;

// A text-field-like control that shows a named shortcut and records a new one
// while it has focus. Escape, a click outside it or losing focus ends
// recording without change; a combination that cannot be a global shortcut
// (no Ctrl, Alt or Super, unless it is a function key) beeps and is ignored.
// Shortcuts are shown as "Ctrl+Alt+Shift+Super+K".
class ShortcutRecorder : public QWidget {
    Q_OBJECT
public:
    ShortcutRecorder(KeyboardShortcuts& shortcuts, ShortcutName name, QWidget* parent = nullptr);
    ~ShortcutRecorder() override;

    bool isRecording() const { return recording_; }
    // What focus and a click do; public for a window that opens straight into
    // recording, and for rendering the recording state.
    void startRecording();
    void stopRecording();
    // What the field shows now: the shortcut, the modifiers held while
    // recording, or the placeholder.
    QString text() const;

    QSize sizeHint() const override;

signals:
    // After a new shortcut was stored, or the stored one cleared.
    void shortcutChanged(const std::optional<quillo::Shortcut>& shortcut);
    // A key combination that was not taken (the beep).
    void shortcutRejected();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void record(QKeyEvent* event);
    std::optional<Shortcut> shortcutFrom(const QKeyEvent* event) const;
    void clear();
    void refresh();

    QPointer<KeyboardShortcuts> shortcuts_;
    ShortcutName name_;
    QToolButton* clearButton_ = nullptr;
    bool recording_ = false;
    Qt::KeyboardModifiers heldModifiers_;
};

} // namespace quillo
