// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "networking/TrustPrompt.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <chrono>
#include <iosfwd>
#include <string>

namespace quillo {

// Asks on a terminal, for a monitor that has no desktop interface:
//   允许「NAME」(ADDRESS) 连接此电脑并配对? [y/N]
// "y" or "yes" trusts; any other line, the end of input or no answer within
// the time limit declines. Lines typed while nothing is asked are dropped, so
// an early "y" cannot answer a later question. One question at a time: an
// invitation that arrives while one is open is not asked about (busy). After
// the end of input nobody is asked again, and that is said once.
class TerminalTrustPrompt : public QObject, public TrustPrompt {
    Q_OBJECT
public:
    // Reads answers from `input` (a file descriptor the prompt does not own),
    // writes questions to `out`.
    TerminalTrustPrompt(int input, std::ostream& out,
                        std::chrono::milliseconds timeLimit = std::chrono::seconds(10),
                        QObject* parent = nullptr);
    ~TerminalTrustPrompt() override;

    void askToTrust(const TransportPeer& peer, const std::string& address,
                    AnswerCallback answer) override;
    void ask(const Question& question, AnswerCallback answer) override;

    static std::string question(const std::string& name, const std::string& address);
    // Said before the question when a phone of that name is paired already.
    static std::string alreadyPairedNote(const std::string& name);
    // Whether a typed line means yes.
    static bool isYes(const std::string& line);

private:
    void readInput();
    void finish(Answer answer);

    int input_;
    std::ostream& out_;
    std::chrono::milliseconds timeLimit_;
    QSocketNotifier notifier_;
    QTimer deadline_;
    std::string line_;
    AnswerCallback pending_;
};

} // namespace quillo
