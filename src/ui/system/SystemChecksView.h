// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SystemChecks.h"

#include <QFutureWatcher>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QVBoxLayout;

namespace quillo {

// The system checks as a list: per check a state dot and word, the title, a
// short explanation and, where a command fixes it, that command with a button
// that copies it. The checks run on a worker thread when the view is shown
// (and on `refresh()`); the list says "checking" until they answer. Rows only,
// on a transparent background: the caller puts the view on a card.
class SystemChecksView : public QWidget {
    Q_OBJECT

public:
    explicit SystemChecksView(QWidget* parent = nullptr);
    ~SystemChecksView() override;

    // What the checks ask; the real computer unless set.
    void setProbes(std::shared_ptr<SystemProbes> probes);
    // Where the phone link listens, asked at each run; the standard port (or
    // the one the environment sets) when unset or when it gives nothing.
    void setPortSource(std::function<std::optional<quint16>()> source);
    // Whether a phone is connected now, asked at each run.
    void setPhoneConnectedSource(std::function<bool()> source) {
        phoneConnected_ = std::move(source);
    }
    void setPort(quint16 port);
    // Shows these results and starts nothing by itself any more (pictures of
    // the interface, where the real computer's state does not belong).
    void setResults(const std::vector<SystemCheckResult>& results);

    const std::vector<SystemCheckResult>& results() const { return results_; }
    bool isChecking() const;

public slots:
    // Runs the checks again, unless a run is still going.
    void refresh();

signals:
    void checked(const std::vector<SystemCheckResult>& results);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showRows();

    std::shared_ptr<SystemProbes> probes_;
    std::function<std::optional<quint16>()> portSource_;
    std::function<bool()> phoneConnected_;
    bool fixed_ = false;
    bool running_ = false; // until its results are shown
    std::vector<SystemCheckResult> results_;
    QFutureWatcher<std::vector<SystemCheckResult>> watcher_;
    QVBoxLayout* rows_;
};

} // namespace quillo
