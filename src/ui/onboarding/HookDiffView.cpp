// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookDiffView.h"

#include "app/Background.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Oklch.h"
#include "theme/Theme.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <malloc.h>

namespace quillo {

namespace {

constexpr double fontPoints = 11.5;
constexpr int markerColumn = 18;
constexpr int panelPadding = 8;
constexpr double panelRadius = 8;
constexpr int kindRole = Qt::UserRole + 1;

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

// Paints one row: the marker column, the text, and the background of an
// added line. Every row has the same height, so the view never measures text.
class DiffRowDelegate : public QStyledItemDelegate {
public:
    explicit DiffRowDelegate(QObject* parent)
        : QStyledItemDelegate(parent), textFont_(Fonts::monospaced(fontPoints)),
          markerFont_(Fonts::monospaced(fontPoints, QFont::DemiBold)),
          rowHeight_(QFontMetrics(textFont_).height() + 1) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool added = index.data(kindRole).toInt() == static_cast<int>(DiffLine::Kind::added);
        painter->save();
        if (option.state & QStyle::State_Selected) {
            painter->fillRect(option.rect, oklch(0.4, 0.05, 250, 0.5));
        } else if (added) {
            painter->fillRect(option.rect, HookDiffView::addedBackground());
        }
        QRect marker = option.rect;
        marker.setWidth(markerColumn);
        painter->setFont(markerFont_);
        painter->setPen(added ? Theme::statusActive() : Theme::fgFaint());
        painter->drawText(marker, Qt::AlignLeft | Qt::AlignVCenter,
                          added ? QStringLiteral("+") : QStringLiteral(" "));
        QRect text = option.rect.adjusted(markerColumn, 0, 0, 0);
        painter->setFont(textFont_);
        painter->setPen(added ? HookDiffView::addedTextColor() : Theme::fgMuted());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {1, rowHeight_};
    }

private:
    QFont textFont_;
    QFont markerFont_;
    int rowHeight_;
};

} // namespace

// The rows of the listing as places in the plan's target text; a row's text
// is made only when the view asks for it.
class DiffListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void reset(std::shared_ptr<const HookInstaller::Plan> plan, std::vector<DiffRow> rows) {
        beginResetModel();
        plan_ = std::move(plan);
        rows_ = std::move(rows);
        endResetModel();
    }

    const std::vector<DiffRow>& rows() const { return rows_; }

    std::string_view lineText(std::size_t row) const {
        const DiffRow& r = rows_[row];
        return std::string_view(plan_->targetText).substr(r.offset, r.length);
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
            return {};
        }
        const auto row = static_cast<std::size_t>(index.row());
        switch (role) {
        case Qt::DisplayRole: {
            // An empty line is shown as a space, so that it keeps its row.
            const std::string_view text = lineText(row);
            return text.empty()
                       ? QStringLiteral(" ")
                       : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        case Qt::AccessibleTextRole: {
            const std::string_view text = lineText(row);
            return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        case kindRole:
            return static_cast<int>(rows_[row].kind);
        default:
            return {};
        }
    }

private:
    std::shared_ptr<const HookInstaller::Plan> plan_;
    std::vector<DiffRow> rows_;
};

namespace {

// The listing: rows can be selected and copied as text.
class DiffListView : public QListView {
public:
    using QListView::QListView;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) {
            QModelIndexList selected = selectionModel()->selectedRows();
            std::sort(selected.begin(), selected.end());
            QStringList lines;
            for (const QModelIndex& index : selected) {
                lines << index.data(Qt::AccessibleTextRole).toString();
            }
            QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
            return;
        }
        QListView::keyPressEvent(event);
    }
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

    panel_ = new ListingPanel;
    panel_->setFixedHeight(listingHeight);
    auto* panelLayout = new QVBoxLayout(panel_);
    panelLayout->setContentsMargins(panelPadding, panelPadding, panelPadding, panelPadding);
    model_ = new DiffListModel(this);
    listing_ = new DiffListView;
    listing_->setObjectName(QStringLiteral("hookDiffListing"));
    listing_->setAccessibleName(
        QCoreApplication::translate("HookDiffView", "settings.json 变更预览"));
    listing_->setModel(model_);
    listing_->setItemDelegate(new DiffRowDelegate(listing_));
    // Every row is as high as the first: the view computes no row sizes, and
    // lays out in batches, so a million rows cost no more than a screenful.
    listing_->setUniformItemSizes(true);
    listing_->setLayoutMode(QListView::Batched);
    listing_->setBatchSize(2000);
    listing_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listing_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    listing_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listing_->setTextElideMode(Qt::ElideRight);
    listing_->setFrameShape(QFrame::NoFrame);
    listing_->viewport()->setAutoFillBackground(false);
    listing_->setAutoFillBackground(false);
    panelLayout->addWidget(listing_);
    layout->addWidget(panel_);

    // In place of the listing when the installer refuses the plan.
    refusalBox_ = new QWidget;
    refusalBox_->setObjectName(QStringLiteral("hookDiffRefusal"));
    auto* refusalLayout = new QHBoxLayout(refusalBox_);
    refusalLayout->setContentsMargins(0, 0, 0, 0);
    refusalLayout->setSpacing(6);
    refusalLayout->addWidget(
        new SymbolView(QStringLiteral("xmark.circle.fill"), fontPoints, Theme::statusPerm()), 0,
        Qt::AlignTop);
    refusalLabel_ = makeLabel(QString(), fontPoints, QFont::Medium, Theme::statusPerm());
    refusalLabel_->setWordWrap(true);
    refusalLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    refusalLayout->addWidget(refusalLabel_, 1);
    refusalBox_->hide();
    layout->addWidget(refusalBox_);

    notes_ = new QVBoxLayout;
    notes_->setSpacing(3);
    layout->addLayout(notes_);
}

HookDiffView::HookDiffView(const HookInstaller::Plan& plan, QWidget* parent)
    : HookDiffView(parent) {
    setPlan(plan);
}

HookDiffView::~HookDiffView() = default;

void HookDiffView::setPlan(const HookInstaller::Plan& plan, bool fileChanged) {
    setPlan(std::make_shared<const HookInstaller::Plan>(plan), fileChanged);
}

void HookDiffView::setPlan(std::shared_ptr<const HookInstaller::Plan> plan, bool fileChanged) {
    plan_ = std::move(plan);
    fileChanged_ = fileChanged;
    prepared_ = false;
    reformatted_ = false;
    const std::uint64_t generation = ++generation_;
    model_->reset(nullptr, {});
    if (watcher_ != nullptr) {
        watcher_->disconnect(this);
        watcher_->deleteLater(); // its work finishes on its own; the result is dropped
        watcher_ = nullptr;
    }

    const QString refusal = QString::fromStdString(HookInstaller::refusalMessage(*plan_));
    refusalLabel_->setText(refusal);
    refusalLabel_->setAccessibleName(refusal);
    refusalBox_->setVisible(!refusal.isEmpty());
    panel_->setVisible(refusal.isEmpty());
    rebuildNotes();
    if (!refusal.isEmpty()) {
        prepared_ = true;
        emit prepared();
        return;
    }

    watcher_ = new QFutureWatcher<DiffPreview>(this);
    connect(watcher_, &QFutureWatcherBase::finished, this, [this, generation] {
        if (generation == generation_ && !prepared_ && watcher_ != nullptr) {
            showPreview(watcher_->future().takeResult());
        }
    });
    watcher_->setFuture(QtConcurrent::run(&backgroundPool(), [plan = plan_] {
        DiffPreview preview = previewDiff(plan->existingText, plan->targetText);
        // Making the plan and this listing parsed the file twice, each time in
        // a pool thread; the C library keeps what such a thread freed in its
        // own arena, resident, for that thread to use again. The preview stays
        // open for a while, and a health check meanwhile reads the file in
        // yet another thread: give those tens of megabytes back now.
        ::malloc_trim(0);
        return preview;
    }));
}

void HookDiffView::finishPreparing() {
    if (!prepared_ && watcher_ != nullptr) {
        watcher_->waitForFinished();
        showPreview(watcher_->future().takeResult());
    }
}

void HookDiffView::showPreview(DiffPreview preview) {
    reformatted_ = preview.reformatted;
    // Moved, not copied: a large file has hundreds of thousands of rows.
    model_->reset(plan_, std::move(preview.rows));
    listing_->scrollToTop();
    prepared_ = true;
    rebuildNotes();
    emit prepared();
}

void HookDiffView::rebuildNotes() {
    while (QLayoutItem* item = notes_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (plan_ == nullptr) {
        return;
    }
    const HookInstaller::Plan& plan = *plan_;
    auto addNote = [this](const char* symbol, const QString& text, const QString& path = {}) {
        auto* note = new NoteLine(QString::fromLatin1(symbol), text, path);
        note->setObjectName(QStringLiteral("hookDiffNote"));
        notes_->addWidget(note);
    };
    if (fileChanged_) {
        addNote(
            "arrow.clockwise",
            QCoreApplication::translate(
                "HookDiffView", "settings.json 在预览后被修改过，以下是按当前内容重新生成的变更"));
    }
    if (plan.refused()) {
        return; // nothing will be written, so nothing is backed up or created
    }
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
    if (reformatted_ && !plan.isNoOp) {
        addNote("doc.text.magnifyingglass",
                QCoreApplication::translate(
                    "HookDiffView", "文件也会被重新排版（键按字母排序，两空格缩进），内容不变"));
    }
    if (plan.isNoOp) {
        addNote("checkmark",
                QCoreApplication::translate("HookDiffView", "当前配置已是最新，应用后内容不变"));
    }
}

std::vector<DiffLine> HookDiffView::lines() const {
    std::vector<DiffLine> lines;
    lines.reserve(model_->rows().size());
    for (std::size_t i = 0; i < model_->rows().size(); ++i) {
        lines.push_back({model_->rows()[i].kind, std::string(model_->lineText(i))});
    }
    return lines;
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

QString HookDiffView::refusal() const {
    return refusalBox_->isHidden() ? QString() : refusalLabel_->text();
}

} // namespace quillo
