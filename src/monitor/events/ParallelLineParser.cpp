// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParallelLineParser.h"

#include "HookEnvelope.h"

#include <algorithm>
#include <iterator>
#include <pthread.h>
#include <signal.h>
#include <utility>

namespace quillo {

ParallelLineParser::ParallelLineParser(bool helper) : helperAllowed_(helper) {}

ParallelLineParser::~ParallelLineParser() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (helper_.joinable()) {
        helper_.join();
    }
}

std::optional<std::size_t> ParallelLineParser::take(Job& job, bool fromFront) {
    std::uint64_t untaken = job.untaken.load(std::memory_order_relaxed);
    while (true) {
        const std::uint64_t front = untaken >> 32;
        const std::uint64_t back = untaken & 0xffffffffu;
        if (front >= back) {
            return std::nullopt;
        }
        const std::uint64_t rest = fromFront ? (front + 1) << 32 | back : front << 32 | (back - 1);
        if (job.untaken.compare_exchange_weak(untaken, rest, std::memory_order_relaxed)) {
            return fromFront ? front : back - 1;
        }
    }
}

void ParallelLineParser::parseBlock(const Job& job, std::size_t block,
                                    std::vector<ParsedHookEvent>& out) {
    const std::size_t first = block * blockLines;
    const std::size_t end = std::min(job.lines.size(), first + blockLines);
    for (std::size_t i = first; i < end; ++i) {
        HookEnvelope::appendPaddedLine(job.lines[i], job.parsedAt, out);
    }
}

void ParallelLineParser::helperLoop() {
    // Signals sent to the process (a quit, a child's end) go to the threads
    // that handle them, not to this one; faults of its own still reach the
    // crash handler. And `top -H` names it.
    sigset_t sent;
    ::sigfillset(&sent);
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) {
        ::sigdelset(&sent, fault);
    }
    ::pthread_sigmask(SIG_BLOCK, &sent, nullptr);
    ::pthread_setname_np(::pthread_self(), "quillo-parse");
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || offered_ != nullptr; });
        if (stopping_) {
            return;
        }
        Job* job = std::exchange(offered_, nullptr);
        helperWorking_ = true;
        lock.unlock();
        while (auto block = take(*job, false)) {
            helperBlockStarts_.push_back(helperEvents_.size());
            parseBlock(*job, *block, helperEvents_);
        }
        lock.lock();
        helperWorking_ = false;
        finished_.notify_one();
    }
}

void ParallelLineParser::parse(std::span<const std::string_view> lines, Timestamp parsedAt,
                               std::vector<ParsedHookEvent>& out) {
    if (!helperAllowed_ || lines.size() < sharedFrom) {
        for (std::string_view line : lines) {
            HookEnvelope::appendPaddedLine(line, parsedAt, out);
        }
        return;
    }
    if (!helper_.joinable()) {
        helper_ = std::thread([this] { helperLoop(); });
    }
    const std::uint64_t blocks = (lines.size() + blockLines - 1) / blockLines;
    helperEvents_.clear();
    helperBlockStarts_.clear();
    Job job{lines, parsedAt, {blocks}};
    {
        std::lock_guard lock(mutex_);
        offered_ = &job;
    }
    wake_.notify_one();
    while (auto block = take(job, true)) {
        parseBlock(job, *block, out);
    }
    {
        // A helper that has not woken up yet is not waited for; one that took
        // the job may still be inside its last block.
        std::unique_lock lock(mutex_);
        offered_ = nullptr;
        finished_.wait(lock, [this] { return !helperWorking_; });
    }
    // The helper's blocks follow the caller's, its last taken first.
    std::size_t end = helperEvents_.size();
    for (auto start = helperBlockStarts_.rbegin(); start != helperBlockStarts_.rend(); ++start) {
        std::move(helperEvents_.begin() + static_cast<std::ptrdiff_t>(*start),
                  helperEvents_.begin() + static_cast<std::ptrdiff_t>(end),
                  std::back_inserter(out));
        end = *start;
    }
}

} // namespace quillo
