// SPDX-License-Identifier: GPL-3.0-or-later
#include "networking/TerminalTrustPrompt.h"

#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ostream>

namespace quillo {

TerminalTrustPrompt::TerminalTrustPrompt(int input, std::ostream& out,
                                         std::chrono::milliseconds timeLimit, QObject* parent)
    : QObject(parent), input_(input), out_(out), timeLimit_(timeLimit),
      notifier_(input, QSocketNotifier::Read) {
    deadline_.setSingleShot(true);
    connect(&notifier_, &QSocketNotifier::activated, this, &TerminalTrustPrompt::readInput);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        out_ << "\n"
             << QCoreApplication::translate("TerminalTrustPrompt", "[quillo] 无应答,已拒绝")
                    .toStdString()
             << std::endl;
        finish(Answer::rejected);
    });
}

TerminalTrustPrompt::~TerminalTrustPrompt() = default;

std::string TerminalTrustPrompt::question(const std::string& name, const std::string& address) {
    return QCoreApplication::translate("TerminalTrustPrompt",
                                       "允许「%1」(%2) 连接此电脑并配对? [y/N]")
        .arg(QString::fromStdString(name), QString::fromStdString(address))
        .toStdString();
}

bool TerminalTrustPrompt::isYes(const std::string& line) {
    std::string word;
    for (char c : line) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return word == "y" || word == "yes";
}

std::string TerminalTrustPrompt::alreadyPairedNote(const std::string& name) {
    return QCoreApplication::translate("TerminalTrustPrompt",
                                       "[quillo] 「%1」已配对; 回答 y 将替换它的配对密钥")
        .arg(QString::fromStdString(name))
        .toStdString();
}

void TerminalTrustPrompt::askToTrust(const TransportPeer& peer, const std::string& address,
                                     AnswerCallback answer) {
    ask({peer, address, false}, std::move(answer));
}

void TerminalTrustPrompt::ask(const Question& question, AnswerCallback answer) {
    if (!notifier_.isEnabled()) {
        answer(Answer::unavailable);
        return;
    }
    if (pending_) {
        answer(Answer::busy);
        return;
    }
    pending_ = std::move(answer);
    line_.clear();
    if (question.alreadyPaired) {
        out_ << alreadyPairedNote(question.peer.displayName) << "\n";
    }
    out_ << TerminalTrustPrompt::question(question.peer.displayName, question.address) << " "
         << std::flush;
    deadline_.start(timeLimit_);
}

void TerminalTrustPrompt::readInput() {
    char buffer[256];
    const ssize_t n = ::read(input_, buffer, sizeof buffer);
    if (n <= 0) {
        notifier_.setEnabled(false); // end of input: nobody is left to ask
        if (pending_) {
            out_ << std::endl;
        }
        out_ << QCoreApplication::translate("TerminalTrustPrompt",
                                            "[quillo] 标准输入已结束: 终端配对已关闭,直到重新启动")
                    .toStdString()
             << std::endl;
        if (pending_) {
            finish(Answer::rejected);
        }
        return;
    }
    if (!pending_) {
        return; // typed while nothing was asked
    }
    line_.append(buffer, static_cast<std::size_t>(n));
    const auto newline = line_.find('\n');
    if (newline == std::string::npos) {
        if (line_.size() > 1024) {
            finish(Answer::rejected);
        }
        return;
    }
    finish(isYes(line_.substr(0, newline)) ? Answer::trusted : Answer::rejected);
}

void TerminalTrustPrompt::finish(Answer answer) {
    deadline_.stop();
    line_.clear();
    if (auto callback = std::exchange(pending_, nullptr)) {
        callback(answer);
    }
}

} // namespace quillo
