// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalSupportDetail.h"

#include "SettingsCategory.h"
#include "SettingsRow.h"
#include "theme/Label.h"
#include "theme/SurfaceCard.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>

namespace quillo {

namespace {

QColor tierColor(TerminalSupportDetail::Tier tier) {
    switch (tier) {
    case TerminalSupportDetail::Tier::full:
        return Theme::statusActive();
    case TerminalSupportDetail::Tier::partial:
        return Theme::statusInput();
    case TerminalSupportDetail::Tier::none:
        break;
    }
    return Theme::statusUnknown();
}

// The tier's dot and label, at the right end of a row.
class TierView : public QWidget {
public:
    explicit TierView(TerminalSupportDetail::Tier tier) : color_(tierColor(tier)) {
        setObjectName(QStringLiteral("tier"));
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(12, 0, 0, 0);
        layout->setSpacing(6);
        auto* text =
            makeLabel(TerminalSupportDetail::tierLabel(tier), 11, QFont::Medium, Theme::fgMuted());
        layout->addWidget(text);
        setAccessibleName(text->text());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_);
        painter.drawEllipse(QRectF(0, height() / 2.0 - 3.5, 7, 7));
    }

private:
    QColor color_;
};

} // namespace

std::vector<TerminalSupportDetail::Item> TerminalSupportDetail::items() {
    // Tab selection goes through each terminal's own control interface; every
    // other recognised terminal gets its window activated; a session whose
    // terminal was not recognised cannot be switched to.
    return {
        {QStringLiteral("GNOME Terminal"),
         QCoreApplication::translate("TerminalSupportDetail",
                                     "激活窗口 + 精确定位到 tab (D-Bus，无需设置)"),
         Tier::full},
        {QStringLiteral("Konsole"),
         QCoreApplication::translate("TerminalSupportDetail",
                                     "激活窗口 + 精确定位到 tab (D-Bus，无需设置)"),
         Tier::full},
        {QStringLiteral("kitty"),
         QCoreApplication::translate("TerminalSupportDetail",
                                     "激活窗口 + 精确定位到 tab/分屏 (需在 kitty.conf 中开启 "
                                     "allow_remote_control 与 listen_on)"),
         Tier::full},
        {QStringLiteral("WezTerm"),
         QCoreApplication::translate("TerminalSupportDetail",
                                     "激活窗口 + 精确定位到 pane (需要 wezterm 命令)"),
         Tier::full},
        {QStringLiteral("tmux"),
         QCoreApplication::translate("TerminalSupportDetail",
                                     "选中对应的 pane，再激活显示它的终端窗口"),
         Tier::full},
        {QStringLiteral("Alacritty, foot, xterm, Tilix, Terminator, Ghostty, Warp"),
         QCoreApplication::translate("TerminalSupportDetail", "仅激活窗口"), Tier::partial},
        {QCoreApplication::translate("TerminalSupportDetail", "VS Code 终端"),
         QCoreApplication::translate("TerminalSupportDetail", "仅激活窗口"), Tier::partial},
        {QCoreApplication::translate("TerminalSupportDetail", "其他终端"),
         QCoreApplication::translate("TerminalSupportDetail", "显示状态，禁用切换"), Tier::none},
    };
}

QString TerminalSupportDetail::tierLabel(Tier tier) {
    switch (tier) {
    case Tier::full:
        return QCoreApplication::translate("TerminalSupportDetail", "完整");
    case Tier::partial:
        return QCoreApplication::translate("TerminalSupportDetail", "部分");
    case Tier::none:
        break;
    }
    return QCoreApplication::translate("TerminalSupportDetail", "不支持");
}

TerminalSupportDetail::TerminalSupportDetail(QWidget* parent)
    : SettingsPane(label(SettingsCategory::terminals), parent) {
    setObjectName(QStringLiteral("pane-terminals"));
    auto* card = addCard();
    const auto all = items();
    for (std::size_t i = 0; i < all.size(); ++i) {
        auto* row = new SettingsRow({
            .title = all[i].name,
            .subtitle = all[i].behavior,
            .divider = i + 1 < all.size(),
            .trailing = new TierView(all[i].tier),
        });
        row->setObjectName(QStringLiteral("terminal"));
        card->addWidget(row);
    }
    auto* note = makeLabel(
        QCoreApplication::translate("TerminalSupportDetail",
                                    "把窗口提到前面需要 X11 (Wayland 会话中只对 XWayland "
                                    "窗口有效)，否则只选中 tab。各项是否就绪见「系统权限」。"),
        11, QFont::Normal, Theme::fgDim());
    note->setWordWrap(true);
    body()->addWidget(note);
}

} // namespace quillo
