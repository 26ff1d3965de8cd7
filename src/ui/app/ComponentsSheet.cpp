// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComponentsSheet.h"

#include "ProcessState.h"
#include "theme/AmbientBackground.h"
#include "theme/DotIndicator.h"
#include "theme/DottedDivider.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/StatusPill.h"
#include "theme/SurfaceCard.h"
#include "theme/Symbols.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace quillo {

namespace {

QString translated(const char* text) {
    return QCoreApplication::translate("ComponentsSheet", text);
}

QLabel* sectionTitle(const char* name) {
    return makeLabel(QString::fromUtf8(name), 11, QFont::DemiBold, Theme::fgDim());
}

class Swatch : public QWidget {
public:
    Swatch(QColor color, QWidget* parent = nullptr) : QWidget(parent), color_(color) {
        setFixedSize(28, 28);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::lineSoft(), 1));
        painter.setBrush(color_);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }

private:
    QColor color_;
};

QWidget* dotsRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    for (ProcessState state : allProcessStates) {
        auto* cell = new QHBoxLayout;
        cell->setSpacing(2);
        cell->addWidget(new DotIndicator(state, 8));
        cell->addWidget(makeLabel(QString::fromUtf8(rawValue(state).data(),
                                                    static_cast<qsizetype>(rawValue(state).size())),
                                  11, QFont::Normal, Theme::fgMuted()));
        layout->addLayout(cell);
    }
    layout->addStretch();
    return row;
}

QWidget* pillsRow(bool withDot) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    const std::pair<const char*, StatusPill::Style> pills[] = {
        {QT_TRANSLATE_NOOP("ComponentsSheet", "已连接"), StatusPill::Style::online},
        {QT_TRANSLATE_NOOP("ComponentsSheet", "未连接"), StatusPill::Style::offline},
        {QT_TRANSLATE_NOOP("ComponentsSheet", "等待中"), StatusPill::Style::neutral},
        {QT_TRANSLATE_NOOP("ComponentsSheet", "已失效"), StatusPill::Style::danger},
        {QT_TRANSLATE_NOOP("ComponentsSheet", "需要注意"), StatusPill::Style::warning},
    };
    for (const auto& [text, style] : pills) {
        layout->addWidget(new StatusPill(translated(text), style, withDot));
    }
    layout->addStretch();
    return row;
}

QWidget* cardSample() {
    auto* card = new SurfaceCard;
    auto* layout = card->contentLayout();
    layout->setSpacing(10);
    layout->addWidget(makeLabel(QCoreApplication::translate("ComponentsSheet", "卡片标题"), 13,
                                QFont::DemiBold, Theme::fg()));
    layout->addWidget(
        makeLabel(QCoreApplication::translate("ComponentsSheet", "卡片里的说明文字, 颜色较浅。"),
                  11.5, QFont::Normal, Theme::fgMuted()));
    layout->addWidget(new DottedDivider);
    layout->addWidget(
        makeLabel(QStringLiteral("~/.claude/settings.json"), 11, QFont::Normal, Theme::fgDim()));
    return card;
}

QWidget* paletteGrid() {
    const std::pair<const char*, const QColor& (*)()> colors[] = {
        {"bgDeepest", Theme::bgDeepest},
        {"bgBase", Theme::bgBase},
        {"bgRaised", Theme::bgRaised},
        {"lineSoft", Theme::lineSoft},
        {"fg", Theme::fg},
        {"fgMuted", Theme::fgMuted},
        {"fgDim", Theme::fgDim},
        {"fgFaint", Theme::fgFaint},
        {"statusActive", Theme::statusActive},
        {"statusActiveGlow", Theme::statusActiveGlow},
        {"statusInput", Theme::statusInput},
        {"statusInputGlow", Theme::statusInputGlow},
        {"statusPerm", Theme::statusPerm},
        {"statusPermGlow", Theme::statusPermGlow},
        {"statusPermDim", Theme::statusPermDim},
        {"statusUnknown", Theme::statusUnknown},
        {"accent", Theme::accent},
        {"cardHighlightSoft", Theme::cardHighlightSoft},
        {"cardOuterShadow3", Theme::cardOuterShadow3},
    };
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(6);
    int index = 0;
    for (const auto& [name, color] : colors) {
        const int row = index / 4;
        const int column = (index % 4) * 2;
        layout->addWidget(new Swatch(color()), row, column);
        layout->addWidget(
            makeLabel(QString::fromLatin1(name), 10.5, QFont::Normal, Theme::fgMuted()), row,
            column + 1);
        ++index;
    }
    return grid;
}

QWidget* symbolsGrid() {
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(6);
    int index = 0;
    for (const auto& symbol : Symbols::all()) {
        const int row = index / 3;
        const int column = (index % 3) * 2;
        const QString name =
            QString::fromLatin1(symbol.name.data(), static_cast<qsizetype>(symbol.name.size()));
        layout->addWidget(new SymbolView(name, 16, Theme::fg(), 20), row, column);
        layout->addWidget(makeLabel(name, 10.5, QFont::Normal, Theme::fgMuted()), row, column + 1);
        ++index;
    }
    return grid;
}

QWidget* typeSamples() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    const std::pair<double, QFont::Weight> sizes[] = {
        {17, QFont::DemiBold}, {13, QFont::DemiBold}, {12.5, QFont::Normal},
        {11.5, QFont::Normal}, {11, QFont::Normal},   {10.5, QFont::Medium},
    };
    for (const auto& [points, weight] : sizes) {
        layout->addWidget(makeLabel(
            QStringLiteral("%1 pt · ").arg(points) +
                QCoreApplication::translate("ComponentsSheet", "实时监控你的 Claude Code 进程状态"),
            points, weight, Theme::fg()));
    }
    auto* mono = makeLabel(QStringLiteral("12 pt mono · 00:42 · /dev/pts/3"), 12, QFont::Normal,
                           Theme::fgMuted());
    mono->setFont(Fonts::monospaced(12));
    layout->addWidget(mono);
    return column;
}

} // namespace

std::unique_ptr<QWidget> makeComponentsSheet() {
    auto sheet = std::make_unique<AmbientBackground>();
    sheet->setObjectName(QStringLiteral("componentsSheet"));
    sheet->setFixedWidth(720);
    auto* layout = new QVBoxLayout(sheet.get());
    layout->setContentsMargins(24, 22, 24, 24);
    layout->setSpacing(10);

    layout->addWidget(sectionTitle("DotIndicator"));
    layout->addWidget(dotsRow());
    layout->addSpacing(6);
    layout->addWidget(sectionTitle("StatusPill"));
    layout->addWidget(pillsRow(true));
    layout->addWidget(pillsRow(false));
    layout->addSpacing(6);
    layout->addWidget(sectionTitle("SurfaceCard · DottedDivider"));
    layout->addWidget(cardSample());
    layout->addWidget(sectionTitle("Theme"));
    layout->addWidget(paletteGrid());
    layout->addSpacing(6);
    layout->addWidget(sectionTitle("Symbols"));
    layout->addWidget(symbolsGrid());
    layout->addSpacing(6);
    layout->addWidget(sectionTitle("Type"));
    layout->addWidget(typeSamples());
    layout->addStretch();
    return sheet;
}

} // namespace quillo
