// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TempDir.h"
#include "installer/HookInstaller.h"

#include <QCoreApplication>
#include <QThread>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace quillo::test {

// The event loop that timers and the answers of background work need; one
// for the whole test program.
inline QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "installer_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Turns the event loop until `done` (for up to about 20 s); whether it is.
inline bool waitFor(const std::function<bool()>& done) {
    application();
    for (int i = 0; i < 4000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return done();
}

inline constexpr const char* fixtureRecorder = "/opt/quillo/bin/QuilloHook";
inline const Timestamp fixedTime = timestampFromSeconds(1765000000.75);

// A settings file in a private folder, and the recorder path the fixtures use.
struct SettingsFixture {
    TempDir dir;
    HookInstaller::Setup setup{dir / ".claude/settings.json", fixtureRecorder};

    std::filesystem::path path() const { return setup.settingsPath; }
    void put(const std::string& text) const {
        std::filesystem::create_directories(path().parent_path());
        writeFile(path(), text);
    }
    void putFixture(const std::string& name) const { put(testData(name)); }
    std::string text() const { return readFile(path()); }
    nlohmann::json json() const { return nlohmann::json::parse(text()); }
};

inline HookInstaller::Plan installFrom(const SettingsFixture& f) {
    auto plan = HookInstaller::computePlan(f.setup, fixedTime);
    auto result = HookInstaller::apply(plan);
    EXPECT_TRUE(result.success) << result.errorMessage.value_or("");
    return plan;
}

inline std::string runUninstall(const SettingsFixture& f, bool expectSuccess = true) {
    std::ostringstream out;
    EXPECT_EQ(HookInstaller::uninstall(f.setup, out), expectSuccess);
    return out.str();
}

inline std::string commandOf(const nlohmann::json& group) {
    return group["hooks"][0]["command"].get<std::string>();
}

// Each subscribed event ends with exactly one own group, current and pointing
// at `recorder`; with `onlyGroup`, it is the event's only group.
inline void expectOneCurrentGroupPerEvent(const nlohmann::json& root, bool onlyGroup = false,
                                          const std::string& recorder = fixtureRecorder) {
    for (auto event : HookInstaller::subscribedEvents) {
        const auto& groups = root["hooks"][std::string(event)];
        int own = 0;
        for (const auto& group : groups) {
            own += HookInstaller::groupContainsOurMarker(group) ? 1 : 0;
        }
        EXPECT_EQ(own, 1) << event;
        EXPECT_EQ(commandOf(groups.back()), "\"" + recorder + "\"") << event;
        EXPECT_EQ(groups.back()["hooks"][0]["_quillo_marker"], "com.quillo.mac") << event;
        if (onlyGroup) {
            EXPECT_EQ(groups.size(), 1u) << event;
        }
    }
}

} // namespace quillo::test
