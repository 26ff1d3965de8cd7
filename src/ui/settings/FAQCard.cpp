// SPDX-License-Identifier: GPL-3.0-or-later
#include "FAQCard.h"

#include "LinuxPlaces.h"
#include "theme/Label.h"
#include "theme/Symbols.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace quillo {

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 11;
constexpr int unfoldMs = 180;

// "chevron.right", turned to point down while the row is open.
class Chevron : public QWidget {
public:
    explicit Chevron(int lineHeight) {
        setFixedSize(14, lineHeight);
        setAttribute(Qt::WA_TranslucentBackground);
    }
    void setOpen(bool open) {
        open_ = open;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(width() / 2.0, height() / 2.0);
        painter.rotate(open_ ? 90 : 0);
        const QRectF box(-width() / 2.0, -height() / 2.0, width(), height());
        Symbols::paint(painter, box, "chevron.right", 13, Theme::fgDim());
    }

private:
    bool open_ = false;
};

// The question line as a plain button: the whole line toggles.
class QuestionLine : public QWidget {
public:
    explicit QuestionLine(FAQRow* row) : row_(row) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            row_->toggle();
        }
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return) {
            row_->toggle();
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    FAQRow* row_;
};

} // namespace

FAQRow::FAQRow(const QString& question, const QString& answer, bool divider, QWidget* parent)
    : QWidget(parent), divider_(divider) {
    setObjectName(QStringLiteral("faqRow"));
    setAccessibleName(question);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding,
                               verticalPadding + (divider ? 1 : 0));
    layout->setSpacing(0);

    header_ = new QuestionLine(this);
    auto* line = new QHBoxLayout(header_);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    question_ = makeLabel(question, 12.5, QFont::Medium, Theme::fg());
    // As tall as the question's first line, so the two stay level.
    chevron_ = new Chevron(question_->fontMetrics().height());
    line->addWidget(chevron_, 0, Qt::AlignTop);
    question_->setWordWrap(true);
    line->addWidget(question_, 1);
    layout->addWidget(header_);

    answerBox_ = new QWidget;
    auto* answerLayout = new QVBoxLayout(answerBox_);
    answerLayout->setContentsMargins(22, 7, 0, 2);
    answer_ = makeLabel(answer, 11.5, QFont::Normal, Theme::fgMuted());
    answer_->setObjectName(QStringLiteral("faqAnswer"));
    answer_->setWordWrap(true);
    answer_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    answerLayout->addWidget(answer_);
    answerBox_->setMaximumHeight(0);
    answerBox_->hide();
    layout->addWidget(answerBox_);

    unfold_ = new QVariantAnimation(this);
    unfold_->setDuration(unfoldMs);
    unfold_->setEasingCurve(QEasingCurve::InOutSine);
    connect(unfold_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { answerBox_->setMaximumHeight(value.toInt()); });
    connect(unfold_, &QVariantAnimation::finished, this, [this] {
        if (expanded_) {
            answerBox_->setMaximumHeight(QWIDGETSIZE_MAX);
        } else {
            answerBox_->hide();
        }
    });
}

QString FAQRow::question() const {
    return question_->text();
}

QString FAQRow::answer() const {
    return answer_->text();
}

void FAQRow::setExpanded(bool expanded, bool animated) {
    if (expanded == expanded_) {
        return;
    }
    expanded_ = expanded;
    // The chevron turns down while open.
    static_cast<Chevron*>(chevron_)->setOpen(expanded);
    unfold_->stop();
    if (!animated) {
        answerBox_->setMaximumHeight(expanded ? QWIDGETSIZE_MAX : 0);
        answerBox_->setVisible(expanded);
        return;
    }
    if (expanded) {
        answerBox_->show();
    }
    // The answer's height at the row's width, where it will be laid out.
    const int boxWidth = width() - 2 * horizontalPadding;
    const int full = answerBox_->layout()->hasHeightForWidth()
                         ? answerBox_->layout()->totalHeightForWidth(boxWidth)
                         : answerBox_->sizeHint().height();
    unfold_->setStartValue(expanded ? 0 : answerBox_->height());
    unfold_->setEndValue(expanded ? full : 0);
    unfold_->start();
}

void FAQRow::paintEvent(QPaintEvent*) {
    if (!divider_) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(QRect(horizontalPadding, height() - 1, width() - horizontalPadding, 1),
                     Theme::lineSoft());
}

FAQCard::FAQCard(std::vector<Item> items, QWidget* parent)
    : SurfaceCard(parent, 0), items_(std::move(items)) {
    setObjectName(QStringLiteral("faqCard"));
    auto* title = makeLabel(QCoreApplication::translate("AboutDetail", "常见问题"), 11,
                            QFont::DemiBold, Theme::fgDim());
    title->setContentsMargins(horizontalPadding, 12, horizontalPadding, 2);
    addWidget(title);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        auto* row = new FAQRow(items_[i].question, items_[i].answer, i + 1 < items_.size());
        rows_.push_back(row);
        addWidget(row);
    }
}

std::vector<FAQCard::Item> FAQCard::standardItems() {
    return {
        {.question = QCoreApplication::translate("AboutDetail", "托盘图标看不见怎么办？"),
         .answer = QCoreApplication::translate(
             "AboutDetail",
             "GNOME 默认没有系统托盘，需要安装并启用 AppIndicator 扩展（Debian 软件包 "
             "gnome-shell-extension-appindicator）后图标才会出现；其他桌面的面板也可能把它收进"
             "溢出区。两条兜底：① 在「通用 → 全局快捷键」里录制热键，按下即可唤起 Dashboard；② "
             "从应用程序菜单重新打开 Quillo，会自动在屏幕右上角弹出 Dashboard。")},
        {.question = QCoreApplication::translate("AboutDetail", "想让托盘图标一直显示？"),
         .answer = QCoreApplication::translate(
             "AboutDetail",
             "托盘由桌面环境管理：KDE Plasma 在「系统托盘设置 → 条目」里把 Quillo "
             "设为「始终显示」；"
             "GNOME 的 AppIndicator 扩展在其设置里调整托盘的位置；Xfce 等面板在托盘插件的属性里"
             "设置。不想依赖托盘时，全局快捷键在任何桌面上都能唤起 Dashboard。")},
        {.question = QCoreApplication::translate("AboutDetail", "想彻底关闭 / 卸载 Quillo？"),
         .answer =
             QCoreApplication::translate(
                 "AboutDetail",
                 "关闭进程：Dashboard 底部「退出」按钮，或终端 pkill -f QuilloMac。完整卸载请见"
                 "「关于 → 卸载说明」（清理 settings.json 中的 hook、应用数据、自启动文件 %1 "
                 "后再删除程序）。")
                 .arg(LinuxPlaces::autostartFile())},
    };
}

} // namespace quillo
