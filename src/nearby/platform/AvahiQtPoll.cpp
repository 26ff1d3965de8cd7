// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AvahiQtPoll.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/time.h>

#include <algorithm>

// The two structures avahi leaves to the poll implementation.
struct AvahiWatch {
    int fd = -1;
    AvahiWatchEvent wanted{};
    AvahiWatchEvent happened{};
    AvahiWatchCallback callback = nullptr;
    void* userdata = nullptr;
    QSocketNotifier* read = nullptr;
    QSocketNotifier* write = nullptr;
};

struct AvahiTimeout {
    AvahiTimeoutCallback callback = nullptr;
    void* userdata = nullptr;
    QTimer* timer = nullptr;
};

namespace quillo {

namespace {

void dispatch(AvahiWatch* w, AvahiWatchEvent event) {
    w->happened = event;
    w->callback(w, w->fd, event, w->userdata);
    // The callback may have freed the watch; it must not be touched after.
}

void applyEvents(AvahiWatch* w) {
    w->read->setEnabled(w->wanted & AVAHI_WATCH_IN);
    w->write->setEnabled(w->wanted & AVAHI_WATCH_OUT);
}

AvahiWatch* watchNew(const AvahiPoll*, int fd, AvahiWatchEvent event, AvahiWatchCallback callback,
                     void* userdata) {
    auto* w = new AvahiWatch;
    w->fd = fd;
    w->wanted = event;
    w->callback = callback;
    w->userdata = userdata;
    w->read = new QSocketNotifier(fd, QSocketNotifier::Read);
    w->write = new QSocketNotifier(fd, QSocketNotifier::Write);
    QObject::connect(w->read, &QSocketNotifier::activated, [w] { dispatch(w, AVAHI_WATCH_IN); });
    QObject::connect(w->write, &QSocketNotifier::activated, [w] { dispatch(w, AVAHI_WATCH_OUT); });
    applyEvents(w);
    return w;
}

void watchUpdate(AvahiWatch* w, AvahiWatchEvent event) {
    w->wanted = event;
    applyEvents(w);
}

AvahiWatchEvent watchGetEvents(AvahiWatch* w) {
    return w->happened;
}

void watchFree(AvahiWatch* w) {
    // Often called from inside the notifier's own signal: disarm now, delete later.
    for (QSocketNotifier* n : {w->read, w->write}) {
        n->setEnabled(false);
        n->disconnect();
        n->deleteLater();
    }
    delete w;
}

int millisecondsUntil(const struct timeval* tv) {
    struct timeval now {};
    gettimeofday(&now, nullptr);
    long long ms = (static_cast<long long>(tv->tv_sec) - now.tv_sec) * 1000 +
                   (static_cast<long long>(tv->tv_usec) - now.tv_usec) / 1000;
    return static_cast<int>(std::clamp<long long>(ms, 0, 24LL * 3600 * 1000));
}

void timeoutUpdate(AvahiTimeout* t, const struct timeval* tv) {
    if (!tv) {
        t->timer->stop();
        return;
    }
    t->timer->start(millisecondsUntil(tv));
}

AvahiTimeout* timeoutNew(const AvahiPoll*, const struct timeval* tv, AvahiTimeoutCallback callback,
                         void* userdata) {
    auto* t = new AvahiTimeout;
    t->callback = callback;
    t->userdata = userdata;
    t->timer = new QTimer;
    t->timer->setSingleShot(true);
    QObject::connect(t->timer, &QTimer::timeout, [t] { t->callback(t, t->userdata); });
    timeoutUpdate(t, tv);
    return t;
}

void timeoutFree(AvahiTimeout* t) {
    t->timer->stop();
    t->timer->disconnect();
    t->timer->deleteLater();
    delete t;
}

} // namespace

AvahiQtPoll::AvahiQtPoll() {
    api_.userdata = this;
    api_.watch_new = watchNew;
    api_.watch_update = watchUpdate;
    api_.watch_get_events = watchGetEvents;
    api_.watch_free = watchFree;
    api_.timeout_new = timeoutNew;
    api_.timeout_update = timeoutUpdate;
    api_.timeout_free = timeoutFree;
}

AvahiQtPoll::~AvahiQtPoll() = default;

} // namespace quillo
