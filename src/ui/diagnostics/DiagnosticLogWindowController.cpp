// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogWindowController.h"

#include "DiagnosticLogView.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace quillo {

DiagnosticLogWindowController::DiagnosticLogWindowController(
    std::function<DiagnosticLogSource()> source)
    : source_(std::move(source)) {}

DiagnosticLogWindowController::~DiagnosticLogWindowController() {
    delete window_.data();
}

void DiagnosticLogWindowController::show() {
    if (window_ == nullptr) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setObjectName(QStringLiteral("diagnosticsWindow"));
        window->setWindowTitle(
            QCoreApplication::translate("DiagnosticLogWindowController", "Quillo 诊断日志"));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new DiagnosticLogView(source_());
        layout->addWidget(view_);
        window->setMinimumSize(minimumWidth, minimumHeight);
        window->resize(width, height);
        if (QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
            QRect frame = window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
        window_ = window;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace quillo
