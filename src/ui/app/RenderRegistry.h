// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quillo {

// A view built for rendering, with whatever sample objects it shows; `keepAlive`
// is released after the widget.
struct RenderView {
    std::unique_ptr<QWidget> widget;
    std::shared_ptr<void> keepAlive;

    ~RenderView() { widget.reset(); }
    RenderView() = default;
    RenderView(RenderView&&) = default;
    RenderView& operator=(RenderView&&) = default;
};

using RenderFactory = std::function<RenderView()>;

// The views that can be drawn to an image by name, each with built-in sample
// data.
class RenderRegistry {
public:
    void add(QString name, RenderFactory factory);

    QStringList names() const;
    bool contains(const QString& name) const;
    std::optional<RenderView> make(const QString& name) const;

private:
    struct Entry {
        QString name;
        RenderFactory factory;
    };
    std::vector<Entry> entries_;
};

// Every view of the interface, in the order `--render list` prints them.
RenderRegistry builtInRenderViews();

// Lays the view out at its own size (its fixed or preferred size) and draws it
// into an image `scale` times as large. Needs a QApplication.
QImage renderToImage(QWidget& view, int scale);

} // namespace quillo
