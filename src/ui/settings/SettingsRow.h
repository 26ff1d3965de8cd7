// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace quillo {

// One row of a settings card: a symbol or a leading view, the title over an
// optional subtitle, and a trailing control; a hairline below when `divider`.
class SettingsRow : public QWidget {
    Q_OBJECT

public:
    struct Content {
        QWidget* leading = nullptr;
        std::optional<QString> leadingIcon;
        QString title;
        std::optional<QString> subtitle;
        bool divider = false;
        QWidget* trailing = nullptr;
    };

    explicit SettingsRow(Content content, QWidget* parent = nullptr);

    QString title() const;
    std::optional<QString> subtitle() const;
    // Changes the subtitle of a row made with one.
    void setSubtitle(const QString& subtitle);
    bool hasDivider() const { return divider_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* title_;
    QLabel* subtitle_ = nullptr;
    bool divider_;
    int textLeft_ = 0;
};

} // namespace quillo
