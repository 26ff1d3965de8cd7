// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QVariantList>

#include <chrono>
#include <vector>

namespace quillo {

// One method call on the session bus.
struct DBusCall {
    QString service;
    QString path;
    QString interface;
    QString method;
    QVariantList arguments;

    bool operator==(const DBusCall&) const = default;
};

struct DBusReply {
    bool ok = false;
    bool timedOut = false;
    QString errorName;
    QString errorMessage;
    QVariantList values;
};

// Calls terminals' D-Bus interfaces (Konsole, GNOME Terminal), blocking for at
// most a short time limit.
class DBusCaller {
public:
    virtual ~DBusCaller() = default;
    virtual DBusReply call(const DBusCall& call) = 0;
};

class SessionBusCaller : public DBusCaller {
public:
    explicit SessionBusCaller(std::chrono::milliseconds timeLimit = std::chrono::seconds(1))
        : timeLimit_(timeLimit) {}
    DBusReply call(const DBusCall& call) override;

private:
    std::chrono::milliseconds timeLimit_;
};

// For tests: records the calls; answers with the reply set for the method's
// name, else with `reply`.
class FakeDBusCaller : public DBusCaller {
public:
    DBusReply call(const DBusCall& call) override {
        calls.push_back(call);
        return repliesByMethod.value(call.method, reply);
    }

    DBusReply reply{
        .ok = true, .timedOut = false, .errorName = {}, .errorMessage = {}, .values = {}};
    QMap<QString, DBusReply> repliesByMethod;
    std::vector<DBusCall> calls;
};

} // namespace quillo
