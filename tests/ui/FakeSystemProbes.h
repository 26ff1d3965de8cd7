// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "system/SystemProbes.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace quillo::test {

// Answers from fields; the avahi probe can be made to hang until released.
class FakeSystemProbes : public SystemProbes {
public:
    std::optional<Daemon> avahiDaemon() override {
        ++avahiCalls;
        std::unique_lock lock(mutex);
        threads.insert(std::this_thread::get_id());
        released.wait(lock, [this] { return !hangAvahi; });
        return daemon;
    }
    std::optional<bool> portListening(quint16 port) override {
        askedPort = port;
        return listening;
    }
    Display display() override { return screen; }
    bool commandFound(const std::string& name) override { return commands.count(name) > 0; }
    std::optional<std::string> kittyConfig() override { return kittyConf; }

    void release() {
        {
            std::lock_guard lock(mutex);
            hangAvahi = false;
        }
        released.notify_all();
    }

    std::optional<Daemon> daemon = Daemon::running;
    std::optional<bool> listening = true;
    Display screen{":0", std::nullopt, true};
    std::set<std::string> commands;
    std::optional<std::string> kittyConf;

    bool hangAvahi = false;
    std::mutex mutex;
    std::condition_variable released;
    std::atomic<int> avahiCalls = 0;
    std::atomic<quint16> askedPort = 0;
    std::set<std::thread::id> threads;
};

} // namespace quillo::test
