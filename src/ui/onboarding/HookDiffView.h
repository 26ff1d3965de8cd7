// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiffLine.h"
#include "installer/HookInstaller.h"

#include <QFutureWatcher>
#include <QStringList>
#include <QWidget>

#include <memory>

class QLabel;
class QListView;
class QVBoxLayout;

namespace quillo {

class DiffListModel;

// What applying a hook plan will do to the Claude Code settings file: the whole
// future text with the lines it brings in marked "+", and a note on the old
// file (its backup, its creation, its new layout, or that nothing changes). A
// plan the installer refuses shows why instead. It only shows the plan; it
// reads and writes no file.
//
// The comparison runs off the main thread and the listing lays out only the
// rows in sight, so a settings file of many megabytes never stalls the
// application.
class HookDiffView : public QWidget {
    Q_OBJECT

public:
    static constexpr int listingHeight = 280;

    explicit HookDiffView(QWidget* parent = nullptr);
    explicit HookDiffView(const HookInstaller::Plan& plan, QWidget* parent = nullptr);
    ~HookDiffView() override;

    // `fileChanged`: this plan replaces one that could not be applied because
    // the file changed since; the note says so.
    void setPlan(const HookInstaller::Plan& plan, bool fileChanged = false);
    void setPlan(std::shared_ptr<const HookInstaller::Plan> plan, bool fileChanged = false);
    const HookInstaller::Plan* plan() const { return plan_.get(); }

    // Whether the listing is complete; `prepared` is emitted when it becomes so.
    bool isPrepared() const { return prepared_; }
    // Waits for the listing (pictures, tests).
    void finishPreparing();

    // The listed lines, in order (copied out of the listing).
    std::vector<DiffLine> lines() const;
    // The note's labels, in order.
    QStringList notes() const;
    // Why the plan cannot be applied, as shown in place of the listing; empty
    // when it can.
    QString refusal() const;

    // The listing's colours.
    static QColor addedTextColor();
    static QColor addedBackground();

signals:
    void prepared();

private:
    void showPreview(DiffPreview preview);
    void rebuildNotes();

    std::shared_ptr<const HookInstaller::Plan> plan_;
    bool fileChanged_ = false;
    bool prepared_ = false;
    bool reformatted_ = false;
    // Which preparation is current: a result for an older plan is dropped.
    std::uint64_t generation_ = 0;
    QFutureWatcher<DiffPreview>* watcher_ = nullptr;

    DiffListModel* model_;
    QWidget* panel_;
    QListView* listing_;
    QWidget* refusalBox_;
    QLabel* refusalLabel_;
    QVBoxLayout* notes_;
};

} // namespace quillo
