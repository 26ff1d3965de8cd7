// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts.h"
#include "QtTestApp.h"
#include "ShortcutRecorder.h"
#include "ShortcutTestSupport.h"
#include "VirtualDisplay.h"
#include "X11HotKeyService.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

namespace quillo {
namespace {

using test::ctrlAltJ;
using test::ctrlAltK;

constexpr std::uint16_t xCtrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
constexpr std::uint32_t keysymK = 0x6b;
const ShortcutName toggle = ShortcutName::toggleQuillo();
const ShortcutName second{QStringLiteral("second"), std::nullopt};

// One virtual X server per test program, and the application on it through
// Qt's xcb platform, as the monitor runs on a desktop. Started on first use, so
// listing the tests starts nothing.
const std::string& x11Unavailable() {
    static std::unique_ptr<test::VirtualDisplay> display;
    static std::string reason = [] {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            return std::string("xdotool is not installed (scripts/install-deps)");
        }
        display = std::make_unique<test::VirtualDisplay>();
        if (display->name().empty()) {
            return std::string("Xvfb could not start a virtual display");
        }
        ::setenv("DISPLAY", display->name().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("XDG_SESSION_TYPE");
        static int argc = 1;
        static char name[] = "shortcuts-x11-tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        return std::string();
    }();
    return reason;
}

// Another program on the same display, competing for key combinations.
class OtherClient {
public:
    OtherClient() {
        connection_ = xcb_connect(nullptr, nullptr);
        EXPECT_EQ(xcb_connection_has_error(connection_), 0); // a dead link refuses nothing
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        symbols_ = xcb_key_symbols_alloc(connection_);
    }
    ~OtherClient() {
        xcb_key_symbols_free(symbols_);
        xcb_disconnect(connection_);
    }

    xcb_keycode_t keycode(std::uint32_t keysym) {
        std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
            xcb_key_symbols_get_keycode(symbols_, keysym), &std::free);
        return codes ? codes.get()[0] : 0;
    }

    // True when the server let this client have the grab.
    bool grab(std::uint32_t keysym, std::uint16_t modifiers) {
        auto cookie = xcb_grab_key_checked(connection_, 0, root_, modifiers, keycode(keysym),
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(connection_, cookie), &std::free);
        return !error;
    }

    // All four NumLock/CapsLock states of the combination (NumLock is Mod2 here).
    bool grabEveryVariant(std::uint32_t keysym, std::uint16_t modifiers) {
        bool all = true;
        for (int locks :
             {0, XCB_MOD_MASK_LOCK + 0, XCB_MOD_MASK_2 + 0, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2}) {
            all = grab(keysym, static_cast<std::uint16_t>(modifiers | locks)) && all;
        }
        return all;
    }

    void ungrabAll() {
        xcb_ungrab_key(connection_, XCB_GRAB_ANY, root_, XCB_MOD_MASK_ANY);
        xcb_aux_sync();
    }

private:
    void xcb_aux_sync() {
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_key_symbols_t* symbols_ = nullptr;
};

// Types keys into the virtual display as a user would (through XTEST).
void xdotoolKey(const QStringList& combinations) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + combinations);
    ASSERT_TRUE(xdotool.waitForFinished(30000));
    ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
}

class X11HotKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x11Unavailable().empty()) {
            GTEST_SKIP() << x11Unavailable();
        }
        other = std::make_unique<OtherClient>(); // once the display exists
        service = std::make_unique<X11HotKeyService>();
        shortcuts = std::make_unique<KeyboardShortcuts>(settings, *service);
        ASSERT_EQ(service->availability(), HotKeyAvailability::available);
        shortcuts->onKeyDown(toggle, [this] { ++downs; });
        shortcuts->onKeyUp(toggle, [this] { ++ups; });
    }

    MemorySettingsStore settings;
    std::unique_ptr<X11HotKeyService> service;
    std::unique_ptr<KeyboardShortcuts> shortcuts;
    std::unique_ptr<OtherClient> other;
    int downs = 0;
    int ups = 0;
};

TEST_F(X11HotKeys, TheTypedCombinationFiresWhateverTheLockKeys) {
    shortcuts->setShortcut(ctrlAltK, toggle);
    ASSERT_TRUE(shortcuts->isRegistered(ctrlAltK));

    xdotoolKey({QStringLiteral("ctrl+alt+k")});
    EXPECT_TRUE(test::waitUntil([this] { return downs == 1 && ups == 1; }));
    xdotoolKey(
        {QStringLiteral("Num_Lock"), QStringLiteral("ctrl+alt+k"), QStringLiteral("Num_Lock")});
    EXPECT_TRUE(test::waitUntil([this] { return downs == 2; }));
    xdotoolKey(
        {QStringLiteral("Caps_Lock"), QStringLiteral("ctrl+alt+k"), QStringLiteral("Caps_Lock")});
    EXPECT_TRUE(test::waitUntil([this] { return downs == 3 && ups == 3; }));
}

TEST_F(X11HotKeys, ACombinationAnotherClientHoldsIsReportedAndNoneOfItIsKept) {
    // The other program holds only the plain state; the lock variants were free.
    ASSERT_TRUE(other->grab(keysymK, xCtrlAlt));
    int seconds = 0;
    shortcuts->onKeyDown(second, [&seconds] { ++seconds; });

    ::testing::internal::CaptureStderr();
    shortcuts->setShortcut(ctrlAltK, toggle);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error registering hotkey Ctrl+Alt+K:10\n");
    EXPECT_FALSE(shortcuts->isRegistered(ctrlAltK));

    // Nothing of the refused combination stays held: the lock states that were
    // free are free again.
    other->ungrabAll();
    EXPECT_TRUE(other->grabEveryVariant(keysymK, xCtrlAlt));
    other->ungrabAll();

    // The monitor runs on: another combination still works.
    shortcuts->setShortcut(ctrlAltJ, second);
    xdotoolKey({QStringLiteral("ctrl+alt+j")});
    EXPECT_TRUE(test::waitUntil([&seconds] { return seconds == 1; }));
    EXPECT_EQ(downs, 0);
}

TEST_F(X11HotKeys, ResetAndRecordingLetGoOfEveryVariant) {
    shortcuts->setShortcut(ctrlAltK, toggle);
    EXPECT_FALSE(other->grab(keysymK, xCtrlAlt | XCB_MOD_MASK_2));

    shortcuts->recorderStarted();
    EXPECT_TRUE(other->grabEveryVariant(keysymK, xCtrlAlt));
    other->ungrabAll();
    shortcuts->recorderStopped();
    EXPECT_FALSE(other->grab(keysymK, xCtrlAlt | XCB_MOD_MASK_LOCK));

    shortcuts->reset({toggle});
    EXPECT_FALSE(settings.keys().contains(toggle.settingsKey()));
    EXPECT_TRUE(other->grabEveryVariant(keysymK, xCtrlAlt));
}

TEST_F(X11HotKeys, AKeyHeldDownIsOneKeyDown) {
    shortcuts->setShortcut(ctrlAltK, toggle);
    // Presses that repeat while the key is held, as the server sends them.
    xcb_key_press_event_t event{};
    event.detail = other->keycode(keysymK);
    event.state = xCtrlAlt | XCB_MOD_MASK_2;
    auto deliver = [&](std::uint8_t type) {
        event.response_type = type;
        EXPECT_TRUE(service->nativeEventFilter("xcb_generic_event_t", &event, nullptr));
    };
    deliver(XCB_KEY_PRESS);
    deliver(XCB_KEY_PRESS);
    deliver(XCB_KEY_PRESS);
    deliver(XCB_KEY_RELEASE);
    deliver(XCB_KEY_PRESS);
    deliver(XCB_KEY_RELEASE);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(ups, 2);
}

TEST_F(X11HotKeys, TheRecorderGetsTheRegisteredCombinationAndKeepsTheKeyNotTheSymbol) {
    shortcuts->setShortcut(ctrlAltK, toggle);
    QWidget window;
    auto* recorder = new ShortcutRecorder(*shortcuts, toggle, &window);
    (new QVBoxLayout(&window))->addWidget(recorder);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return window.isActiveWindow(); }));
    auto click = [recorder] {
        QPointF inside(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, inside, recorder->mapToGlobal(inside),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(recorder, &press);
        ASSERT_TRUE(recorder->isRecording());
    };

    // While recording, the hot key's own combination reaches the field and
    // does not toggle anything.
    click();
    xdotoolKey({QStringLiteral("ctrl+alt+k")});
    ASSERT_TRUE(test::waitUntil([&] { return !recorder->isRecording(); }));
    EXPECT_EQ(shortcuts->getShortcut(toggle), ctrlAltK);
    EXPECT_EQ(downs, 0);

    // Shift+1 types "!", but the shortcut is the key: 1.
    click();
    xdotoolKey({QStringLiteral("ctrl+shift+1")});
    ASSERT_TRUE(test::waitUntil([&] { return !recorder->isRecording(); }));
    const Shortcut ctrlShift1{0x12, CarbonKeys::controlMask | CarbonKeys::shiftMask};
    EXPECT_EQ(shortcuts->getShortcut(toggle), ctrlShift1);

    // Recording over, the new combination is the hot key.
    EXPECT_TRUE(shortcuts->isRegistered(ctrlShift1));
    xdotoolKey({QStringLiteral("ctrl+shift+1")});
    EXPECT_TRUE(test::waitUntil([this] { return downs == 1; }));
}

TEST_F(X11HotKeys, AClickOnTheClearButtonClearsTheShortcutAndRecordsNothing) {
    shortcuts->setShortcut(ctrlAltK, toggle);
    QWidget window;
    // As in the settings window, another field has the focus when the user
    // goes for the clear button.
    auto* other = new QLineEdit(&window);
    auto* recorder = new ShortcutRecorder(*shortcuts, toggle, &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(other);
    layout->addWidget(recorder);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return window.isActiveWindow(); }));
    other->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return other->hasFocus(); }));
    auto* clear = recorder->findChild<QToolButton*>(QStringLiteral("clearButton"));
    ASSERT_TRUE(clear != nullptr && clear->isVisible());

    // The pointer's press and release, as the server delivers them.
    const QPoint centre = clear->mapToGlobal(clear->rect().center());
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(centre.x()),
                   QString::number(centre.y()), QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(xdotool.waitForFinished(30000));
    EXPECT_TRUE(test::waitUntil([&] { return !shortcuts->getShortcut(toggle).has_value(); }));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(shortcuts->isRegistered(ctrlAltK));

    // Typing the old combination afterwards neither records it nor fires it.
    xdotoolKey({QStringLiteral("ctrl+alt+k")});
    test::waitUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_FALSE(shortcuts->getShortcut(toggle).has_value());
    EXPECT_EQ(downs, 0);
}

TEST_F(X11HotKeys, AfterAKeyboardLayoutChangeTheSameLetterFires) {
    if (QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty()) {
        GTEST_SKIP() << "setxkbmap is not installed";
    }
    shortcuts->setShortcut(ctrlAltK, toggle);
    const xcb_keycode_t qwertyK = other->keycode(keysymK);
    struct BackToUs {
        ~BackToUs() { QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")}); }
    } backToUs;
    // Dvorak puts K where QWERTY has V.
    ASSERT_EQ(QProcess::execute(
                  QStringLiteral("setxkbmap"),
                  {QStringLiteral("us"), QStringLiteral("-variant"), QStringLiteral("dvorak")}),
              0);
    OtherClient fresh; // reads the new keymap
    ASSERT_NE(fresh.keycode(keysymK), qwertyK);
    // The new keymap reaches the service as an event; until it has, typing K
    // lands on the old grab's key. Bounded: type until it fires.
    EXPECT_TRUE(test::waitUntil(
        [this] {
            xdotoolKey({QStringLiteral("ctrl+alt+k")});
            return test::waitUntil([this] { return downs > 0; }, std::chrono::milliseconds(200));
        },
        std::chrono::milliseconds(10000)));
}

} // namespace
} // namespace quillo
