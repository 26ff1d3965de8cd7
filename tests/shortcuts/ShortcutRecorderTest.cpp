// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutRecorder.h"
#include "FakeHotKeyService.h"
#include "KeyboardShortcuts.h"
#include "QtTestApp.h"
#include "ShortcutTestSupport.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillo {
namespace {

using test::ctrlAltJ;
using test::ctrlAltK;

const QString storedKey = QStringLiteral("KeyboardShortcuts_toggleQuillo");
const ShortcutName toggle = ShortcutName::toggleQuillo();

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        recorder = new ShortcutRecorder(shortcuts, toggle, &window);
        other = new QLineEdit(&window);
        outside = new QLabel(QStringLiteral("outside"), &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(recorder);
        layout->addWidget(other);
        layout->addWidget(outside);
        QObject::connect(recorder, &ShortcutRecorder::shortcutChanged,
                         [this](const std::optional<Shortcut>& s) { recorded.push_back(s); });
        QObject::connect(recorder, &ShortcutRecorder::shortcutRejected, [this] { ++beeps; });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(test::waitUntil([this] { return window.isActiveWindow(); }));
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr) << "no field takes the key";
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(focused, &event);
    }

    void record() {
        QPointF inside(5, 5);
        QMouseEvent click(QEvent::MouseButtonPress, inside, recorder->mapToGlobal(inside),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(recorder, &click);
        ASSERT_TRUE(recorder->isRecording());
    }

    struct App {
        App() { test::widgetApp(); }
    } app; // before any widget
    MemorySettingsStore settings;
    FakeHotKeyService hotKeys;
    KeyboardShortcuts shortcuts{settings, hotKeys};
    QWidget window;
    ShortcutRecorder* recorder = nullptr;
    QLineEdit* other = nullptr;
    QLabel* outside = nullptr;
    std::vector<std::optional<Shortcut>> recorded;
    int beeps = 0;
};

TEST_F(Recorder, FocusRecordsTheCombinationWhileHotKeysWait) {
    shortcuts.onKeyDown(toggle, [] {});
    shortcuts.setShortcut(ctrlAltJ, toggle);
    // The window gave the field its focus; only the user's choice records.
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->text(), "Ctrl+Alt+J");

    record();
    EXPECT_TRUE(shortcuts.isRecording());
    EXPECT_TRUE(hotKeys.registered().empty()); // the combination must reach the field
    press(Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(recorder->text(), "Ctrl+");
    press(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);

    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(recorder->hasFocus());
    EXPECT_EQ(settings.string(storedKey), ctrlAltK.toJson());
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltK});
    EXPECT_EQ(recorder->text(), "Ctrl+Alt+K");
    EXPECT_EQ(recorded, (std::vector<std::optional<Shortcut>>{ctrlAltK}));

    // Tab is a key like any other while recording; it does not move the focus.
    record();
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(shortcuts.getShortcut(toggle), (Shortcut{0x30, CarbonKeys::controlMask}));
    EXPECT_FALSE(other->hasFocus());
}

TEST_F(Recorder, EscapeOrAClickOutsideEndsRecordingWithoutChange) {
    shortcuts.setShortcut(ctrlAltJ, toggle);
    record();
    press(Qt::Key_Escape);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(shortcuts.isRecording());
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltJ});

    record();
    // The label takes no focus, so only the click itself can end recording.
    QPointF inLabel(5, 5);
    QMouseEvent click(QEvent::MouseButtonPress, inLabel, outside->mapToGlobal(inLabel),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(outside, &click);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(shortcuts.getShortcut(toggle), ctrlAltJ);
    EXPECT_TRUE(recorded.empty());
}

TEST_F(Recorder, CombinationsWithoutCtrlAltOrSuperBeepAndRecordingGoesOn) {
    record();
    press(Qt::Key_K);
    press(Qt::Key_K, Qt::ShiftModifier);
    press(Qt::Key_Exclam, Qt::ShiftModifier | Qt::ControlModifier); // no key of its own
    EXPECT_EQ(beeps, 3);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_FALSE(settings.keys().contains(storedKey));

    // A function key is shortcut enough on its own.
    press(Qt::Key_F5);
    EXPECT_EQ(shortcuts.getShortcut(toggle), (Shortcut{0x60, 0}));
}

TEST_F(Recorder, TheClearButtonAndAResetElsewhereEmptyTheField) {
    auto* clear = recorder->findChild<QToolButton*>(QStringLiteral("clearButton"));
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->isVisible());
    shortcuts.setShortcut(ctrlAltK, toggle);
    EXPECT_TRUE(clear->isVisible());

    clear->click();
    EXPECT_FALSE(settings.keys().contains(storedKey));
    EXPECT_TRUE(hotKeys.registered().empty());
    EXPECT_FALSE(clear->isVisible());
    EXPECT_EQ(recorded, (std::vector<std::optional<Shortcut>>{std::nullopt}));

    shortcuts.setShortcut(ctrlAltK, toggle);
    shortcuts.reset({toggle});
    EXPECT_NE(recorder->text(), "Ctrl+Alt+K");
    EXPECT_FALSE(clear->isVisible());
}

TEST_F(Recorder, ARecorderClosedWhileRecordingGivesTheHotKeysBack) {
    shortcuts.setShortcut(ctrlAltK, toggle);
    record();
    delete recorder;
    EXPECT_FALSE(shortcuts.isRecording());
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltK});
}

} // namespace
} // namespace quillo
