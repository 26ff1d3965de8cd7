// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookDiffView.h"

#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Oklch.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr double fontPoints = 11.5;
constexpr int markerColumn = 18;
constexpr int panelPadding = 8;
constexpr double panelRadius = 8;

// The rounded, outlined panel behind the listing.
class ListingPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Theme::lineSoft(), 1));
        painter.setBrush(oklch(0.11, 0.008, 250, 0.6));
        painter.drawRoundedRect(box, panelRadius, panelRadius);
    }
};

// One label of the note: a symbol and a line of text cut at the end when it
// does not fit.
// A note on one line. Too long, a path in it loses its middle, so that both
// its folder and the file's name stay readable; otherwise the end goes. The
// tooltip has all of it.
class NoteLine : public QWidget {
public:
    NoteLine(const QString& symbol, QString text, QString path = {})
        : text_(std::move(text)), path_(std::move(path)) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(5);
        layout->addWidget(new SymbolView(symbol, fontPoints, Theme::fgDim()), 0, Qt::AlignVCenter);
        label_ = makeLabel(text_, fontPoints, QFont::Normal, Theme::fgDim());
        label_->setMinimumWidth(0);
        label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label_->setToolTip(text_);
        layout->addWidget(label_, 1);
        setAccessibleName(text_);
    }

    QString text() const { return text_; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        label_->setText(shownText(label_->width()));
    }

private:
    QString shownText(int width) const {
        const QFontMetrics metrics = label_->fontMetrics();
        const qsizetype at = path_.isEmpty() ? -1 : text_.indexOf(path_);
        if (metrics.horizontalAdvance(text_) <= width || at < 0) {
            return metrics.elidedText(text_, Qt::ElideRight, width);
        }
        const QString before = text_.left(at);
        const QString after = text_.mid(at + path_.size());
        const int room =
            width - metrics.horizontalAdvance(before) - metrics.horizontalAdvance(after);
        return before + metrics.elidedText(path_, Qt::ElideMiddle, std::max(room, 0)) + after;
    }

    QString text_;
    QString path_;
    QLabel* label_ = nullptr;
};

} // namespace

QColor HookDiffView::addedTextColor() {
    return oklch(0.9, 0.1, 150);
}

QColor HookDiffView::addedBackground() {
    return oklch(0.3, 0.06, 150, 0.18);
}

HookDiffView::HookDiffView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("hookDiffView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* panel = new ListingPanel;
    panel->setFixedHeight(listingHeight);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(panelPadding, panelPadding, panelPadding, panelPadding);
    listing_ = new QTextEdit;
    listing_->setObjectName(QStringLiteral("hookDiffListing"));
    listing_->setAccessibleName(
        QCoreApplication::translate("HookDiffView", "settings.json 变更预览"));
    listing_->setReadOnly(true);
    listing_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    listing_->setLineWrapMode(QTextEdit::NoWrap);
    listing_->setFrameShape(QFrame::NoFrame);
    listing_->viewport()->setAutoFillBackground(false);
    listing_->setAutoFillBackground(false);
    listing_->document()->setDocumentMargin(0);
    listing_->setFont(Fonts::monospaced(fontPoints));
    listing_->setTabStopDistance(markerColumn);
    panelLayout->addWidget(listing_);
    layout->addWidget(panel);

    notes_ = new QVBoxLayout;
    notes_->setSpacing(3);
    layout->addLayout(notes_);
}

HookDiffView::HookDiffView(const HookInstaller::Plan& plan, QWidget* parent)
    : HookDiffView(parent) {
    setPlan(plan);
}

void HookDiffView::setPlan(const HookInstaller::Plan& plan) {
    plan_ = plan;
    lines_ = DiffLine::build(plan.existingText, plan.targetText);

    listing_->clear();
    QTextCursor cursor(listing_->document());
    QTextCharFormat addedMarker;
    addedMarker.setFont(Fonts::monospaced(fontPoints, QFont::DemiBold));
    addedMarker.setForeground(Theme::statusActive());
    QTextCharFormat contextMarker = addedMarker;
    contextMarker.setForeground(Theme::fgFaint());
    QTextCharFormat addedText;
    addedText.setFont(Fonts::monospaced(fontPoints));
    addedText.setForeground(addedTextColor());
    QTextCharFormat contextText = addedText;
    contextText.setForeground(Theme::fgMuted());
    QTextBlockFormat addedBlock;
    addedBlock.setBackground(addedBackground());
    const QTextBlockFormat contextBlock;

    bool first = true;
    for (const DiffLine& line : lines_) {
        const bool added = line.kind == DiffLine::Kind::added;
        if (first) {
            cursor.setBlockFormat(added ? addedBlock : contextBlock);
            first = false;
        } else {
            cursor.insertBlock(added ? addedBlock : contextBlock);
        }
        cursor.insertText(added ? QStringLiteral("+\t") : QStringLiteral(" \t"),
                          added ? addedMarker : contextMarker);
        // An empty line keeps its row's height and background.
        const QString text =
            line.text.empty() ? QStringLiteral(" ") : QString::fromStdString(line.text);
        cursor.insertText(text, added ? addedText : contextText);
    }
    listing_->moveCursor(QTextCursor::Start);

    while (QLayoutItem* item = notes_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    auto addNote = [this](const char* symbol, const QString& text, const QString& path = {}) {
        auto* note = new NoteLine(QString::fromLatin1(symbol), text, path);
        note->setObjectName(QStringLiteral("hookDiffNote"));
        notes_->addWidget(note);
    };
    if (plan.backupPath && !plan.willCreateSettingsFile) {
        const QString backup = QString::fromStdString(*plan.backupPath);
        addNote("checkmark",
                QCoreApplication::translate("HookDiffView", "应用前会自动备份原配置文件到 %1")
                    .arg(backup),
                backup);
    }
    if (plan.willCreateSettingsFile) {
        addNote("plus.circle",
                QCoreApplication::translate("HookDiffView", "settings.json 不存在，将创建新文件"));
    }
    if (plan.isNoOp) {
        addNote("checkmark",
                QCoreApplication::translate("HookDiffView", "当前配置已是最新，应用后内容不变"));
    }
}

QStringList HookDiffView::notes() const {
    QStringList texts;
    for (int i = 0; i < notes_->count(); ++i) {
        if (auto* note = dynamic_cast<NoteLine*>(notes_->itemAt(i)->widget())) {
            texts << note->text();
        }
    }
    return texts;
}

} // namespace quillo
