// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "theme/SurfaceCard.h"

#include <QString>
#include <QUuid>

#include <vector>

class QLabel;
class QVariantAnimation;

namespace quillo {

// One question that opens to show its answer; rows start closed.
class FAQRow : public QWidget {
    Q_OBJECT

public:
    FAQRow(const QString& question, const QString& answer, bool divider, QWidget* parent = nullptr);

    QString question() const;
    QString answer() const;
    bool isExpanded() const { return expanded_; }
    // `animated`: the answer unfolds over 0.18 s.
    void setExpanded(bool expanded, bool animated = true);
    void toggle() { setExpanded(!expanded_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* header_;
    QWidget* chevron_;
    QLabel* question_;
    QWidget* answerBox_;
    QLabel* answer_;
    QVariantAnimation* unfold_;
    bool expanded_ = false;
    bool divider_;
};

// "常见问题": a titled card of question rows, each opened on its own.
class FAQCard : public SurfaceCard {
    Q_OBJECT

public:
    struct Item {
        QUuid id = QUuid::createUuid();
        QString question;
        QString answer;
    };

    explicit FAQCard(std::vector<Item> items, QWidget* parent = nullptr);

    const std::vector<Item>& items() const { return items_; }
    const std::vector<FAQRow*>& rows() const { return rows_; }

    // The three questions of the about pane, with answers for Linux desktops.
    static std::vector<Item> standardItems();

private:
    std::vector<Item> items_;
    std::vector<FAQRow*> rows_;
};

} // namespace quillo
