// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HookEnvelope.h"
#include "Timestamp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace quillo::test {

// The one application object of the test program, created on first use.
inline QCoreApplication& qtApp() {
    static int argc = 1;
    static char name[] = "monitoring_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until `done` holds or `limit` passes; false on time-out.
inline bool spinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    qtApp();
    QTimer tick; // wakes the loop so `done` is checked regularly
    tick.start(10);
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// One events-file line, line feed included.
inline std::string envelopeLine(const std::string& eventName, const std::string& sessionId,
                                double recordedAt = 1000,
                                nlohmann::json extra = nlohmann::json::object()) {
    extra["hook_event_name"] = eventName;
    extra["session_id"] = sessionId;
    return *HookEnvelope::encodeLine(extra, timestampFromSeconds(recordedAt), std::nullopt,
                                     std::nullopt, std::nullopt);
}

} // namespace quillo::test
