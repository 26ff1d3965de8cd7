// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace quillo {

// The title line of a settings pane, with an optional view at its right end.
class DetailHeader : public QWidget {
    Q_OBJECT

public:
    explicit DetailHeader(const QString& title, QWidget* trailing = nullptr,
                          QWidget* parent = nullptr);

    QString title() const;

private:
    QLabel* title_;
};

} // namespace quillo
