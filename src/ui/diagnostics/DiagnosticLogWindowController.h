// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogSource.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace quillo {

class DiagnosticLogView;

// Owns the one diagnostics window. It is made on the first show() and only
// hidden when closed; later calls bring the same window, with its entries and
// filter, back to the front (刷新 reads the log again).
class DiagnosticLogWindowController {
public:
    static constexpr int width = 720;
    static constexpr int height = 480;
    static constexpr int minimumWidth = 600;
    static constexpr int minimumHeight = 360;

    // `source` is asked for the log when the window is first made.
    explicit DiagnosticLogWindowController(
        std::function<DiagnosticLogSource()> source = systemDiagnosticLog);
    ~DiagnosticLogWindowController();

    DiagnosticLogWindowController(const DiagnosticLogWindowController&) = delete;
    DiagnosticLogWindowController& operator=(const DiagnosticLogWindowController&) = delete;

    void show();

    QWidget* window() const { return window_; }
    DiagnosticLogView* view() const { return view_; }

private:
    std::function<DiagnosticLogSource()> source_;
    QPointer<QWidget> window_;
    DiagnosticLogView* view_ = nullptr;
};

} // namespace quillo
