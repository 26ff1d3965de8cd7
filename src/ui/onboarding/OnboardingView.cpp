// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnboardingView.h"

#include "HookDiffView.h"
#include "PageDots.h"
#include "app/Background.h"
#include "installer/HookInstaller.h"
#include "pairing/PairingAddressText.h"
#include "pairing/QrCodeView.h"
#include "statusbar/StatusIconBuilder.h"
#include "system/SystemChecksView.h"
#include "theme/AmbientBackground.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Oklch.h"
#include "theme/SurfaceCard.h"
#include "theme/Symbols.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int sideMargin = 40;
constexpr int topMargin = 30;

QIcon symbolIcon(const char* name, const QColor& color) {
    QPixmap pixmap(QSize(32, 32));
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    Symbols::paint(painter, QRectF(0, 0, 16, 16), name, 13, color);
    painter.end();
    return QIcon(pixmap);
}

QPushButton* makePrimaryButton(const QString& label, const char* symbol) {
    auto* button = new QPushButton(symbolIcon(symbol, Theme::bgDeepest()), label);
    button->setAccessibleName(label);
    button->setFont(Fonts::ui(13, QFont::DemiBold));
    button->setMinimumHeight(32);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, Theme::accent());
    palette.setColor(QPalette::ButtonText, Theme::bgDeepest());
    palette.setColor(QPalette::Disabled, QPalette::Button, oklch(0.3, 0.04, 240));
    button->setPalette(palette);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QPushButton* textButton(const QString& label) {
    auto* button = new QPushButton(label);
    button->setAccessibleName(label);
    button->setFlat(true);
    button->setFont(Fonts::ui(12.5));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Theme::fgMuted());
    button->setPalette(palette);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QLabel* heading(const QString& title) {
    auto* label = makeLabel(title, 22, QFont::DemiBold, Theme::fg());
    label->setObjectName(QStringLiteral("onboardingTitle"));
    return label;
}

QLabel* bodyText(const QString& body) {
    auto* label = makeLabel(body, 13, QFont::Normal, Theme::fgMuted());
    label->setWordWrap(true);
    return label;
}

// The application's picture: the status icon's twin beacons, large, on a
// raised rounded tile.
class AppIconView : public QWidget {
public:
    AppIconView() { setFixedSize(96, 96); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(0, 0, 0, height());
        fill.setColorAt(0, oklch(0.26, 0.02, 250));
        fill.setColorAt(1, oklch(0.17, 0.012, 250));
        painter.setPen(QPen(Theme::cardHighlightSoft(), 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 22, 22);
        const double scale = 2.6;
        const QSizeF canvas(StatusIconBuilder::canvasWidth, StatusIconBuilder::canvasHeight);
        painter.translate((width() - canvas.width() * scale) / 2,
                          (height() - canvas.height() * scale) / 2);
        painter.scale(scale, scale);
        StatusIconBuilder::drawTwinBeaconsGlyph(painter, canvas, true);
    }
};

} // namespace

OnboardingView::OnboardingView(SettingsServices services, std::function<void()> onFinish,
                               QWidget* parent)
    : QWidget(parent), services_(std::move(services)), onFinish_(std::move(onFinish)) {
    setObjectName(QStringLiteral("onboardingView"));
    setFixedSize(viewWidth, viewHeight);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* background = new AmbientBackground;
    outer->addWidget(background);
    auto* layout = new QVBoxLayout(background);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pages_ = new QStackedWidget;
    layout->addWidget(pages_, 1);

    auto* bar = new QWidget;
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(sideMargin - 8, 10, sideMargin - 8, 22);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    auto* left = new QHBoxLayout;
    auto* right = new QHBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    right->setContentsMargins(0, 0, 0, 0);
    grid->addLayout(left, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    auto* dots = new PageDots(0);
    grid->addWidget(dots, 0, 1, Qt::AlignCenter);
    grid->addLayout(right, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(bar);

    // 1: welcome.
    auto* start =
        makePrimaryButton(QCoreApplication::translate("OnboardingView", "开始"), "chevron.right");
    page_[0] = makePage(OnboardingStep::welcome, welcomeContent(), nullptr, start);
    connect(start, &QPushButton::clicked, this, [this] { setStep(OnboardingStep::permissions); });

    // 2: what the computer needs.
    auto* later = textButton(QCoreApplication::translate("OnboardingView", "稍后设置"));
    auto* next =
        makePrimaryButton(QCoreApplication::translate("OnboardingView", "下一步"), "chevron.right");
    page_[1] = makePage(OnboardingStep::permissions, permissionsContent(), later, next);
    for (QPushButton* button : std::initializer_list<QPushButton*>{later, next}) {
        connect(button, &QPushButton::clicked, this,
                [this] { setStep(OnboardingStep::hookConfig); });
    }

    // 3: the hook entries. Skipping ends the flow here, without the phone page.
    auto* skip = textButton(QCoreApplication::translate("OnboardingView", "取消 — 功能将受限"));
    auto* apply = makePrimaryButton(QString(), "checkmark");
    page_[2] = makePage(OnboardingStep::hookConfig, hookContent(), skip, apply);
    connect(skip, &QPushButton::clicked, this, [this] {
        if (onFinish_) {
            onFinish_();
        }
    });
    connect(apply, &QPushButton::clicked, this, &OnboardingView::applyHook);

    // 4: the phone.
    auto* done = makePrimaryButton(
        QCoreApplication::translate("OnboardingView", "完成 — 进入 Dashboard"), "checkmark");
    page_[3] = makePage(OnboardingStep::iphone, phoneContent(), nullptr, done);
    connect(done, &QPushButton::clicked, this, [this] {
        // The guide's window goes first, so that the dashboard keeps the focus.
        const std::function<void()> showDashboard = services_.showDashboard;
        if (onFinish_) {
            onFinish_();
        }
        if (showDashboard) {
            showDashboard();
        }
    });

    for (const Page& page : page_) {
        if (page.secondary != nullptr) {
            left->addWidget(page.secondary);
        }
        right->addWidget(page.primary);
    }
    connect(pages_, &QStackedWidget::currentChanged, dots, &PageDots::setCurrent);

    if (services_.hookSetup) {
        // A given settings file and recorder: reading the file is all it takes.
        setPlan(HookInstaller::computePlan(*services_.hookSetup));
    } else {
        // Looking for Claude Code's version and reading a large file take time.
        runInBackground(
            this,
            [] {
                return std::make_shared<const HookInstaller::Plan>(
                    HookInstaller::computePlan(HookInstaller::installSetup()));
            },
            [this](const std::shared_ptr<const HookInstaller::Plan>& plan) {
                if (plan_ == nullptr) {
                    setPlan(plan);
                }
            });
    }
    updateHookPage();
    setStep(OnboardingStep::welcome);
}

OnboardingView::~OnboardingView() = default;

OnboardingView::Page OnboardingView::makePage(OnboardingStep step, QWidget* content,
                                              QPushButton* secondary, QPushButton* primary) {
    const int index = static_cast<int>(step);
    content->setObjectName(QStringLiteral("onboardingPage%1").arg(index + 1));
    pages_->addWidget(content);
    primary->setObjectName(QStringLiteral("onboardingPrimary%1").arg(index + 1));
    if (secondary != nullptr) {
        secondary->setObjectName(QStringLiteral("onboardingSecondary%1").arg(index + 1));
    }
    return {content, primary, secondary};
}

QWidget* OnboardingView::welcomeContent() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(sideMargin, topMargin, sideMargin, 0);
    layout->setSpacing(0);
    layout->addStretch(3);
    layout->addWidget(new AppIconView, 0, Qt::AlignHCenter);
    layout->addSpacing(22);
    auto* title = makeLabel(QStringLiteral("Quillo"), 30, QFont::Bold, Theme::fg());
    title->setObjectName(QStringLiteral("onboardingTitle"));
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    auto* subtitle =
        makeLabel(QCoreApplication::translate("OnboardingView", "Claude Code 桌面第二屏"), 14,
                  QFont::Medium, Theme::fgMuted());
    layout->addWidget(subtitle, 0, Qt::AlignHCenter);
    layout->addSpacing(18);
    auto* body = bodyText(QCoreApplication::translate(
        "OnboardingView", "实时监控你的 Claude Code 进程状态，\n手机放电脑旁边就能随时感知。"));
    body->setAlignment(Qt::AlignHCenter);
    layout->addWidget(body);
    layout->addStretch(4);
    return page;
}

QWidget* OnboardingView::permissionsContent() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(sideMargin, topMargin, sideMargin, 0);
    layout->setSpacing(10);
    layout->addWidget(heading(QCoreApplication::translate("OnboardingView", "权限设置")));
    layout->addWidget(bodyText(QCoreApplication::translate(
        "OnboardingView", "为了正常工作，Quillo 需要电脑提供以下条件。可以稍后单独设置。")));
    layout->addSpacing(4);
    auto* card = new SurfaceCard(nullptr, 0);
    checks_ = new SystemChecksView;
    checks_->setObjectName(QStringLiteral("onboardingSystemChecks"));
    // The port the phone link really listens on.
    if (services_.pairingAddress) {
        checks_->setPortSource([source = services_.pairingAddress]() -> std::optional<quint16> {
            auto address = source();
            return address ? std::optional<quint16>(address->port) : std::nullopt;
        });
    }
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setAutoFillBackground(false);
    scroll->setWidget(checks_);
    checks_->setAutoFillBackground(false);
    card->addWidget(scroll);
    layout->addWidget(card, 1);
    return page;
}

QWidget* OnboardingView::hookContent() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(sideMargin, topMargin, sideMargin, 0);
    layout->setSpacing(10);
    layout->addWidget(
        heading(QCoreApplication::translate("OnboardingView", "配置 Claude Code 事件监听")));
    layout->addWidget(bodyText(QCoreApplication::translate(
        "OnboardingView",
        "Quillo 需要在 Claude Code 的配置文件中添加事件监听钩子。以下是即将进行的变更：")));
    diff_ = new HookDiffView;
    layout->addWidget(diff_);
    if (services_.buildFolder) {
        auto* note = bodyText(
            QCoreApplication::translate(
                "OnboardingView", "钩子将指向构建目录 %1 中的 QuilloHook。执行 make install（或安装软件包）"
                                  "后钩子会一直可用；make clean 或移动该目录后需重新配置。")
                .arg(QString::fromStdString(services_.buildFolder->string())));
        note->setObjectName(QStringLiteral("onboardingBuildFolderNote"));
        layout->addWidget(note);
    }
    preparing_ = makeLabel(QCoreApplication::translate("OnboardingView", "正在准备配置预览..."),
                           11.5, QFont::Normal, Theme::fgDim());
    layout->addWidget(preparing_);

    auto* error = new QWidget;
    error->setObjectName(QStringLiteral("onboardingApplyError"));
    auto* errorLayout = new QHBoxLayout(error);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    errorLayout->setSpacing(6);
    errorLayout->addWidget(
        new SymbolView(QStringLiteral("xmark.circle.fill"), 11.5, Theme::statusPerm()), 0,
        Qt::AlignTop);
    applyErrorLabel_ = makeLabel(QString(), 11.5, QFont::Medium, Theme::statusPerm());
    applyErrorLabel_->setWordWrap(true);
    // At most two lines.
    applyErrorLabel_->setMaximumHeight(applyErrorLabel_->fontMetrics().lineSpacing() * 2 + 2);
    applyErrorLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    errorLayout->addWidget(applyErrorLabel_, 1);
    error->hide();
    layout->addWidget(error);
    layout->addStretch();
    return page;
}

QWidget* OnboardingView::phoneContent() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(sideMargin, topMargin, sideMargin, 0);
    layout->setSpacing(10);
    layout->addWidget(
        heading(QCoreApplication::translate("OnboardingView", "在手机上安装 Quillo")));
    layout->addWidget(bodyText(QCoreApplication::translate(
        "OnboardingView", "在手机上的 Quillo 中扫描二维码，或输入下面的配对地址，连接这台电脑。")));
    layout->addStretch(1);
    qr_ = new QrCodeView;
    qr_->setObjectName(QStringLiteral("onboardingQrCode"));
    layout->addWidget(qr_, 0, Qt::AlignHCenter);
    address_ = new PairingAddressText(Qt::AlignHCenter);
    address_->setObjectName(QStringLiteral("onboardingPairingAddress"));
    noAddress_ = makeLabel(
        QCoreApplication::translate(
            "OnboardingView",
            "手机连接还没有就绪，暂时没有配对地址。之后可以在设置 → 已配对手机中查看。"),
        11.5, QFont::Normal, Theme::fgDim());
    noAddress_->setObjectName(QStringLiteral("onboardingNoPairingAddress"));
    noAddress_->setWordWrap(true);
    noAddress_->setAlignment(Qt::AlignHCenter);
    layout->addWidget(noAddress_);
    layout->addWidget(address_);
    layout->addStretch(1);
    auto* note = makeLabel(
        services_.buildFolder
            ? QCoreApplication::translate("OnboardingView",
                                          "从构建目录运行，不会开启开机自启 · 可在设置 → 通用开启")
            : QCoreApplication::translate("OnboardingView",
                                          "完成后将开启开机自启 · 可在设置 → 通用关闭"),
        11.5, QFont::Normal, Theme::fgDim());
    note->setObjectName(QStringLiteral("onboardingAutostartNote"));
    layout->addWidget(note, 0, Qt::AlignHCenter);
    return page;
}

void OnboardingView::setStep(OnboardingStep step) {
    step_ = step;
    const int index = static_cast<int>(step);
    for (int i = 0; i < static_cast<int>(page_.size()); ++i) {
        page_[i].primary->setVisible(i == index);
        if (page_[i].secondary != nullptr) {
            page_[i].secondary->setVisible(i == index);
        }
    }
    if (step == OnboardingStep::iphone) {
        updatePhonePage();
    }
    pages_->setCurrentIndex(index);
}

void OnboardingView::setPlan(const HookInstaller::Plan& plan, bool fileChanged) {
    setPlan(std::make_shared<const HookInstaller::Plan>(plan), fileChanged);
}

void OnboardingView::setPlan(std::shared_ptr<const HookInstaller::Plan> plan, bool fileChanged) {
    plan_ = std::move(plan);
    diff_->setPlan(plan_, fileChanged);
    updateHookPage();
}

void OnboardingView::updateHookPage() {
    QPushButton* apply = page_[2].primary;
    const bool noOp = plan_ != nullptr && plan_->isNoOp;
    apply->setText(noOp ? QCoreApplication::translate("OnboardingView", "已是最新，继续")
                        : QCoreApplication::translate("OnboardingView", "确认并应用"));
    apply->setIcon(symbolIcon(noOp ? "chevron.right" : "checkmark", Theme::bgDeepest()));
    apply->setAccessibleName(apply->text());
    // A plan the installer refuses says why in the preview; there is nothing
    // to apply.
    apply->setEnabled(plan_ != nullptr && !applied_ && !applying_ && !plan_->refused());
    preparing_->setVisible(plan_ == nullptr);
    applyErrorLabel_->setText(applyError_.value_or(QString()));
    applyErrorLabel_->setAccessibleName(applyErrorLabel_->text());
    applyErrorLabel_->parentWidget()->setVisible(applyError_.has_value());
}

void OnboardingView::updatePhonePage() {
    std::optional<PairingAddress> address;
    if (services_.pairingAddress) {
        address = services_.pairingAddress();
    }
    if (address) {
        const QString text = QString::fromStdString(address->toString());
        qr_->setText(text);
        qr_->show();
        address_->setAddress(text);
    } else {
        qr_->setText(QString());
        qr_->hide();
        address_->setAddress(QString());
    }
    address_->setVisible(address.has_value());
    noAddress_->setVisible(!address.has_value());
}

void OnboardingView::applyHook() {
    if (plan_ == nullptr || applied_ || applying_ || plan_->refused()) {
        return;
    }
    struct Outcome {
        HookInstaller::ApplyResult result;
        std::shared_ptr<const HookInstaller::Plan> newPlan; // the file changed
    };
    applying_ = true;
    updateHookPage();
    // Off the main thread: a large settings file takes a while to compare and
    // write, and the rest of the application must keep running.
    runInBackground(
        this,
        [plan = plan_, setup = services_.hookSetup] {
            Outcome outcome;
            outcome.result = HookInstaller::apply(*plan);
            if (outcome.result.fileChanged) {
                outcome.newPlan = std::make_shared<const HookInstaller::Plan>(
                    HookInstaller::computePlan(setup ? *setup : HookInstaller::installSetup()));
            }
            return outcome;
        },
        [this](const Outcome& outcome) {
            applying_ = false;
            if (outcome.result.success) {
                applied_ = true;
                applyError_.reset();
                updateHookPage();
                setStep(OnboardingStep::iphone);
            } else if (outcome.newPlan) {
                // Changes made meanwhile are kept: the user sees the new plan.
                applyError_.reset();
                setPlan(outcome.newPlan, true);
            } else {
                applyError_ = outcome.result.errorMessage
                                  ? QString::fromStdString(*outcome.result.errorMessage)
                                  : QCoreApplication::translate("OnboardingView", "未知错误");
                updateHookPage();
            }
            emit applyFinished();
        });
}

QPushButton* OnboardingView::primaryButton() const {
    return page_[static_cast<int>(step_)].primary;
}

QPushButton* OnboardingView::secondaryButton() const {
    return page_[static_cast<int>(step_)].secondary;
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    // The hook page cancels with Escape; it and the phone page go on with
    // Return, as their primary buttons are the default.
    const bool defaultPage = step_ == OnboardingStep::hookConfig || step_ == OnboardingStep::iphone;
    if (event->key() == Qt::Key_Escape && step_ == OnboardingStep::hookConfig) {
        secondaryButton()->click();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && defaultPage) {
        if (primaryButton()->isEnabled()) {
            primaryButton()->click();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quillo
