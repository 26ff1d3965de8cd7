// SPDX-License-Identifier: GPL-3.0-or-later
#include "SwitchRunner.h"

#include <QMetaObject>
#include <QPointer>

namespace quillo {

ThreadedSwitchRunner::ThreadedSwitchRunner(SwitchFunction switchTo)
    : switchTo_(std::move(switchTo)) {
    pool_.setMaxThreadCount(1);
    // Keep the thread for a while: taps come in short series.
    pool_.setExpiryTimeout(30'000);
}

ThreadedSwitchRunner::~ThreadedSwitchRunner() {
    pool_.waitForDone();
}

void ThreadedSwitchRunner::run(const ClaudeProcess& process, QObject* context, Done done) {
    QPointer<QObject> receiver(context);
    pool_.start([this, process, receiver, done = std::move(done)] {
        SwitchResult result = switchTo_(process);
        // The relay lives on the main thread and outlives every job (the
        // destructor waits for them); the receiver is checked there.
        QMetaObject::invokeMethod(
            &relay_,
            [receiver, done, result = std::move(result)] {
                if (!receiver.isNull()) {
                    done(result);
                }
            },
            Qt::QueuedConnection);
    });
}

} // namespace quillo
