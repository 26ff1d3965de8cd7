// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsRow.h"

#include "theme/Label.h"
#include "theme/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 12;
constexpr int iconFrame = 22;
constexpr int leadingSpacing = 12;

} // namespace

SettingsRow::SettingsRow(Content content, QWidget* parent)
    : QWidget(parent), divider_(content.divider) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding,
                               verticalPadding + (divider_ ? 1 : 0));
    layout->setSpacing(leadingSpacing);

    textLeft_ = horizontalPadding;
    if (content.leading != nullptr) {
        layout->addWidget(content.leading, 0, Qt::AlignVCenter);
        textLeft_ += content.leading->sizeHint().width() + leadingSpacing;
    } else if (content.leadingIcon) {
        layout->addWidget(new SymbolView(*content.leadingIcon, 15, Theme::fgMuted(), iconFrame), 0,
                          Qt::AlignVCenter);
        textLeft_ += iconFrame + leadingSpacing;
    }

    auto* text = new QVBoxLayout;
    text->setSpacing(3);
    title_ = makeLabel(content.title, 12.5, QFont::Medium, Theme::fg());
    title_->setWordWrap(true);
    text->addWidget(title_);
    if (content.subtitle) {
        subtitle_ = makeLabel(*content.subtitle, 11, QFont::Normal, Theme::fgDim());
        subtitle_->setWordWrap(true);
        text->addWidget(subtitle_);
    }
    layout->addLayout(text, 1);
    if (content.trailing != nullptr) {
        layout->addWidget(content.trailing, 0, Qt::AlignVCenter);
    }

    setAccessibleName(content.title);
    if (content.subtitle) {
        setAccessibleDescription(*content.subtitle);
    }
}

QString SettingsRow::title() const {
    return title_->text();
}

void SettingsRow::setSubtitle(const QString& subtitle) {
    if (subtitle_ != nullptr) {
        subtitle_->setText(subtitle);
        setAccessibleDescription(subtitle);
    }
}

std::optional<QString> SettingsRow::subtitle() const {
    if (subtitle_ == nullptr) {
        return std::nullopt;
    }
    return subtitle_->text();
}

void SettingsRow::paintEvent(QPaintEvent*) {
    if (!divider_) {
        return;
    }
    // The hairline starts under the text, as in a grouped list.
    QPainter painter(this);
    painter.fillRect(QRect(textLeft_, height() - 1, width() - textLeft_, 1), Theme::lineSoft());
}

} // namespace quillo
