// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrustDialog.h"

#include "DisplayName.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace quillo {

TrustDialog::TrustDialog(std::chrono::milliseconds timeLimit, QObject* parent)
    : QObject(parent), timeLimit_(timeLimit) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { finish(Answer::rejected); });
}

TrustDialog::~TrustDialog() {
    finish(Answer::rejected);
}

QMessageBox* TrustDialog::makeDialog(const QString& name, bool alreadyPaired) {
    auto* box = new QMessageBox;
    box->setObjectName(QStringLiteral("trustPrompt"));
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Quillo"));
    box->setText(QCoreApplication::translate("TrustPrompt", "信任新设备?"));
    QString informative = QCoreApplication::translate(
                              "TrustPrompt", "手机 “%1” 想要连接到 Quillo。\n仅信任你认识的设备。")
                              .arg(name);
    if (alreadyPaired) {
        // Someone may be passing as a paired phone, or the phone lost its key.
        informative +=
            QStringLiteral("\n\n") +
            QCoreApplication::translate("TrustPrompt", "「%1」已配对; 选择信任将替换它的配对密钥。")
                .arg(name);
    }
    box->setInformativeText(informative);
    // The button titles are used as they are, in every language.
    QPushButton* trust =
        box->addButton(QString::fromStdString(trustButtonTitle()), QMessageBox::AcceptRole);
    trust->setObjectName(QStringLiteral("trustButton"));
    trust->setAccessibleName(trust->text());
    QPushButton* reject =
        box->addButton(QString::fromStdString(rejectButtonTitle()), QMessageBox::RejectRole);
    reject->setObjectName(QStringLiteral("rejectButton"));
    reject->setAccessibleName(reject->text());
    box->setDefaultButton(trust);
    box->setEscapeButton(reject);
    return box;
}

void TrustDialog::askToTrust(const TransportPeer& peer, const std::string& address,
                             AnswerCallback answer) {
    ask({peer, address, false}, std::move(answer));
}

void TrustDialog::ask(const Question& question, AnswerCallback answer) {
    if (pending_) {
        answer(Answer::busy);
        return;
    }
    pending_ = std::move(answer);
    QMessageBox* box =
        makeDialog(QString::fromStdString(DisplayName::clean(question.peer.displayName)),
                   question.alreadyPaired);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog_ = box;
    connect(box, &QMessageBox::buttonClicked, this, [this, box](QAbstractButton* button) {
        finish(box->buttonRole(button) == QMessageBox::AcceptRole ? Answer::trusted
                                                                  : Answer::rejected);
    });
    // Closed through the window manager: no.
    connect(box, &QMessageBox::finished, this, [this] { finish(Answer::rejected); });
    box->show();
    box->raise();
    box->activateWindow();
    deadline_.start(timeLimit_);
}

void TrustDialog::finish(Answer answer) {
    deadline_.stop();
    // Taken first: closing the dialog reports its end once more.
    AnswerCallback callback = std::exchange(pending_, nullptr);
    if (QMessageBox* box = dialog_.data()) {
        dialog_.clear();
        box->close();
    }
    if (callback) {
        callback(answer);
    }
}

} // namespace quillo
