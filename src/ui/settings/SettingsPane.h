// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QVBoxLayout;

namespace quillo {

class DetailHeader;
class SurfaceCard;

// What every settings pane shares: its header on top, then its cards.
class SettingsPane : public QWidget {
    Q_OBJECT

public:
    explicit SettingsPane(const QString& title, QWidget* parent = nullptr);

    DetailHeader* header() const { return header_; }
    // The column under the header; panes add their cards here.
    QVBoxLayout* body() const { return body_; }

    // A card whose rows are laid out edge to edge.
    SurfaceCard* addCard();

protected:
    // An honest row for a pane whose settings do not exist yet.
    void addNotYetAvailable();

private:
    DetailHeader* header_;
    QVBoxLayout* body_;
};

} // namespace quillo
