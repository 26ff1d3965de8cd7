// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "networking/TrustPrompt.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

namespace quillo {

// Asks on the desktop whether a new phone may pair: a dialog that blocks no
// other window and stays on top of everything, answered whenever the user
// clicks. No answer within the time limit declines (the phone has given up by
// then). One question at a time: a phone that knocks while another is being
// asked about is not asked about.
class TrustDialog : public QObject, public TrustPrompt {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultTimeLimit{10000};

    explicit TrustDialog(std::chrono::milliseconds timeLimit = defaultTimeLimit,
                         QObject* parent = nullptr);
    ~TrustDialog() override;

    void askToTrust(const TransportPeer& peer, const std::string& address,
                    AnswerCallback answer) override;
    void ask(const Question& question, AnswerCallback answer) override;

    // The dialog on screen, if any.
    QDialog* dialog() const { return dialog_; }

    // The dialog for the phone `name` (already cleaned) at `address`, for the
    // render mode as well. It accepts for "trust" and rejects otherwise;
    // refusing is its default button, since a stray Enter must not pair a
    // stranger's phone. For a name that is paired already, it says that yes
    // replaces its key.
    static QDialog* makeDialog(const QString& name, const QString& address,
                               bool alreadyPaired = false);

private:
    void finish(Answer answer);

    std::chrono::milliseconds timeLimit_;
    QTimer deadline_;
    QPointer<QDialog> dialog_;
    AnswerCallback pending_;
};

} // namespace quillo
