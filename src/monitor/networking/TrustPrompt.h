// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport/TransportPeer.h"

#include <functional>
#include <string>

namespace quillo {

// Asks the user whether a phone that is not paired may connect. The answer may
// come later (a dialog); it must come exactly once.
class TrustPrompt {
public:
    enum class Answer {
        trusted,     // "信任并配对"
        rejected,    // "拒绝"
        unavailable, // nobody can be asked (no desktop interface)
        busy,        // another phone is being asked about right now
    };
    using AnswerCallback = std::function<void(Answer)>;

    struct Question {
        TransportPeer peer;
        std::string address;        // where the invitation came from, shown beside the name
        bool alreadyPaired = false; // a phone of that name is paired: yes replaces its token
    };

    virtual ~TrustPrompt() = default;
    // `address` is where the invitation came from, to show beside the name.
    virtual void askToTrust(const TransportPeer& peer, const std::string& address,
                            AnswerCallback answer) = 0;
    // The whole question; prompts that can say more about it override this.
    virtual void ask(const Question& question, AnswerCallback answer) {
        askToTrust(question.peer, question.address, std::move(answer));
    }

    // The dialog's texts, for the desktop implementation.
    static std::string messageText() { return "信任新设备?"; }
    static std::string informativeText(const std::string& displayName) {
        return "手机 “" + displayName + "” 想要连接到 Quillo。\n仅信任你认识的设备。";
    }
    static std::string trustButtonTitle() { return "信任并配对"; }
    static std::string rejectButtonTitle() { return "拒绝"; }
};

// A monitor without a desktop or a terminal has nobody to ask: new phones are
// refused, and the diagnostic log says how to pair one.
class HeadlessTrustPrompt : public TrustPrompt {
public:
    void askToTrust(const TransportPeer&, const std::string&, AnswerCallback answer) override {
        answer(Answer::unavailable);
    }
};

} // namespace quillo
