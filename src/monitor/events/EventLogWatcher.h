// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ParallelLineParser.h"
#include "ParsedHookEvent.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/types.h>
#include <vector>

class QSocketNotifier;

namespace quillo {

class ProcessStateStore;

// Consumes the events file that the recorders append to: moves it aside under
// the recorders' lock (a fresh, empty file takes its place), parses the moved
// copy, hands the events to the store in file order and deletes the copy.
// Woken by inotify on the file, with a 5-second timer as the safety net. Copies
// that an earlier run left behind (it was killed while consuming) are consumed
// first, oldest first, at start. Everything runs on the main thread, except
// that a large backlog is parsed on a helper thread too.
class EventLogWatcher : public QObject {
    Q_OBJECT

public:
    // Watches events.jsonl in the application-support directory.
    explicit EventLogWatcher(ProcessStateStore& store, QObject* parent = nullptr);
    // Watches events.jsonl in `directory`.
    EventLogWatcher(ProcessStateStore& store, std::filesystem::path directory,
                    QObject* parent = nullptr);
    ~EventLogWatcher() override;

    // Ensures the directory and the file, consumes what accumulated while the
    // monitor was not running, then watches the file and starts the timer.
    void start();
    // Stops watching; nothing is consumed afterwards.
    void stop();

    bool isArmed() const { return watchDescriptor_ >= 0; }
    const std::filesystem::path& eventsFile() const { return eventsFile_; }

    // Consumes the events file once, if it holds anything.
    void processPending();

    // The non-empty lines of `bytes`; a last line without a line feed counts.
    static std::vector<std::string_view> splitLines(std::string_view bytes);

    // "events.processing.<milliseconds>.jsonl"
    static std::string processingFileName(std::int64_t milliseconds);
    static constexpr int fallbackIntervalMs = 5000;

signals:
    // After each batch was handed to the store: the same events.
    void batchIngested(const std::vector<quillo::ParsedHookEvent>& events);

private:
    void ensureMainFileExists();
    void replaceLink();
    void setupWatcher();
    void cancelWatcher();
    bool watchNamesEventsFile() const;
    void onNotification();
    void consumeLeftovers();
    void consumeFile(const std::filesystem::path& file, bool leftover);
    std::filesystem::path unusedProcessingPath() const;
    void scheduleProcessing(int delayMs);
    void noteStall();
    void endStall();
    std::string lockHolders() const;

    ProcessStateStore& store_;
    std::filesystem::path directory_;
    std::filesystem::path eventsFile_;
    bool useAppSupportDirectory_ = false;
    bool running_ = false;
    bool processing_ = false;
    int inotifyFd_ = -1;
    int watchDescriptor_ = -1;
    dev_t watchedDevice_ = 0;
    ino_t watchedInode_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer fallbackTimer_;
    QTimer soonTimer_;
    std::optional<std::chrono::steady_clock::time_point> stalledSince_;
    bool stallLogged_ = false;
    ParallelLineParser lineParser_;
};

} // namespace quillo
