// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop notices of waiting sessions, against a stand-in notification server
// on a private session bus: what is sent, when a notice is replaced or taken
// back, the rate per session, clicks, what the user already looks at, and a
// desktop without a server.
#include "notices/SessionNotices.h"
#include "QtTestApp.h"
#include "StandInNotificationServer.h"
#include "notices/DBusNotifier.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using test::StandInNotificationServer;
using test::waitUntil;

ClaudeProcess session(const std::string& id, ProcessState state, double changedAt,
                      std::optional<std::int32_t> terminalPid = 4100) {
    ClaudeProcess process;
    process.id = id;
    process.name = id;
    process.state = state;
    process.startedAt = timestampFromSeconds(1000);
    process.stateChangedAt = timestampFromSeconds(1000 + changedAt);
    if (terminalPid) {
        process.terminal = TerminalLocation{TerminalKind::gnomeTerminal, *terminalPid, 4200,
                                            std::string("/dev/pts/3")};
    }
    return process;
}

// Hand-run delayed calls and a clock the test moves.
struct Time {
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
    struct Call {
        std::chrono::milliseconds delay;
        std::function<void()> call;
    };
    std::deque<Call> later;

    SessionNotices::Services services() {
        SessionNotices::Services services;
        services.clock = [this] { return now; };
        services.later = [this](std::chrono::milliseconds delay, QObject*,
                                std::function<void()> call) {
            later.push_back({delay, std::move(call)});
        };
        return services;
    }
    void runLater() {
        auto calls = std::move(later);
        later.clear();
        for (auto& call : calls) {
            now += call.delay;
            call.call();
        }
    }
};

class SessionNoticesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        if (bus.address.isEmpty()) {
            GTEST_SKIP() << "dbus-daemon could not be started";
        }
        serverConnection = std::make_unique<QDBusConnection>(bus.connect("server"));
        server = std::make_unique<StandInNotificationServer>(*serverConnection);
    }
    void TearDown() override {
        notices.reset();
        notifier.reset();
        server.reset();
        serverConnection.reset();
        QDBusConnection::disconnectFromBus("server");
        QDBusConnection::disconnectFromBus("client");
    }

    // The monitor's side, once the server is (or is not) there.
    void startMonitor(bool waitForServer = true) {
        notifier = std::make_unique<DBusNotifier>(bus.connect("client"));
        SessionNotices::Services services = time.services();
        services.isDashboardOpen = [this] { return dashboardOpen; };
        services.activeWindowPid = [this] { return activePid; };
        services.switchTo = [this](const ClaudeProcess& process) {
            switched.push_back(process.id);
        };
        services.hasQuestion = [this](const std::string& id) { return asking.count(id) != 0; };
        services.answerQuestion = [this](const std::string& id, bool allow) {
            answered.emplace_back(id, allow);
            asking.erase(id);
        };
        notices = std::make_unique<SessionNotices>(*notifier, settings, services);
        if (waitForServer) {
            ASSERT_TRUE(waitUntil([&] { return notifier->isAvailable(); }));
        }
    }
    bool notifiesReach(std::size_t count) {
        return waitUntil([&] { return server->notifies.size() >= count; }) &&
               server->notifies.size() == count;
    }
    bool closesReach(std::size_t count) {
        return waitUntil([&] { return server->closes.size() >= count; }) &&
               server->closes.size() == count;
    }
    // Every call before a later one has reached the server: the bus keeps the
    // order of one connection's messages.
    // `current` are the sessions of the last publication, which stay as they are.
    void probeNothingElseArrived(std::size_t notifiesSoFar,
                                 std::vector<ClaudeProcess> current = {}) {
        std::vector<ClaudeProcess> withProbe = current;
        withProbe.push_back(session("probe", ProcessState::waitingPermission, 0));
        notices->update(withProbe);
        ASSERT_TRUE(notifiesReach(notifiesSoFar + 1));
        EXPECT_EQ(server->notifies.back().summary, "probe") << "an unexpected notice came first";
        notices->update(current);
    }

    test::PrivateBus bus;
    std::unique_ptr<QDBusConnection> serverConnection;
    std::unique_ptr<StandInNotificationServer> server;
    std::unique_ptr<DBusNotifier> notifier;
    std::unique_ptr<SessionNotices> notices;
    MemorySettingsStore settings;
    Time time;
    bool dashboardOpen = false;
    std::optional<std::int32_t> activePid;
    std::vector<std::string> switched;
    std::set<std::string> asking; // sessions with an open question
    std::vector<std::pair<std::string, bool>> answered;
};

TEST_F(SessionNoticesTest, APermissionWaitIsShownReplacedOnANewWaitAndTakenBackWhenItEnds) {
    ASSERT_TRUE(server->start());
    startMonitor();
    EXPECT_TRUE(notifier->supportsSound());

    notices->update({session("api", ProcessState::waitingPermission, 0)});
    ASSERT_TRUE(notifiesReach(1));
    const auto& first = server->notifies[0];
    EXPECT_EQ(first.appName, "Quillo");
    EXPECT_EQ(first.replaces, 0u);
    EXPECT_EQ(first.icon, "com.quillo.mac");
    EXPECT_EQ(first.summary, "api");
    EXPECT_EQ(first.body, QStringLiteral("需要你的权限确认 · GNOME Terminal"));
    EXPECT_EQ(first.actions, (QStringList{"default", "切换到终端", "switch", "切换到终端"}));
    EXPECT_EQ(first.hints.value("desktop-entry").toString(), "com.quillo.mac");
    EXPECT_EQ(first.hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_EQ(first.timeout, -1);
    ASSERT_TRUE(waitUntil([&] { return notices->noticeOf("api").has_value(); }));

    // Later publications that repeat the wait change nothing.
    notices->update({session("api", ProcessState::waitingPermission, 0)});
    notices->update({session("api", ProcessState::waitingPermission, 0),
                     session("web", ProcessState::active, 0)});

    // Approved in the terminal: the notice goes.
    time.now += 6s;
    notices->update({session("api", ProcessState::active, 6)});
    ASSERT_TRUE(closesReach(1));
    EXPECT_EQ(server->closes[0], first.id);
    EXPECT_EQ(server->notifies.size(), 1u);

    // A turn of 20 s ends, then a permission question comes: the second
    // notice replaces the first on screen.
    time.now += 20s;
    notices->update({session("api", ProcessState::waitingInput, 26)});
    ASSERT_TRUE(notifiesReach(2));
    EXPECT_EQ(server->notifies[1].body, QStringLiteral("正在等待你的输入 · GNOME Terminal"));
    EXPECT_EQ(server->notifies[1].replaces, 0u);
    ASSERT_TRUE(waitUntil([&] { return notices->noticeOf("api") == server->notifies[1].id; }));
    time.now += 6s;
    notices->update({session("api", ProcessState::waitingPermission, 32)});
    ASSERT_TRUE(notifiesReach(3));
    EXPECT_EQ(server->notifies[2].replaces, server->notifies[1].id);
    EXPECT_EQ(server->notifies[2].id, server->notifies[1].id);

    // The session ends while it waits: its notice goes with it.
    notices->update({});
    ASSERT_TRUE(closesReach(2));
    EXPECT_EQ(server->closes[1], server->notifies[2].id);
    EXPECT_TRUE(server->open.empty());
}

TEST_F(SessionNoticesTest, AServerThatPlaysNoSoundsIsNotAskedForOne) {
    server = std::make_unique<StandInNotificationServer>(*serverConnection,
                                                         QStringList{"actions", "body"});
    ASSERT_TRUE(server->start());
    startMonitor();
    EXPECT_FALSE(notifier->supportsSound());
    notices->update({session("api", ProcessState::waitingPermission, 0, std::nullopt)});
    ASSERT_TRUE(notifiesReach(1));
    EXPECT_FALSE(server->notifies[0].hints.contains("sound-name"));
    EXPECT_EQ(server->notifies[0].hints.value("desktop-entry").toString(), "com.quillo.mac");
    EXPECT_EQ(server->notifies[0].body, QStringLiteral("需要你的权限确认")) << "no terminal known";
}

TEST_F(SessionNoticesTest, OnlyWaitsForInputAfterTenSecondsOfWorkAndOnlyWhatTheSettingsAllow) {
    ASSERT_TRUE(server->start());
    startMonitor();
    // Nine seconds of work, an answer while the user still watches; a wait
    // that follows a permission question or opens a session: no notice.
    notices->update({session("quick", ProcessState::active, 0),
                     session("asked", ProcessState::waitingPermission, 0),
                     session("fresh", ProcessState::waitingInput, 0)});
    ASSERT_TRUE(notifiesReach(1));
    EXPECT_EQ(server->notifies[0].summary, "asked");
    notices->update({session("quick", ProcessState::waitingInput, 9.9),
                     session("asked", ProcessState::waitingInput, 3),
                     session("fresh", ProcessState::waitingInput, 0)});
    ASSERT_TRUE(closesReach(1)) << "the permission notice is no longer true";
    probeNothingElseArrived(1);

    // Ten seconds of work is enough.
    notices->update({session("long", ProcessState::active, 0)});
    notices->update({session("long", ProcessState::waitingInput, 10)});
    ASSERT_TRUE(notifiesReach(3));
    EXPECT_EQ(server->notifies[2].summary, "long");

    // Each kind has its own switch.
    SessionNotices::setEnabled(settings, SessionNotices::inputKey, false);
    notices->update({session("off", ProcessState::active, 0)});
    notices->update({session("off", ProcessState::waitingInput, 30)});
    SessionNotices::setEnabled(settings, SessionNotices::permissionKey, false);
    notices->update({session("off", ProcessState::waitingPermission, 40)});
    SessionNotices::setEnabled(settings, SessionNotices::permissionKey, true);
    probeNothingElseArrived(3);
}

TEST_F(SessionNoticesTest, ASessionPostsOncePerFiveSecondsAndALaterWaitComesWhenItStillHolds) {
    ASSERT_TRUE(server->start());
    startMonitor();
    notices->update({session("api", ProcessState::waitingPermission, 0)});
    ASSERT_TRUE(notifiesReach(1));
    ASSERT_TRUE(waitUntil([&] { return notices->noticeOf("api").has_value(); }));

    // Approved and asked again two seconds later: the old notice goes at
    // once, the new one waits for the rest of the five seconds.
    time.now += 1s;
    notices->update({session("api", ProcessState::active, 1)});
    time.now += 1s;
    notices->update({session("api", ProcessState::waitingPermission, 2)});
    ASSERT_TRUE(closesReach(1));
    ASSERT_EQ(time.later.size(), 1u);
    EXPECT_EQ(time.later.front().delay, 3s);
    probeNothingElseArrived(1, {session("api", ProcessState::waitingPermission, 2)});
    time.runLater();
    ASSERT_TRUE(notifiesReach(3));
    EXPECT_EQ(server->notifies[2].summary, "api");

    // A wait that is over before its turn comes is never shown.
    time.now += 1s;
    notices->update({session("api", ProcessState::active, 10)});
    notices->update({session("api", ProcessState::waitingPermission, 11)});
    notices->update({session("api", ProcessState::active, 12)});
    time.runLater();
    probeNothingElseArrived(3, {session("api", ProcessState::active, 12)});

    // Five seconds after its last notice the session posts again at once;
    // other sessions have rates of their own.
    notices->update({session("api", ProcessState::waitingPermission, 13),
                     session("web", ProcessState::waitingPermission, 13)});
    ASSERT_TRUE(notifiesReach(6));
    EXPECT_EQ(server->notifies[4].summary, "api");
    EXPECT_EQ(server->notifies[5].summary, "web");
}

TEST_F(SessionNoticesTest, AClickOnTheNoticeOrItsActionSwitchesToTheSession) {
    ASSERT_TRUE(server->start());
    startMonitor();
    notices->update({session("api", ProcessState::waitingPermission, 0),
                     session("web", ProcessState::waitingPermission, 0)});
    ASSERT_TRUE(notifiesReach(2));
    ASSERT_TRUE(waitUntil([&] { return notices->noticeOf("web").has_value(); }));
    const uint api = *notices->noticeOf("api");
    const uint web = *notices->noticeOf("web");

    server->invoke(web, "default");
    ASSERT_TRUE(waitUntil([&] { return !switched.empty(); }));
    EXPECT_EQ(switched, std::vector<std::string>{"web"});
    ASSERT_TRUE(closesReach(1)) << "the notice has done its job";
    EXPECT_EQ(server->closes[0], web);

    // Unknown actions and notices that are not ours do nothing.
    server->invoke(api, "snooze");
    server->invoke(9999, "default");
    server->invoke(api, "switch");
    ASSERT_TRUE(waitUntil([&] { return switched.size() == 2; }));
    EXPECT_EQ(switched.back(), "api");
}

TEST_F(SessionNoticesTest, APermissionNoticeAnswersTheQuestionWhileItIsOpen) {
    ASSERT_TRUE(server->start());
    startMonitor();
    // Action keys and labels alternate; the labels are the interface's language.
    auto offersAnswers = [&](const StandInNotificationServer::Notify& notify) {
        return notify.actions.size() == 8 && notify.actions[4] == "allow" &&
               notify.actions[6] == "deny";
    };
    // The wait is known before the question arrives: the notice gains its
    // answers when it does, and loses them when the question closes.
    notices->update({session("api", ProcessState::waitingPermission, 0)});
    ASSERT_TRUE(notifiesReach(1));
    EXPECT_FALSE(offersAnswers(server->notifies[0]));
    asking.insert("api");
    notices->questionsChanged("api");
    ASSERT_TRUE(notifiesReach(2));
    EXPECT_TRUE(offersAnswers(server->notifies[1]));
    EXPECT_EQ(server->notifies[1].replaces, server->notifies[0].id);
    notices->questionsChanged("api"); // nothing new to say
    asking.clear();
    notices->questionsChanged("api");
    ASSERT_TRUE(notifiesReach(3));
    EXPECT_FALSE(offersAnswers(server->notifies[2]));

    // A question already open when the wait begins; the click answers it.
    asking = {"web", "db"};
    notices->update({session("api", ProcessState::waitingPermission, 0),
                     session("web", ProcessState::waitingPermission, 0),
                     session("db", ProcessState::waitingPermission, 0)});
    ASSERT_TRUE(notifiesReach(5));
    EXPECT_TRUE(offersAnswers(server->notifies[3]));
    ASSERT_TRUE(waitUntil([&] { return notices->noticeOf("db").has_value(); }));
    server->invoke(*notices->noticeOf("web"), "deny");
    server->invoke(*notices->noticeOf("db"), "allow");
    ASSERT_TRUE(waitUntil([&] { return answered.size() == 2; }));
    EXPECT_EQ(answered, (std::vector<std::pair<std::string, bool>>{{"web", false}, {"db", true}}));
    EXPECT_TRUE(switched.empty()) << "answering does not switch";
    ASSERT_TRUE(closesReach(2)) << "an answered notice goes";
    // An answer for a question closed meanwhile answers nothing.
    server->invoke(*notices->noticeOf("api"), "allow");
    ASSERT_TRUE(closesReach(3));
    EXPECT_EQ(answered.size(), 2u);
}

TEST_F(SessionNoticesTest, NothingIsShownWhileTheUserLooksAtTheTerminalOrTheDashboard) {
    ASSERT_TRUE(server->start());
    startMonitor();
    activePid = 4100; // the sessions' terminal has the focus
    notices->update({session("api", ProcessState::waitingPermission, 0),
                     session("bare", ProcessState::waitingPermission, 0, std::nullopt)});
    ASSERT_TRUE(notifiesReach(1));
    EXPECT_EQ(server->notifies[0].summary, "bare") << "a session without a terminal is not seen";

    activePid = 777; // another window
    dashboardOpen = true;
    notices->update({session("api", ProcessState::waitingPermission, 0),
                     session("web", ProcessState::waitingPermission, 0)});
    dashboardOpen = false;
    notices->update({session("api", ProcessState::waitingPermission, 0),
                     session("web", ProcessState::waitingPermission, 0),
                     session("docs", ProcessState::waitingPermission, 0)});
    ASSERT_TRUE(notifiesReach(2));
    EXPECT_EQ(server->notifies[1].summary, "docs");
}

TEST_F(SessionNoticesTest, WithoutAServerNothingIsSentUntilOneTakesTheName) {
    startMonitor(false);
    const QString spare = QStringLiteral("spare");
    QDBusConnection other = bus.connect(spare);
    // The probe has been answered (with an error) once the bus has answered
    // a later call of the same connection.
    ASSERT_TRUE(waitUntil([&] { return other.isConnected(); }));
    test::spin(200ms);
    EXPECT_FALSE(notifier->isAvailable());
    notices->update({session("api", ProcessState::waitingPermission, 0)});

    bool available = false;
    QObject::connect(notifier.get(), &Notifier::availabilityChanged,
                     [&](bool now) { available = now; });
    ASSERT_TRUE(server->start());
    ASSERT_TRUE(waitUntil([&] { return available; }));
    test::spin(300ms);
    EXPECT_EQ(server->capabilityQueries, 1) << "asked once when it came, not in a loop";
    EXPECT_TRUE(server->notifies.empty()) << "an earlier wait is not replayed";

    time.now += 10s;
    notices->update({session("api", ProcessState::active, 5)});
    notices->update({session("api", ProcessState::waitingPermission, 6)});
    ASSERT_TRUE(notifiesReach(1));

    // The server leaves: no more notices until it is back.
    server->stop();
    ASSERT_TRUE(waitUntil([&] { return !available; }));
    QDBusConnection::disconnectFromBus(spare);
}

// Answers the service has not given yet: the notice they name is taken back
// or replaced once they come.
TEST(SessionNotices, AnswersThatComeAfterTheWaitEndedTakeTheirNoticeBack) {
    test::qtApp();
    FakeNotifier notifier;
    MemorySettingsStore settings;
    Time time;
    SessionNotices notices(notifier, settings, time.services());
    notifier.holdAnswers(true);

    notices.update({session("api", ProcessState::waitingPermission, 0),
                    session("web", ProcessState::waitingPermission, 0)});
    notices.update({session("api", ProcessState::active, 1)}); // web ended
    EXPECT_TRUE(notifier.withdrawn.empty());
    notifier.answerHeld();
    EXPECT_EQ(notifier.withdrawn, (std::vector<quint32>{1, 2}));
    EXPECT_FALSE(notices.noticeOf("api"));

    // A new wait while the last post is unanswered replaces that notice.
    time.now += 10s;
    notices.update({session("api", ProcessState::waitingPermission, 20)});
    time.now += 10s;
    notices.update({session("api", ProcessState::active, 21)});
    notices.update({session("api", ProcessState::waitingPermission, 22)});
    ASSERT_EQ(notifier.posts.size(), 3u);
    notifier.answerHeld();
    ASSERT_EQ(notifier.posts.size(), 4u);
    EXPECT_EQ(notifier.posts[3].replaces, 3u);
    notifier.answerHeld();
    EXPECT_EQ(notices.noticeOf("api"), 3u);

    // Approved and asked again within the five seconds while the service is
    // still to answer: the answer takes the old notice back, and the new wait
    // still comes when its time is due.
    time.now += 10s;
    notices.update({session("api", ProcessState::active, 30)});
    notices.update({session("api", ProcessState::waitingPermission, 31)});
    ASSERT_EQ(notifier.posts.size(), 5u);
    time.now += 1s;
    notices.update({session("api", ProcessState::active, 32)});
    time.now += 1s;
    notices.update({session("api", ProcessState::waitingPermission, 33)});
    notifier.answerHeld();
    EXPECT_EQ(notifier.withdrawn.back(), 4u);
    ASSERT_EQ(time.later.size(), 1u);
    time.runLater();
    ASSERT_EQ(notifier.posts.size(), 6u);
    EXPECT_EQ(notifier.posts[5].replaces, 0u);
}

} // namespace
} // namespace quillo
