// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrustDialog.h"

#include "DisplayName.h"

#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

TrustDialog::TrustDialog(std::chrono::milliseconds timeLimit, QObject* parent)
    : QObject(parent), timeLimit_(timeLimit) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { finish(Answer::rejected); });
}

TrustDialog::~TrustDialog() {
    finish(Answer::rejected);
}

namespace {

// The question in the interface's own look: the deep background, the phone as
// a raised card with its name and address, what trusting it allows, and the
// two answers.
class TrustPromptWindow : public QDialog {
public:
    TrustPromptWindow(const QString& name, const QString& address, bool alreadyPaired) {
        setObjectName(QStringLiteral("trustPrompt"));
        setWindowTitle(QStringLiteral("Quillo"));
        constexpr int width = 380;
        constexpr int margin = 20;
        setFixedWidth(width);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(margin, 18, margin, 16);
        layout->setSpacing(12);

        auto* titleRow = new QHBoxLayout;
        titleRow->setSpacing(8);
        titleRow->addWidget(
            new SymbolView(QStringLiteral("lock.shield"), 16, Theme::statusInput()));
        auto* title = makeLabel(QCoreApplication::translate("TrustPrompt", "信任新设备?"), 15,
                                QFont::DemiBold, Theme::fg());
        title->setObjectName(QStringLiteral("trustTitle"));
        titleRow->addWidget(title, 1);
        layout->addLayout(titleRow);

        auto* phone = new QFrame(this);
        phone->setObjectName(QStringLiteral("trustPhone"));
        auto* phoneLayout = new QHBoxLayout(phone);
        phoneLayout->setContentsMargins(12, 10, 12, 10);
        phoneLayout->setSpacing(10);
        phoneLayout->addWidget(new SymbolView(QStringLiteral("iphone"), 18, Theme::fgMuted()));
        auto* phoneText = new QVBoxLayout;
        phoneText->setSpacing(2);
        auto* nameLabel = makeLabel(name, 13, QFont::Medium, Theme::fg());
        nameLabel->setObjectName(QStringLiteral("trustPhoneName"));
        nameLabel->setTextFormat(Qt::PlainText);
        phoneText->addWidget(nameLabel);
        if (!address.isEmpty()) {
            auto* addressLabel = makeLabel(address, 11, QFont::Normal, Theme::fgDim());
            addressLabel->setObjectName(QStringLiteral("trustPhoneAddress"));
            addressLabel->setTextFormat(Qt::PlainText);
            addressLabel->setFont(Fonts::monospaced(11));
            phoneText->addWidget(addressLabel);
        }
        phoneLayout->addLayout(phoneText, 1);
        layout->addWidget(phone);
        phone_ = phone;

        auto* allows =
            makeLabel(QCoreApplication::translate(
                          "TrustPrompt", "信任后，这台手机可以看到你的 Claude Code "
                                         "会话和它们的状态，并能把会话所在的终端切换到前台。"
                                         "仅信任你认识的设备。"),
                      12, QFont::Normal, Theme::fgMuted());
        allows->setObjectName(QStringLiteral("trustExplanation"));
        if (alreadyPaired) {
            // Someone may be passing as a paired phone, or the phone lost its key.
            allows->setText(allows->text() + QStringLiteral("\n\n") +
                            QCoreApplication::translate(
                                "TrustPrompt", "「%1」已配对; 选择信任将替换它的配对密钥。")
                                .arg(name));
        }
        allows->setWordWrap(true);
        // The dialog's width is fixed: the wrapped text needs its height up front.
        allows->setMinimumHeight(allows->heightForWidth(width - margin * 2));
        layout->addWidget(allows);

        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(8);
        buttons->addStretch(1);
        auto* reject = new QPushButton(QCoreApplication::translate("TrustPrompt", "拒绝"), this);
        reject->setObjectName(QStringLiteral("rejectButton"));
        auto* trust =
            new QPushButton(QCoreApplication::translate("TrustPrompt", "信任并配对"), this);
        trust->setObjectName(QStringLiteral("trustButton"));
        for (QPushButton* button : {reject, trust}) {
            button->setAccessibleName(button->text());
            button->setFont(Fonts::ui(12.5));
            button->setMinimumWidth(88);
            buttons->addWidget(button);
        }
        trust->setAutoDefault(false);
        reject->setDefault(true);
        reject->setFocus();
        connect(reject, &QPushButton::clicked, this, &QDialog::reject);
        connect(trust, &QPushButton::clicked, this, &QDialog::accept);
        layout->addLayout(buttons);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), Theme::bgBase());
        const QRectF card = QRectF(phone_->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Theme::lineSoft(), 1));
        painter.setBrush(Theme::bgRaised());
        painter.drawRoundedRect(card, 10, 10);
    }

private:
    QWidget* phone_ = nullptr;
};

} // namespace

QDialog* TrustDialog::makeDialog(const QString& name, const QString& address,
                                 bool alreadyPaired) {
    return new TrustPromptWindow(name, address, alreadyPaired);
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
    QDialog* box = makeDialog(QString::fromStdString(DisplayName::clean(question.peer.displayName)),
                              QString::fromStdString(question.address), question.alreadyPaired);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog_ = box;
    // Refused, closed through the window manager or with Escape: no.
    connect(box, &QDialog::finished, this, [this](int result) {
        finish(result == QDialog::Accepted ? Answer::trusted : Answer::rejected);
    });
    box->show();
    box->raise();
    box->activateWindow();
    deadline_.start(timeLimit_);
}

void TrustDialog::finish(Answer answer) {
    deadline_.stop();
    // Taken first: closing the dialog reports its end once more.
    AnswerCallback callback = std::exchange(pending_, nullptr);
    if (QDialog* box = dialog_.data()) {
        dialog_.clear();
        box->close();
    }
    if (callback) {
        callback(answer);
    }
}

} // namespace quillo
