// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MonitorLock.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>

class QLocalServer;

namespace quillo {

// One monitor per application-support directory: the lock decides who runs,
// and the running desktop monitor listens on a local socket so that a second
// launch can ask it to show itself instead of starting again. The socket's
// name comes from the directory's path, so a monitor started with a private
// HOME (a test) never talks to the user's own.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr const char* activateRequest = "activate\n";
    static constexpr const char* activateReply = "ok\n";

    explicit SingleInstance(std::filesystem::path appSupport, QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR (else the application-support directory itself) /
    // "quillo-" + 16 hex digits of a hash of the directory's path + ".sock".
    static QString socketPath(const std::filesystem::path& appSupport);

    MonitorLock& lock() { return lock_; }
    MonitorLock::Outcome claim() { return lock_.acquire(); }

    // Starts answering second launches. Only the lock holder calls this, so a
    // socket file left by a crashed monitor can be replaced safely.
    bool listen();
    bool isListening() const;

    // Stops listening and lets the lock go, for a relaunch.
    void release();

    // The second launch's side: asks the running monitor to show itself.
    // Retries while that monitor may still be starting; false when nobody
    // answered within `patience`.
    static bool askRunningInstanceToActivate(
        const QString& socketPath,
        std::chrono::milliseconds patience = std::chrono::milliseconds(3000));

signals:
    // A second launch asked for the dashboard.
    void activationRequested();

private:
    std::filesystem::path appSupport_;
    MonitorLock lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace quillo
