// SPDX-License-Identifier: GPL-3.0-or-later
#include "HeadlessMonitor.h"

#include "AppPaths.h"
#include "TerminalKind.h"
#include "Utf8.h"

#include <cstdlib>
#include <ostream>

namespace quillo {

int HeadlessMonitor::pruneIntervalSetting() {
    if (const char* text = std::getenv(HeadlessMonitor::pruneIntervalVariable)) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0 && value <= HeadlessMonitor::pruneIntervalMs) {
            return static_cast<int>(value);
        }
    }
    return HeadlessMonitor::pruneIntervalMs;
}

HeadlessMonitor::HeadlessMonitor(std::ostream& out, QObject* parent)
    : QObject(parent), out_(out), applications_(ProcFs::system()),
      store_({ProcFs::system(), applications_}), watcher_(store_) {
    pruneTimer_.setInterval(pruneIntervalSetting());
    connect(&pruneTimer_, &QTimer::timeout, this, [this] { store_.pruneDead(staleAfterSeconds); });
    connect(&store_, &ProcessStateStore::processesChanged, this, &HeadlessMonitor::print);
}

HeadlessMonitor::~HeadlessMonitor() {
    stop();
}

void HeadlessMonitor::start() {
    startWatching();
    pruneNow();
    pruneTimer_.start();
}

void HeadlessMonitor::startWatching() {
    AppPaths::ensureAppSupportDirectory();
    out_ << "[quillo] watching " << watcher_.eventsFile().string() << std::endl;
    watcher_.start();
}

void HeadlessMonitor::pruneNow() {
    store_.pruneDead(staleAfterSeconds);
}

void HeadlessMonitor::stop() {
    watcher_.stop();
    pruneTimer_.stop();
}

void HeadlessMonitor::print(const std::vector<ClaudeProcess>& processes) {
    // The store publishes on every batch, changed or not; print changes only.
    if (!printsTable_ || (printed_ && *printed_ == processes)) {
        return;
    }
    printed_ = processes;
    out_ << describe(processes) << std::endl;
}

std::string HeadlessMonitor::describe(const std::vector<ClaudeProcess>& processes) {
    std::string line = "[quillo] " + std::to_string(processes.size()) +
                       (processes.size() == 1 ? " session" : " sessions");
    for (std::size_t i = 0; i < processes.size(); ++i) {
        const ClaudeProcess& p = processes[i];
        line += i == 0 ? ": " : "; ";
        // Names, ids and ttys come from the events file: whatever they hold,
        // the table stays one line.
        line += escapingControlCharacters(p.name) + " (" + escapingControlCharacters(p.id) + ") " +
                std::string(rawValue(p.state));
        if (p.terminal) {
            line += ", " + std::string(displayName(p.terminal->kind));
            if (p.terminal->tty) {
                line += " " + escapingControlCharacters(*p.terminal->tty);
            }
        } else {
            line += ", no terminal";
        }
        if (p.claudePID) {
            line += ", pid " + std::to_string(*p.claudePID);
        }
    }
    return line;
}

} // namespace quillo
