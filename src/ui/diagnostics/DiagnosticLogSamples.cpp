// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogSamples.h"

namespace quillo::DiagnosticLogSamples {

std::vector<DiagnosticLogger::Entry> entries(Timestamp at) {
    using DiagnosticLogger::Severity;
    struct Sample {
        double secondsAgo;
        Severity severity;
        const char* category;
        const char* message;
        DiagnosticLogger::Context context;
    };
    const Sample samples[] = {
        {12,
         Severity::info,
         "transport",
         "peer connected",
         {{"peer", "Pixel 8"}, {"address", "192.168.1.23:51200"}}},
        {47,
         Severity::warning,
         "switch",
         "GNOME Terminal 未匹配到 tty, 仅激活 app",
         {{"tty", "/dev/pts/4"}, {"pid", "48121"}}},
        {95,
         Severity::error,
         "applescript",
         "AppleScript 执行失败",
         {{"terminal", "Terminal"}, {"error", "script object cannot be created"}}},
        {160, Severity::info, "hook", "Hook 已安装", {{"events", "6"}}},
        {230,
         Severity::error,
         "parse",
         "事件行无法解析, 已跳过",
         {{"line", "128"}, {"reason", "not a JSON object"}}},
        {410,
         Severity::info,
         "prune",
         "移除孤儿 session",
         {{"session", "6f1c2a"}, {"pid", "40211"}}},
        {655,
         Severity::warning,
         "network",
         "avahi-daemon 未运行, 手机无法通过发现找到这台电脑",
         {}},
        {1020, Severity::info, "ui", "Dashboard 已打开", {}},
        {1500,
         Severity::error,
         "resolve",
         "tty 解析失败: 整条 chain 都没拿到 tty, 进程可能已在终端关闭后继续运行于后台",
         {{"chain", "48121,48090,1"}}},
        {2900,
         Severity::warning,
         "events",
         "events.jsonl 暂时不可读, 5 秒后重试",
         {{"errno", "13"}}},
    };
    std::vector<DiagnosticLogger::Entry> entries;
    int number = 0;
    for (const Sample& sample : samples) {
        entries.push_back({
            .id = "00000000-0000-4000-8000-00000000000" + std::to_string(number++),
            .timestamp = at - Seconds(sample.secondsAgo),
            .severity = sample.severity,
            .category = sample.category,
            .message = sample.message,
            .context = sample.context,
        });
    }
    return entries;
}

} // namespace quillo::DiagnosticLogSamples
