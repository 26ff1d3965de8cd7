// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemChecksView.h"

#include "settings/PaneButton.h"

#include "TransportPort.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Theme.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QTimer>
#include <QtConcurrent>

namespace quillo {

namespace {

QColor colorOf(SystemCheckState state) {
    switch (state) {
    case SystemCheckState::ok:
        return Theme::statusActive();
    case SystemCheckState::attention:
        return Theme::statusInput();
    case SystemCheckState::problem:
        return Theme::statusPerm();
    case SystemCheckState::checking:
        break;
    }
    return Theme::statusUnknown();
}

QString wordOf(SystemCheckState state) {
    switch (state) {
    case SystemCheckState::ok:
        return QCoreApplication::translate("SystemChecksView", "正常");
    case SystemCheckState::attention:
        return QCoreApplication::translate("SystemChecksView", "需注意");
    case SystemCheckState::problem:
        return QCoreApplication::translate("SystemChecksView", "有问题");
    case SystemCheckState::checking:
        break;
    }
    return QCoreApplication::translate("SystemChecksView", "检查中");
}

QString objectNameOf(SystemCheckResult::Kind kind) {
    switch (kind) {
    case SystemCheckResult::Kind::localNetwork:
        return QStringLiteral("systemCheck-localNetwork");
    case SystemCheckResult::Kind::transportPort:
        return QStringLiteral("systemCheck-transportPort");
    case SystemCheckResult::Kind::windowActivation:
        return QStringLiteral("systemCheck-windowActivation");
    case SystemCheckResult::Kind::terminalControl:
        return QStringLiteral("systemCheck-terminalControl");
    }
    return {};
}

class StateDot : public QWidget {
public:
    explicit StateDot(QColor color) : color_(std::move(color)) { setFixedSize(22, 20); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_);
        painter.drawEllipse(QRectF(6, 7, 8, 8));
    }

private:
    QColor color_;
};

// The command as shown: a line may break at its spaces but not inside an
// option such as `socket-only` or after the `$` of `${…}` (a word joiner
// follows each). The copy button copies the command itself.
QString unbrokenAtHyphens(QString command) {
    return command.replace(QStringLiteral("-"), QStringLiteral("-\u2060"))
        .replace(QStringLiteral("${"), QStringLiteral("$\u2060{"));
}

// One check: dot, title and state word, explanation, and the command line.
class SystemCheckRow : public QWidget {
public:
    SystemCheckRow(const SystemCheckResult& check, bool divider) : divider_(divider) {
        setObjectName(objectNameOf(check.kind));
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(16, 12, 16, 12 + (divider ? 1 : 0));
        layout->setSpacing(12);
        layout->addWidget(new StateDot(colorOf(check.state)), 0, Qt::AlignTop);

        auto* text = new QVBoxLayout;
        text->setSpacing(4);
        auto* heading = new QHBoxLayout;
        heading->setSpacing(8);
        heading->addWidget(makeLabel(check.title, 12.5, QFont::Medium, Theme::fg()));
        auto* state = makeLabel(wordOf(check.state), 11, QFont::Medium, colorOf(check.state));
        state->setObjectName(QStringLiteral("state"));
        heading->addWidget(state);
        heading->addStretch();
        text->addLayout(heading);
        auto* explanation = makeLabel(check.explanation, 11, QFont::Normal, Theme::fgDim());
        explanation->setObjectName(QStringLiteral("explanation"));
        explanation->setWordWrap(true);
        explanation->setVisible(!check.explanation.isEmpty());
        text->addWidget(explanation);
        if (check.fixCommand) {
            auto* commandLine = new QHBoxLayout;
            commandLine->setSpacing(8);
            auto* command = makeLabel(unbrokenAtHyphens(*check.fixCommand), 10.5, QFont::Normal,
                                      Theme::fgMuted());
            command->setFont(Fonts::monospaced(10.5));
            command->setObjectName(QStringLiteral("command"));
            command->setWordWrap(true);
            command->setTextInteractionFlags(Qt::TextSelectableByMouse);
            commandLine->addWidget(command, 1);
            auto* copy =
                new PaneButton(QString(), QCoreApplication::translate("SystemChecksView", "复制命令"));
            copy->setObjectName(QStringLiteral("copyCommand"));
            copy->setAccessibleName(copy->text());
            const QString toCopy = *check.fixCommand;
            QObject::connect(copy, &PaneButton::clicked, copy, [copy, toCopy] {
                QGuiApplication::clipboard()->setText(toCopy);
                copy->setText(QCoreApplication::translate("SystemChecksView", "已复制"));
                copy->updateGeometry();
                QTimer::singleShot(2000, copy, [copy] {
                    copy->setText(QCoreApplication::translate("SystemChecksView", "复制命令"));
                    copy->updateGeometry();
                });
            });
            commandLine->addWidget(copy, 0, Qt::AlignTop);
            text->addLayout(commandLine);
        }
        layout->addLayout(text, 1);
        setAccessibleName(check.title);
        setAccessibleDescription(wordOf(check.state) + QStringLiteral(": ") + check.explanation);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!divider_) {
            return;
        }
        QPainter painter(this);
        painter.fillRect(QRect(50, height() - 1, width() - 50, 1), Theme::lineSoft());
    }

private:
    bool divider_;
};

} // namespace

SystemChecksView::SystemChecksView(QWidget* parent)
    : QWidget(parent), probes_(std::make_shared<LinuxSystemProbes>()),
      results_(SystemChecks::pending()) {
    setObjectName(QStringLiteral("systemChecks"));
    rows_ = new QVBoxLayout(this);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(0);
    connect(&watcher_, &QFutureWatcherBase::finished, this, [this] {
        running_ = false;
        if (fixed_) {
            return;
        }
        results_ = watcher_.result();
        showRows();
        emit checked(results_);
    });
    showRows();
}

// The watcher's destructor does not wait for the run; the run holds its own
// share of the probes and finishes within its time limit.
SystemChecksView::~SystemChecksView() = default;

void SystemChecksView::setProbes(std::shared_ptr<SystemProbes> probes) {
    probes_ = std::move(probes);
}

void SystemChecksView::setPortSource(std::function<std::optional<quint16>()> source) {
    portSource_ = std::move(source);
}

void SystemChecksView::setPort(quint16 port) {
    portSource_ = [port] { return std::optional<quint16>(port); };
}

void SystemChecksView::setResults(const std::vector<SystemCheckResult>& results) {
    fixed_ = true;
    results_ = results;
    showRows();
}

bool SystemChecksView::isChecking() const {
    return running_;
}

void SystemChecksView::refresh() {
    if (fixed_ || running_) {
        return;
    }
    running_ = true;
    std::optional<quint16> port;
    if (portSource_) {
        port = portSource_();
    }
    results_ = SystemChecks::pending();
    showRows();
    const bool phoneConnected = phoneConnected_ && phoneConnected_();
    watcher_.setFuture(QtConcurrent::run(
        [probes = probes_, port = port.value_or(TransportPort::fromEnvironment()), phoneConnected] {
            return SystemChecks::run(probes, port, SystemChecks::probeTimeLimit, phoneConnected);
        }));
}

void SystemChecksView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void SystemChecksView::showRows() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (std::size_t i = 0; i < results_.size(); ++i) {
        rows_->addWidget(new SystemCheckRow(results_[i], i + 1 < results_.size()));
    }
}

} // namespace quillo
