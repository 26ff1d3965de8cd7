// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ParsedHookEvent.h"
#include "Timestamp.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

namespace quillo {

// Parses many event lines at once, on the calling thread and one helper
// thread together, so that a backlog is read at the speed of two cores.
// Parsing is the larger part of consuming the events file and needs nothing
// but the line, so it is the part worth sharing. The lines are cut into small
// blocks; the caller takes them from the front, making its events right in
// the output, and the helper from the back, into a list of its own that is
// moved after the caller's when the two meet. When the helper does not get a
// core (a busy machine), the caller simply parses every block itself and waits
// only for a block the helper already started. Few lines are parsed on the
// caller's thread alone, as is everything on a single-core machine.
class ParallelLineParser {
public:
    // `helper`: whether a helper thread may be used at all; by default where
    // the machine has more than one core.
    explicit ParallelLineParser(bool helper = threads() > 1);
    ~ParallelLineParser();
    ParallelLineParser(const ParallelLineParser&) = delete;
    ParallelLineParser& operator=(const ParallelLineParser&) = delete;

    // Parses `lines` (each followed by HookEnvelope::linePadding readable
    // bytes) and appends their events to `out` in the order of the lines.
    // `parsedAt` is the time of lines that carry none.
    void parse(std::span<const std::string_view> lines, Timestamp parsedAt,
               std::vector<ParsedHookEvent>& out);

    // The threads a large batch is parsed on by default.
    static int threads() { return std::thread::hardware_concurrency() > 1 ? 2 : 1; }

    // Below this many lines the helper is not worth waking.
    static constexpr std::size_t sharedFrom = 256;
    // Lines a thread takes at a time.
    static constexpr std::size_t blockLines = 32;

private:
    struct Job {
        std::span<const std::string_view> lines;
        Timestamp parsedAt;
        // The blocks not taken yet: [front, back), as front << 32 | back.
        std::atomic<std::uint64_t> untaken{0};
    };

    // The next block from the front or from the back, or none when all are taken.
    static std::optional<std::size_t> take(Job& job, bool fromFront);
    static void parseBlock(const Job& job, std::size_t block, std::vector<ParsedHookEvent>& out);
    void helperLoop();

    bool helperAllowed_;
    std::thread helper_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    Job* offered_ = nullptr;     // a job the helper has not taken yet
    bool helperWorking_ = false; // the helper took a job and is not done with it
    bool stopping_ = false;
    // The helper's events, its blocks last first, and where in that list each
    // of its blocks starts. Kept from job to job: a large allocation each time
    // costs the allocator more than the helper saves.
    std::vector<ParsedHookEvent> helperEvents_;
    std::vector<std::size_t> helperBlockStarts_;
};

} // namespace quillo
