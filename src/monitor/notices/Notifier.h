// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace quillo {

// What one desktop notice says.
struct Notice {
    QString summary;
    QString body;
    bool answers = false; // also offers "allow" and "deny" for an open question

    bool operator==(const Notice&) const = default;
};

// The desktop's notification service. Every notice carries the default action
// (a click on it) and the switch action, and one that answers a permission
// question also the allow and deny actions; a click on any comes back as
// actionInvoked with the notice's id. Main thread only.
class Notifier : public QObject {
    Q_OBJECT

public:
    static constexpr const char* defaultAction = "default";
    static constexpr const char* switchAction = "switch";
    static constexpr const char* allowAction = "allow";
    static constexpr const char* denyAction = "deny";

    // Called on the main thread with the id the service gave the notice, or
    // nothing when it was not shown.
    using Posted = std::function<void(std::optional<quint32> id)>;

    using QObject::QObject;

    // Whether a notification service answers on the desktop.
    virtual bool isAvailable() const = 0;
    // Shows `notice`, in place of the notice `replaces` when that is not 0.
    virtual void post(const Notice& notice, quint32 replaces, Posted posted) = 0;
    // Takes a notice back.
    virtual void withdraw(quint32 id) = 0;

signals:
    void availabilityChanged(bool available);
    void actionInvoked(quint32 id, const QString& action);
    // The service closed the notice (it expired, or the user dismissed it).
    void closed(quint32 id);
};

// For tests: answers at once unless told to hold the answers back, and
// remembers every request.
class FakeNotifier : public Notifier {
    Q_OBJECT

public:
    struct Post {
        Notice notice;
        quint32 replaces = 0;
    };

    using Notifier::Notifier;

    bool isAvailable() const override { return available_; }
    void setAvailable(bool available);

    void post(const Notice& notice, quint32 replaces, Posted posted) override;
    void withdraw(quint32 id) override { withdrawn.push_back(id); }

    // Held answers wait until answerHeld().
    void holdAnswers(bool hold) { hold_ = hold; }
    void answerHeld();

    std::vector<Post> posts;
    std::vector<quint32> withdrawn;

private:
    bool available_ = true;
    bool hold_ = false;
    quint32 nextId_ = 1;
    std::vector<std::pair<quint32, Posted>> held_;
};

} // namespace quillo
