// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutRecorder.h"

#include "CarbonKeys.h"
#include "KeyboardShortcuts.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QToolButton>

namespace quillo {

namespace {

// The modifier a modifier key itself adds (or, released, takes away): the
// event's own modifier state does not count the key that changes it everywhere.
Qt::KeyboardModifiers modifierOfKey(int key) {
    switch (key) {
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    default:
        return {};
    }
}

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Shift:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_unknown:
        return true;
    default:
        return false;
    }
}

constexpr std::int64_t chordModifiers =
    CarbonKeys::controlMask | CarbonKeys::optionMask | CarbonKeys::commandMask;

} // namespace

ShortcutRecorder::ShortcutRecorder(KeyboardShortcuts& shortcuts, ShortcutName name, QWidget* parent)
    : QWidget(parent), shortcuts_(&shortcuts), name_(std::move(name)) {
    // Made here, not in the initialiser list: adding a child already sends this
    // widget events, which read the members.
    clearButton_ = new QToolButton(this);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setCursor(Qt::PointingHandCursor);

    clearButton_->setObjectName(QStringLiteral("clearButton"));
    clearButton_->setText(QStringLiteral("×"));
    clearButton_->setToolTip(QCoreApplication::translate("KeyboardShortcuts", "清除快捷键"));
    clearButton_->setAccessibleName(clearButton_->toolTip());
    clearButton_->setAutoRaise(true);
    clearButton_->setFocusPolicy(Qt::NoFocus);
    clearButton_->setCursor(Qt::ArrowCursor);
    connect(clearButton_, &QToolButton::clicked, this, &ShortcutRecorder::clear);

    connect(&shortcuts, &KeyboardShortcuts::shortcutByNameDidChange, this,
            [this](const QString& changed) {
                if (changed == name_.rawValue) {
                    refresh();
                }
            });
    refresh();
}

ShortcutRecorder::~ShortcutRecorder() {
    // A recorder that goes away while focused must not leave every hot key
    // suspended.
    stopRecording();
}

QString ShortcutRecorder::text() const {
    if (recording_) {
        QStringList held;
        std::int64_t mask = CarbonKeys::fromQtModifiers(heldModifiers_);
        for (const auto& modifier : CarbonKeys::modifiers()) {
            if (mask & modifier.carbonMask) {
                held << QString::fromUtf8(modifier.name);
            }
        }
        if (!held.isEmpty()) {
            return held.join(QLatin1Char('+')) + QLatin1Char('+');
        }
        return QCoreApplication::translate("KeyboardShortcuts", "按下快捷键");
    }
    auto shortcut = shortcuts_ ? shortcuts_->getShortcut(name_) : std::nullopt;
    if (shortcut) {
        return shortcut->displayForm();
    }
    return QCoreApplication::translate("KeyboardShortcuts", "录制快捷键");
}

QSize ShortcutRecorder::sizeHint() const {
    QFontMetrics metrics = fontMetrics();
    int height = metrics.height() + 10;
    int width = metrics.horizontalAdvance(QStringLiteral("Ctrl+Alt+Shift+Super+PgDown")) + 16;
    return {width + height, height};
}

void ShortcutRecorder::refresh() {
    bool stored = shortcuts_ && shortcuts_->getShortcut(name_).has_value();
    clearButton_->setVisible(stored && !recording_);
    setToolTip(shortcuts_ ? shortcuts_->availabilityNote().value_or(QString()) : QString());
    update();
}

void ShortcutRecorder::startRecording() {
    if (recording_ || !shortcuts_) {
        return;
    }
    recording_ = true;
    heldModifiers_ = {};
    qApp->installEventFilter(this);
    shortcuts_->recorderStarted();
    refresh();
}

void ShortcutRecorder::stopRecording() {
    if (!recording_) {
        return;
    }
    recording_ = false;
    qApp->removeEventFilter(this);
    if (shortcuts_) {
        shortcuts_->recorderStopped();
    }
    if (hasFocus()) {
        clearFocus();
    }
    refresh();
}

void ShortcutRecorder::clear() {
    if (shortcuts_) {
        shortcuts_->setShortcut(std::nullopt, name_);
    }
    emit shortcutChanged(std::nullopt);
    stopRecording();
    // The click left the focus here; typing must not record into the field.
    if (hasFocus()) {
        clearFocus();
    }
}

std::optional<Shortcut> ShortcutRecorder::shortcutFrom(const QKeyEvent* event) const {
    // The key's unshifted symbol first, so Shift+1 is recorded as 1 and not "!".
    std::optional<CarbonKeys::Key> key;
    if (event->nativeScanCode() != 0 && shortcuts_) {
        if (auto keysym = shortcuts_->baseKeysym(event->nativeScanCode())) {
            key = CarbonKeys::byKeysym(*keysym);
        }
    }
    if (!key && event->nativeVirtualKey() != 0) {
        key = CarbonKeys::byKeysym(event->nativeVirtualKey());
    }
    if (!key) {
        key = CarbonKeys::byQtKey(event->key());
    }
    if (!key) {
        return std::nullopt;
    }
    std::int64_t modifiers = CarbonKeys::fromQtModifiers(event->modifiers());
    // Global shortcuts without Ctrl, Alt or Super would take over ordinary typing.
    if ((modifiers & chordModifiers) == 0 && !key->functionKey) {
        return std::nullopt;
    }
    return Shortcut{key->carbonKeyCode, modifiers};
}

void ShortcutRecorder::record(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        return;
    }
    if (isModifierKey(event->key())) {
        heldModifiers_ = event->modifiers() | modifierOfKey(event->key());
        update();
        return;
    }
    if (event->key() == Qt::Key_Escape && CarbonKeys::fromQtModifiers(event->modifiers()) == 0) {
        stopRecording();
        return;
    }
    auto shortcut = shortcutFrom(event);
    if (!shortcut) {
        QApplication::beep();
        emit shortcutRejected();
        return;
    }
    if (shortcuts_) {
        shortcuts_->setShortcut(shortcut, name_);
    }
    emit shortcutChanged(shortcut);
    stopRecording();
}

bool ShortcutRecorder::event(QEvent* event) {
    if (!recording_ && event->type() == QEvent::KeyPress) {
        // The keyboard's way in when the field got its focus with the window.
        auto key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            startRecording();
            return true;
        }
    }
    if (recording_) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Every combination belongs to the recorder, not to the window's actions.
            event->accept();
            return true;
        case QEvent::KeyPress:
            // Tab and Backtab too, which would otherwise move the focus.
            record(static_cast<QKeyEvent*>(event));
            return true;
        default:
            break;
        }
    }
    return QWidget::event(event);
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (recording_ && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
        if (!rect().contains(local)) {
            stopRecording();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ShortcutRecorder::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    // Focus that comes with the window (it opened, or came back to the front)
    // is not the user choosing this field. Nor is a click's focus: the field's
    // own press starts recording, and a press on the clear button, which
    // passes its focus to the field, must reach that button while it is shown.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
        reason != Qt::MouseFocusReason) {
        startRecording();
    }
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    stopRecording();
}

void ShortcutRecorder::keyReleaseEvent(QKeyEvent* event) {
    if (recording_ && isModifierKey(event->key())) {
        heldModifiers_ = event->modifiers() & ~modifierOfKey(event->key());
        update();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void ShortcutRecorder::mousePressEvent(QMouseEvent* event) {
    if (!recording_) {
        setFocus(Qt::MouseFocusReason);
        startRecording(); // also where focus cannot move (no active window)
    }
    event->accept();
}

void ShortcutRecorder::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    int side = height() - 6;
    clearButton_->setGeometry(width() - side - 3, 3, side, side);
}

void ShortcutRecorder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPen pen(recording_ ? palette().color(QPalette::Highlight) : palette().color(QPalette::Mid));
    pen.setWidthF(recording_ ? 2.0 : 1.0);
    painter.setPen(pen);
    painter.setBrush(palette().brush(QPalette::Base));
    painter.drawRoundedRect(frame, 5, 5);

    bool placeholder = recording_ ? heldModifiers_ == Qt::NoModifier
                                  : !(shortcuts_ && shortcuts_->getShortcut(name_));
    painter.setPen(palette().color(placeholder ? QPalette::PlaceholderText : QPalette::Text));
    QRect textArea = rect().adjusted(8, 0, clearButton_->isVisible() ? -height() : -8, 0);
    painter.drawText(textArea, Qt::AlignCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, textArea.width()));
}

} // namespace quillo
