// SPDX-License-Identifier: GPL-3.0-or-later
#include "Palette.h"

#include "Oklch.h"
#include "Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace quillo {

void applyDarkPalette(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        application.setStyle(fusion);
    }
    QPalette palette;
    palette.setColor(QPalette::Window, Theme::bgDeepest());
    palette.setColor(QPalette::WindowText, Theme::fg());
    palette.setColor(QPalette::Base, Theme::bgBase());
    palette.setColor(QPalette::AlternateBase, Theme::bgRaised());
    palette.setColor(QPalette::Text, Theme::fg());
    palette.setColor(QPalette::PlaceholderText, Theme::fgDim());
    palette.setColor(QPalette::Button, Theme::bgRaised());
    palette.setColor(QPalette::ButtonText, Theme::fg());
    palette.setColor(QPalette::BrightText, Theme::statusPerm());
    palette.setColor(QPalette::Highlight, Theme::accent());
    palette.setColor(QPalette::HighlightedText, Theme::bgDeepest());
    palette.setColor(QPalette::Link, Theme::accent());
    palette.setColor(QPalette::ToolTipBase, Theme::bgRaised());
    palette.setColor(QPalette::ToolTipText, Theme::fg());
    palette.setColor(QPalette::Light, oklch(0.32, 0.012, 250));
    palette.setColor(QPalette::Midlight, oklch(0.26, 0.012, 250));
    palette.setColor(QPalette::Mid, oklch(0.22, 0.01, 250));
    palette.setColor(QPalette::Dark, oklch(0.12, 0.008, 250));
    palette.setColor(QPalette::Shadow, Theme::cardOuterShadow3());
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, Theme::fgFaint());
    }
    application.setPalette(palette);
}

} // namespace quillo
