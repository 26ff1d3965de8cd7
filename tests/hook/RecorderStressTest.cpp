// SPDX-License-Identifier: GPL-3.0-or-later
// Many recorders at once, a consumer moving the file aside, and forced trims:
// every event must arrive exactly once and whole.
#include "EventCounts.h"
#include "EventsFile.h"
#include "HookEnvelope.h"
#include "Recorder.h"
#include "RunRecorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace quillo {
namespace {

using namespace test;
using namespace std::chrono_literals;

constexpr int recorders = 32;
constexpr int eventsPerRecorder = 200;
constexpr int trimRounds = 2;
const std::string fillerLine = R"({"raw":"filler that a trim may drop","recorded_at":0})"
                               "\n";

class Collector {
public:
    void consume(const std::filesystem::path& file) {
        std::string text = readFile(file);
        std::filesystem::remove(file);
        std::lock_guard lock(mutex_);
        if (!text.empty() && text.back() != '\n') {
            ++torn_;
        }
        for (const auto& line : splitLines(text)) {
            // A recorder that finds the file ending inside a line starts its
            // own with a line feed; another recorder's append still in flight
            // can look like that, which leaves a blank line. Readers skip blank
            // lines, so only a non-empty invalid line is torn.
            if (line.empty() || line + "\n" == fillerLine) {
                continue;
            }
            auto event = HookEnvelope::parseLine(line);
            if (!event || event->eventName != "PreToolUse") {
                ++torn_;
                continue;
            }
            ++seen_[event->sessionId];
        }
    }
    std::map<std::string, int> seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    int torn() {
        std::lock_guard lock(mutex_);
        return torn_;
    }

private:
    std::mutex mutex_;
    std::map<std::string, int> seen_;
    int torn_ = 0;
};

// Replaces the events file by one just over the trim limit, the way a consumer
// replaces it: under the exclusive lock, after moving the old one aside.
bool installOversizedFile(const std::filesystem::path& events, const std::filesystem::path& filler,
                          const std::filesystem::path& movedAside) {
    int fd = ::open(events.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    ::flock(fd, LOCK_EX);
    bool ok = std::rename(events.c_str(), movedAside.c_str()) == 0 &&
              std::rename(filler.c_str(), events.c_str()) == 0;
    ::close(fd);
    return ok;
}

TEST(RecorderStress, EveryEventArrivesExactlyOnceThroughMovesAndTrims) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    const auto events = home.eventsFile();
    Collector collector;
    std::atomic<bool> recording{true};
    std::atomic<bool> holdConsumer{false};
    std::atomic<int> moves{0};
    std::atomic<int> sequence{0};

    auto processingFile = [&] {
        return home.appSupport() / ("events.processing." + std::to_string(sequence++) + ".jsonl");
    };

    std::thread consumer([&] {
        while (recording) {
            if (!holdConsumer) {
                auto target = processingFile();
                if (EventsFile::moveAside(events, target) == EventsFile::MoveResult::moved) {
                    ++moves;
                    collector.consume(target);
                }
            }
            std::this_thread::sleep_for(3ms);
        }
    });

    std::atomic<int> trims{0};
    // Rounds start at set points of the recorders' progress, not after set
    // times, so that recorders are still running to trim each oversized file
    // however fast or slow the machine is.
    std::atomic<int> finishedRuns{0};
    std::thread trimmer([&] {
        std::string block;
        while (block.size() < (1u << 20)) {
            block += fillerLine;
        }
        for (int round = 0; round < trimRounds && recording; ++round) {
            const int startAt = recorders * eventsPerRecorder * (round + 1) / (trimRounds + 2);
            while (recording && finishedRuns < startAt) {
                std::this_thread::sleep_for(5ms);
            }
            auto filler = home.appSupport() / "filler.tmp";
            {
                int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                std::uintmax_t written = 0;
                while (written <= Recorder::trimThreshold) {
                    written += static_cast<std::uintmax_t>(::write(fd, block.data(), block.size()));
                }
                ::close(fd);
            }
            holdConsumer = true;
            auto aside = processingFile();
            // The events file may be missing for a moment (a recorder is about
            // to create it after a move); try again rather than lose the round.
            bool installed = false;
            while (recording && !(installed = installOversizedFile(events, filler, aside))) {
                std::this_thread::sleep_for(2ms);
            }
            if (installed) {
                collector.consume(aside);
                // The next recorder must notice the size and trim; wait for it.
                for (int i = 0; i < 3000 && recording; ++i) {
                    std::error_code ec;
                    auto size = std::filesystem::file_size(events, ec);
                    if (!ec && size <= Recorder::trimThreshold) {
                        ++trims;
                        break;
                    }
                    std::this_thread::sleep_for(10ms);
                }
            }
            holdConsumer = false;
        }
    });

    std::vector<std::thread> workers;
    std::atomic<int> failedRuns{0};
    for (int w = 0; w < recorders; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < eventsPerRecorder; ++i) {
                std::string payload = R"({"hook_event_name":"PreToolUse","session_id":")" +
                                      std::to_string(w) + "-" + std::to_string(i) +
                                      R"(","tool_input":{"command":")" + std::string(200, 'x') +
                                      R"("}})";
                auto result = runRecorder(home, payload, {}, {QUILLO_HOOK_UNSANITIZED_BINARY});
                if (!result.started || result.exitCode != 0 || !result.standardOutput.empty()) {
                    ++failedRuns;
                }
                ++finishedRuns;
            }
        });
    }
    for (auto& t : workers) {
        t.join();
    }
    recording = false;
    trimmer.join();
    consumer.join();
    auto last = processingFile();
    ASSERT_NE(EventsFile::moveAside(events, last), EventsFile::MoveResult::busy);
    if (std::filesystem::exists(last)) {
        collector.consume(last);
    }

    EXPECT_EQ(failedRuns, 0);
    EXPECT_EQ(collector.torn(), 0) << "no line may be torn";
    EXPECT_GT(moves, 10) << "the consumer should have moved the file aside many times";
    EXPECT_EQ(trims, trimRounds) << "each oversized file should have been trimmed by a recorder";
    auto seen = collector.seen();
    expectEachEventOnce(seen, recorders, eventsPerRecorder);
}

} // namespace
} // namespace quillo
