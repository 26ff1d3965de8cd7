// SPDX-License-Identifier: GPL-3.0-or-later
// The dashboard's texts as the source language has them (no translation is
// installed here).
#include "dashboard/DashboardTexts.h"
#include "UiTestApp.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

QString durationAfter(double seconds) {
    const Timestamp since = timestampFromSeconds(1'000'000);
    return DashboardTexts::durationText(since, since + Seconds{seconds});
}

TEST(DashboardTexts, DurationsAtEachBoundaryOfTheirForms) {
    test::uiApp();
    const std::pair<double, const char*> cases[] = {
        {0, "0 秒"},
        {0.99, "0 秒"},
        {59, "59 秒"},
        {59.999, "59 秒"}, // truncated, never rounded up into the next form
        {60, "1 分"},
        {61, "1 分 1 秒"},
        {3599, "59 分 59 秒"},
        {3600, "1 小时"},
        {3605, "1 小时 0 分 5 秒"},
        {3660, "1 小时 1 分"},
        {3661, "1 小时 1 分 1 秒"},
        {7200, "2 小时"},
        {-30, "0 秒"}, // a state change time in the future
    };
    for (const auto& [seconds, expected] : cases) {
        EXPECT_EQ(durationAfter(seconds), QString::fromUtf8(expected)) << seconds;
    }
}

TEST(DashboardTexts, StateLabelsAndHeaderLines) {
    test::uiApp();
    EXPECT_EQ(DashboardTexts::stateLabel(ProcessState::active), "运行中");
    EXPECT_EQ(DashboardTexts::stateLabel(ProcessState::waitingInput), "等待输入");
    EXPECT_EQ(DashboardTexts::stateLabel(ProcessState::waitingPermission), "等待权限");
    EXPECT_EQ(DashboardTexts::stateLabel(ProcessState::completed), "已结束");
    EXPECT_EQ(DashboardTexts::stateLabel(ProcessState::unknown), "状态未知");

    EXPECT_EQ(DashboardTexts::processCountText(0), "暂无活跃进程");
    EXPECT_EQ(DashboardTexts::processCountText(12), "监控中：12 个 Claude Code 进程");
    EXPECT_EQ(DashboardTexts::connectionText(0), "未连接手机");
    EXPECT_EQ(DashboardTexts::connectionText(2), "已连接手机");
    EXPECT_EQ(DashboardTexts::versionString(""), "v0.1.0");
    EXPECT_EQ(DashboardTexts::versionString("1.4.2"), "v1.4.2");
}

} // namespace
} // namespace quillo
