// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderRegistry.h"

#include <QApplication>
#include <QLayout>
#include <QPainter>

#include <algorithm>

namespace quillo {

void RenderRegistry::add(QString name, RenderFactory factory) {
    entries_.push_back({std::move(name), std::move(factory)});
}

QStringList RenderRegistry::names() const {
    QStringList list;
    for (const auto& entry : entries_) {
        list << entry.name;
    }
    return list;
}

bool RenderRegistry::contains(const QString& name) const {
    return names().contains(name);
}

std::optional<RenderView> RenderRegistry::make(const QString& name) const {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.name == name; });
    if (it == entries_.end()) {
        return std::nullopt;
    }
    return it->factory();
}

QImage renderToImage(QWidget& view, int scale) {
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.ensurePolished();
    if (view.layout() != nullptr) {
        view.layout()->activate();
    }
    // A fixed width with a height that follows the content, or the preferred size.
    QSize size = view.size();
    if (!view.testAttribute(Qt::WA_Resized)) {
        size = view.sizeHint().expandedTo(view.minimumSize());
        if (view.hasHeightForWidth()) {
            size.setHeight(std::max(size.height(), view.heightForWidth(size.width())));
        }
    }
    view.resize(size);
    view.show();
    QApplication::processEvents();
    if (view.layout() != nullptr) {
        view.layout()->activate();
    }

    QImage image(view.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    view.render(&painter, QPoint(), QRegion(),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter.end();
    view.hide();
    return image;
}

} // namespace quillo
