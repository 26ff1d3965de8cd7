// SPDX-License-Identifier: GPL-3.0-or-later
#include "DashboardTexts.h"

#include "theme/Theme.h"

#include <QCoreApplication>

#include <cmath>

namespace quillo::DashboardTexts {

namespace {

// The translated text is a printf format with "%lld" for each number.
template <typename... Numbers> QString format(const QString& pattern, Numbers... numbers) {
    return QString::asprintf(pattern.toUtf8().constData(), static_cast<long long>(numbers)...);
}

} // namespace

QString stateLabel(ProcessState state) {
    switch (state) {
    case ProcessState::active:
        return QCoreApplication::translate("MacProcessRow", "运行中");
    case ProcessState::waitingInput:
        return QCoreApplication::translate("MacProcessRow", "等待输入");
    case ProcessState::waitingPermission:
        return QCoreApplication::translate("MacProcessRow", "等待权限");
    case ProcessState::completed:
        return QCoreApplication::translate("MacProcessRow", "已结束");
    case ProcessState::unknown:
        break;
    }
    return QCoreApplication::translate("MacProcessRow", "状态未知");
}

QColor stateColor(ProcessState state) {
    switch (state) {
    case ProcessState::active:
        return Theme::statusActive();
    case ProcessState::waitingInput:
        return Theme::statusInput();
    case ProcessState::waitingPermission:
        return Theme::statusPerm();
    case ProcessState::completed:
    case ProcessState::unknown:
        break;
    }
    return Theme::fgDim();
}

long long wholeSecondsBetween(Timestamp since, Timestamp now) {
    const double seconds = std::trunc((now - since).count());
    return seconds > 0 ? static_cast<long long>(seconds) : 0;
}

QString durationText(Timestamp since, Timestamp now) {
    const long long s = wholeSecondsBetween(since, now);
    const long long h = s / 3600;
    const long long m = (s % 3600) / 60;
    const long long r = s % 60;
    if (s < 60) {
        return format(QCoreApplication::translate("MacProcessRow", "%lld 秒"), s);
    }
    if (s < 3600) {
        return r == 0
                   ? format(QCoreApplication::translate("MacProcessRow", "%lld 分"), m)
                   : format(QCoreApplication::translate("MacProcessRow", "%lld 分 %lld 秒"), m, r);
    }
    if (s % 3600 == 0) {
        return format(QCoreApplication::translate("MacProcessRow", "%lld 小时"), h);
    }
    if (r == 0) {
        return format(QCoreApplication::translate("MacProcessRow", "%lld 小时 %lld 分"), h, m);
    }
    return format(QCoreApplication::translate("MacProcessRow", "%lld 小时 %lld 分 %lld 秒"), h, m,
                  r);
}

QString connectionText(int peerCount) {
    return peerCount >= 1 ? QCoreApplication::translate("DashboardView", "已连接手机")
                          : QCoreApplication::translate("DashboardView", "未连接手机");
}

QString processCountText(std::size_t processCount) {
    if (processCount == 0) {
        return QCoreApplication::translate("DashboardView", "暂无活跃进程");
    }
    // A plural form: English says "1 session" but "2 sessions".
    return QCoreApplication::translate("DashboardView", "监控中：%n 个 Claude Code 进程", nullptr,
                                       static_cast<int>(processCount));
}

QString versionString(const QString& shortVersion) {
    return QStringLiteral("v") + (shortVersion.isEmpty() ? QStringLiteral("0.1.0") : shortVersion);
}

QString buildShortVersion() {
#ifdef QUILLO_SHORT_VERSION
    return QStringLiteral(QUILLO_SHORT_VERSION);
#else
    return {};
#endif
}

} // namespace quillo::DashboardTexts
