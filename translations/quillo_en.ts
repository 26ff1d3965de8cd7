<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AboutDetail</name>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>诊断日志</source>
        <translation>Diagnostic log</translation>
    </message>
    <message>
        <source>查看最近 24 小时的运行日志</source>
        <translation>See the log of the last 24 hours</translation>
    </message>
    <message>
        <source>查看</source>
        <translation>View</translation>
    </message>
    <message>
        <source>反馈</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>复制诊断信息到剪贴板, 并在文件管理器中标出最近一份崩溃日志</source>
        <translation>Copy diagnostic information to the clipboard and highlight the latest crash report in the file manager</translation>
    </message>
    <message>
        <source>重看引导</source>
        <translation>Show the guide again</translation>
    </message>
    <message>
        <source>重新运行首次配置流程</source>
        <translation>Run the first-run setup again</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>卸载说明</source>
        <translation>Uninstalling</translation>
    </message>
    <message>
        <source>如何完全移除 Quillo</source>
        <translation>How to remove Quillo completely</translation>
    </message>
    <message>
        <source>常见问题</source>
        <translation>Frequently asked questions</translation>
    </message>
    <message>
        <source>托盘图标看不见怎么办？</source>
        <translation>The tray icon does not show?</translation>
    </message>
    <message>
        <source>GNOME 默认没有系统托盘，需要安装并启用 AppIndicator 扩展（Debian 软件包 gnome-shell-extension-appindicator）后图标才会出现；其他桌面的面板也可能把它收进溢出区。两条兜底：① 在「通用 → 全局快捷键」里录制热键，按下即可唤起 Dashboard；② 从应用程序菜单重新打开 Quillo，会自动在屏幕右上角弹出 Dashboard。</source>
        <translation>GNOME has no system tray by default: the icon appears once the AppIndicator extension is installed and enabled (Debian package gnome-shell-extension-appindicator). Other desktops' panels may put it in an overflow area. Two ways in regardless: ① record a hot key under "General → Global shortcut" and press it to bring up the dashboard; ② open Quillo again from the applications menu, and the dashboard appears at the top right of the screen.</translation>
    </message>
    <message>
        <source>想让托盘图标一直显示？</source>
        <translation>Want the tray icon always shown?</translation>
    </message>
    <message>
        <source>托盘由桌面环境管理：KDE Plasma 在「系统托盘设置 → 条目」里把 Quillo 设为「始终显示」；GNOME 的 AppIndicator 扩展在其设置里调整托盘的位置；Xfce 等面板在托盘插件的属性里设置。不想依赖托盘时，全局快捷键在任何桌面上都能唤起 Dashboard。</source>
        <translation>The desktop manages the tray: in KDE Plasma set Quillo to "Always shown" under "System Tray Settings → Entries"; GNOME's AppIndicator extension places the tray in its own settings; Xfce and other panels have it in the tray plugin's properties. Without relying on the tray, the global shortcut brings up the dashboard on any desktop.</translation>
    </message>
    <message>
        <source>想彻底关闭 / 卸载 Quillo？</source>
        <translation>Want to quit or uninstall Quillo?</translation>
    </message>
    <message>
        <source>关闭进程：Dashboard 底部「退出」按钮，或终端 pkill -f QuilloMac。完整卸载请见「关于 → 卸载说明」（清理 settings.json 中的 hook、应用数据、自启动文件 %1 后再删除程序）。</source>
        <translation>To quit: the "Quit" button at the bottom of the dashboard, or pkill -f QuilloMac in a terminal. To uninstall completely see "About → Uninstalling" (remove the hooks in settings.json, the application data and the autostart file %1, then the program).</translation>
    </message>
    <message>
        <source>卸载 Quillo</source>
        <translation>Uninstall Quillo</translation>
    </message>
    <message>
        <source>好的</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>完整卸载步骤：

1. 在「设置 → 危险操作」中点击「清理配置信息」，移除 settings.json 中的 Hook 条目、应用数据、设置和崩溃报告。
2. 退出 Quillo（托盘图标 → 退出，或终端 pkill -f QuilloMac）。
3. 删除程序：用 Debian 软件包安装的，执行 sudo apt remove quillo；从源码 make install 安装的，在源码目录执行 make uninstall，它会删除装过的程序 QuilloMac、QuilloHook、QuilloPeer 以及应用菜单项、图标和手册页。
4. 如已开启开机自启，删除 %1。
5. 清理会留下 %2 中 settings.json 的备份 (settings.json.quillo-backup-…) 和显示语言设置 %3；不再需要时可以删除它们。</source>
        <translation>To uninstall completely:

1. In "Settings → Danger Zone" click "Clean up configuration" to remove the hook entries in settings.json, the application data, the settings and the crash reports.
2. Quit Quillo (tray icon → Quit, or pkill -f QuilloMac in a terminal).
3. Remove the program: if it came from the Debian package, run sudo apt remove quillo; if it was installed from source with make install, run make uninstall in the source folder, which removes the installed programs QuilloMac, QuilloHook and QuilloPeer with the menu entry, the icons and the manual pages.
4. If start at login was on, delete %1.
5. The clean-up leaves the backups of settings.json in %2 (settings.json.quillo-backup-…) and the display language setting in %3; delete them when you no longer need them.</translation>
    </message>
    <message>
        <source>项目主页</source>
        <translation>Home page</translation>
    </message>
</context>
<context>
    <name>ComponentsSheet</name>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>等待中</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>已失效</source>
        <translation>Broken</translation>
    </message>
    <message>
        <source>需要注意</source>
        <translation>Needs attention</translation>
    </message>
    <message>
        <source>卡片标题</source>
        <translation>Card title</translation>
    </message>
    <message>
        <source>卡片里的说明文字, 颜色较浅。</source>
        <translation>Explanatory text in a card, in a lighter colour.</translation>
    </message>
    <message>
        <source>实时监控你的 Claude Code 进程状态</source>
        <translation>Watch your Claude Code processes live</translation>
    </message>
</context>
<context>
    <name>DangerZoneDetail</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>清理并重启</source>
        <translation>Clean up and restart</translation>
    </message>
    <message>
        <source>清理配置信息</source>
        <translation>Clean up configuration</translation>
    </message>
    <message>
        <source>将 Quillo 完全恢复到首次启动状态：清掉 Hook 配置、配对的手机、开机自启、全局快捷键、引导与偏好设置，以及 %1 下的应用数据。清理后 app 会自动重启。</source>
        <translation>Returns Quillo to its first-run state: removes the hook configuration, the paired phones, start at login, the global shortcut, the guide and preference settings, and the application data in %1. The app restarts afterwards.</translation>
    </message>
    <message>
        <source>清理 Quillo 的配置数据?</source>
        <translation>Clean up Quillo's configuration?</translation>
    </message>
    <message>
        <source>将清理以下内容:
• ~/.claude/settings.json 中的 Hook 条目
• 已配对的手机列表
• 开机自启
• 全局快捷键设置
• 引导与偏好设置 (%1)
• %2 下的应用数据 (events / 诊断日志 / 归档)
• %3 下的崩溃报告

清理后 Quillo 会自动重启, 回到首次启动状态. 如需完全卸载, 重启后按「关于 → 卸载说明」退出 Quillo 并删除程序即可.</source>
        <translation>This removes:
• the hook entries in ~/.claude/settings.json
• the list of paired phones
• start at login
• the global shortcut
• the guide and preference settings (%1)
• the application data in %2 (events / diagnostic log / archives)
• the crash reports in %3

Quillo then restarts in its first-run state. To uninstall completely, after the restart quit Quillo and remove the program as "About → Uninstalling" describes.</translation>
    </message>
</context>
<context>
    <name>DashboardView</name>
    <message>
        <source>Hook 配置已失效，点击修复</source>
        <translation>Hook configuration is broken. Click to fix</translation>
    </message>
    <message>
        <source>修复 →</source>
        <translation>Fix →</translation>
    </message>
    <message>
        <source>图标被挤掉时也能唤起</source>
        <translation>Open it even when the icon is hidden</translation>
    </message>
    <message>
        <source>到「设置 → 通用」录制全局快捷键，托盘图标看不见时也能随时打开。</source>
        <translation>Record a global shortcut in Settings → General to open Quillo any time, even when its tray icon cannot be seen.</translation>
    </message>
    <message>
        <source>关闭提示</source>
        <translation>Close hint</translation>
    </message>
    <message>
        <source>暂无 Claude Code 进程</source>
        <translation>No Claude Code sessions</translation>
    </message>
    <message>
        <source>启动 Claude Code 后会自动显示</source>
        <translation>Sessions appear here once Claude Code starts</translation>
    </message>
    <message>
        <source>已连接手机</source>
        <translation>Phone connected</translation>
    </message>
    <message>
        <source>未连接手机</source>
        <translation>No phone connected</translation>
    </message>
    <message>
        <source>暂无活跃进程</source>
        <translation>No active sessions</translation>
    </message>
    <message numerus="yes">
        <source>监控中：%n 个 Claude Code 进程</source>
        <translation>
            <numerusform>Monitoring %n Claude Code session</numerusform>
            <numerusform>Monitoring %n Claude Code sessions</numerusform>
        </translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>DiagnosticLogView</name>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>仅错误</source>
        <translation>Errors only</translation>
    </message>
    <message>
        <source>错误 + 警告</source>
        <translation>Errors + warnings</translation>
    </message>
    <message>
        <source>仅信息</source>
        <translation>Info only</translation>
    </message>
    <message>
        <source>诊断日志</source>
        <translation>Diagnostic log</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>最近 24 小时无诊断记录</source>
        <translation>No diagnostic entries in the last 24 hours</translation>
    </message>
    <message>
        <source>导出日志</source>
        <translation>Export log</translation>
    </message>
    <message>
        <source>筛选</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>正在读取诊断日志…</source>
        <translation>Reading the diagnostic log…</translation>
    </message>
    <message>
        <source>%1 条记录</source>
        <translation>%1 entries</translation>
    </message>
    <message>
        <source>诊断日志是空的，没有可以导出的内容。</source>
        <translation>The diagnostic log is empty: there is nothing to export.</translation>
    </message>
</context>
<context>
    <name>DiagnosticLogWindowController</name>
    <message>
        <source>Quillo 诊断日志</source>
        <translation>Quillo diagnostic log</translation>
    </message>
</context>
<context>
    <name>FeedbackComposer</name>
    <message>
        <source>最近崩溃日志：</source>
        <translation>Latest crash report: </translation>
    </message>
    <message>
        <source>最近崩溃日志：未找到</source>
        <translation>Latest crash report: none found</translation>
    </message>
    <message>
        <source>请简单描述你遇到的问题：</source>
        <translation>Briefly describe the problem you ran into:</translation>
    </message>
    <message>
        <source>版本：</source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>系统：</source>
        <translation>System: </translation>
    </message>
    <message>
        <source>诊断日志：</source>
        <translation>Diagnostic log: </translation>
    </message>
    <message>
        <source>最近一份崩溃日志已在文件管理器中标出。
请把剪贴板内容粘贴到 %1、GitHub issue 或任意聊天工具, 并附带文件管理器里高亮的 .crash 文件。</source>
        <translation>The latest crash report is highlighted in the file manager.
Please paste the clipboard into an e-mail to %1, a GitHub issue or any chat, and attach the highlighted .crash file.</translation>
    </message>
    <message>
        <source>未发现近期崩溃日志, 仅复制了基础诊断信息。
请把剪贴板内容粘贴到 %1、GitHub issue 或任意聊天工具。</source>
        <translation>No recent crash report was found; only basic diagnostic information was copied.
Please paste the clipboard into an e-mail to %1, a GitHub issue or any chat.</translation>
    </message>
    <message>
        <source>Quillo 反馈</source>
        <translation>Quillo feedback</translation>
    </message>
    <message>
        <source>好的</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>改用邮件发送</source>
        <translation>Send by e-mail instead</translation>
    </message>
    <message>
        <source>反馈内容已复制到剪贴板</source>
        <translation>Feedback copied to the clipboard</translation>
    </message>
    <message>
        <source>最近一份崩溃日志已在文件管理器中标出。
请把剪贴板内容粘贴到 GitHub issue 或任意聊天工具, 并附带文件管理器里高亮的 .crash 文件。</source>
        <translation>The latest crash report is highlighted in the file manager.
Please paste the clipboard into a GitHub issue or any chat, and attach the highlighted .crash file.</translation>
    </message>
    <message>
        <source>未发现近期崩溃日志, 仅复制了基础诊断信息。
请把剪贴板内容粘贴到 GitHub issue 或任意聊天工具。</source>
        <translation>No recent crash report was found; only the basic diagnostics were copied.
Please paste the clipboard into a GitHub issue or any chat.</translation>
    </message>
</context>
<context>
    <name>GeneralDetail</name>
    <message>
        <source>跟随系统</source>
        <translation>Follow the system</translation>
    </message>
    <message>
        <source>随时唤起 Dashboard；托盘图标被遮挡时也能用</source>
        <translation>Opens the dashboard from anywhere; works even when the tray icon is hidden</translation>
    </message>
    <message>
        <source>全局快捷键</source>
        <translation>Global shortcut</translation>
    </message>
    <message>
        <source>快捷键在鼠标位置打开</source>
        <translation>Open at the mouse pointer</translation>
    </message>
    <message>
        <source>开启后, 按下快捷键时主页面以鼠标为中心弹出; 关闭则贴托盘图标</source>
        <translation>When on, the shortcut opens the dashboard centred on the mouse pointer; when off, under the tray icon</translation>
    </message>
    <message>
        <source>开机自启</source>
        <translation>Launch at login</translation>
    </message>
    <message>
        <source>系统登录时自动启动 Quillo</source>
        <translation>Start Quillo automatically when you log in</translation>
    </message>
    <message>
        <source>自动检查更新</source>
        <translation>Check for updates automatically</translation>
    </message>
    <message>
        <source>定期查询 %1, 有新版本时提示</source>
        <translation>Checks %1 regularly and tells you when a new version is out</translation>
    </message>
    <message>
        <source>这个版本没有配置更新源, 无法检查更新</source>
        <translation>This build has no update feed configured, so it cannot check for updates</translation>
    </message>
    <message>
        <source>检查</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>立即检查是否有可用的新版本</source>
        <translation>Check now whether a new version is available</translation>
    </message>
    <message>
        <source>显示语言</source>
        <translation>Display language</translation>
    </message>
    <message>
        <source>切换后会自动重启 Quillo 以应用新语言</source>
        <translation>Quillo restarts by itself to apply the new language</translation>
    </message>
    <message>
        <source>开机自启切换失败: </source>
        <translation>Could not change launch at login: </translation>
    </message>
    <message>
        <source>重启以切换语言?</source>
        <translation>Restart to change the language?</translation>
    </message>
    <message>
        <source>切换显示语言需要重启 Quillo。当前未保存的状态不会受影响。</source>
        <translation>Changing the display language needs a restart of Quillo. Nothing unsaved is affected.</translation>
    </message>
    <message>
        <source>重启</source>
        <translation>Restart</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Claude Code 请求权限时弹出桌面通知, 点击通知切换到终端</source>
        <translation>A desktop notice when Claude Code asks for a permission; click it to switch to the terminal</translation>
    </message>
    <message>
        <source>会话工作至少 10 秒后停下等待你时弹出桌面通知</source>
        <translation>A desktop notice when a session that worked for at least 10 seconds stops and waits for you</translation>
    </message>
    <message>
        <source>桌面上没有通知服务, 无法发送通知</source>
        <translation>No notification server on this desktop; notices cannot be shown</translation>
    </message>
    <message>
        <source>会话需要权限时通知</source>
        <translation>Notify when a session needs permission</translation>
    </message>
    <message>
        <source>会话等待输入时通知</source>
        <translation>Notify when a session waits for input</translation>
    </message>
    <message>
        <source>在 Quillo 中回答权限请求</source>
        <translation>Answer permission questions from Quillo</translation>
    </message>
    <message>
        <source>在 Quillo 中允许或拒绝 Claude Code 的权限请求, 终端里的对话框照常可用</source>
        <translation>Allow or deny Claude Code's permission requests in Quillo; the dialog in the terminal still works</translation>
    </message>
</context>
<context>
    <name>HeadlessMonitor</name>
    <message>
        <source>[quillo] 已有 Quillo 在运行 (pid %1)</source>
        <translation>[quillo] Quillo is already running (pid %1)</translation>
    </message>
</context>
<context>
    <name>HookConfigDetail</name>
    <message numerus="yes">
        <source>Stop / Notification / SessionStart 等 %n 类 Hook 已注册</source>
        <translation>
            <numerusform>%n hook event registered (Stop, Notification, SessionStart, …)</numerusform>
            <numerusform>%n hook events registered (Stop, Notification, SessionStart, …)</numerusform>
        </translation>
    </message>
    <message>
        <source>查看 settings.json</source>
        <translation>Show settings.json</translation>
    </message>
    <message>
        <source>已配置 — 正常运行中</source>
        <translation>Configured — working</translation>
    </message>
    <message>
        <source>未配置</source>
        <translation>Not configured</translation>
    </message>
    <message>
        <source>未在 settings.json 中检测到 Quillo Hook 条目</source>
        <translation>No Quillo hook entries found in settings.json</translation>
    </message>
    <message>
        <source>处理中...</source>
        <translation>Working...</translation>
    </message>
    <message>
        <source>重新配置</source>
        <translation>Reconfigure</translation>
    </message>
    <message>
        <source>安装 Hook</source>
        <translation>Install Hooks</translation>
    </message>
    <message>
        <source>正在准备配置预览...</source>
        <translation>Preparing the preview...</translation>
    </message>
    <message>
        <source>正在写入配置...</source>
        <translation>Writing the configuration...</translation>
    </message>
    <message>
        <source>(未备份)</source>
        <translation>(no backup)</translation>
    </message>
    <message>
        <source>已写入. 备份在 %1</source>
        <translation>Written. Backup at %1</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>写入失败: %1</source>
        <translation>Writing failed: %1</translation>
    </message>
    <message>
        <source>settings.json 需要你先处理</source>
        <translation>settings.json needs your attention first</translation>
    </message>
    <message>
        <source>已安装的 Claude Code 还支持 %1，尚未注册。点「重新配置」预览并添加，状态会更及时。</source>
        <translation>The installed Claude Code also supports %1, not registered yet. Press “Reconfigure” to preview and add them, for more timely states.</translation>
    </message>
    <message>
        <source>settings.json 在预览后被修改过, 未写入。请确认新的预览</source>
        <translation>settings.json changed after the preview and was not written. Please check the new preview</translation>
    </message>
</context>
<context>
    <name>HookDiffSheet</name>
    <message>
        <source>Hook 配置预览</source>
        <translation>Hook Configuration Preview</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>已是最新</source>
        <translation>Up to Date</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
</context>
<context>
    <name>HookDiffView</name>
    <message>
        <source>settings.json 变更预览</source>
        <translation>Preview of the settings.json change</translation>
    </message>
    <message>
        <source>应用前会自动备份原配置文件到 %1</source>
        <translation>The current file will be backed up first to %1</translation>
    </message>
    <message>
        <source>settings.json 不存在，将创建新文件</source>
        <translation>settings.json does not exist; a new file will be created</translation>
    </message>
    <message>
        <source>当前配置已是最新，应用后内容不变</source>
        <translation>The configuration is up to date; applying leaves it unchanged</translation>
    </message>
    <message>
        <source>settings.json 在预览后被修改过，以下是按当前内容重新生成的变更</source>
        <translation>settings.json changed after the preview; this is the change for what it holds now</translation>
    </message>
    <message>
        <source>文件也会被重新排版（键按字母排序，两空格缩进），内容不变</source>
        <translation>The file will also be re-formatted (keys sorted, two-space indentation); its content stays the same</translation>
    </message>
</context>
<context>
    <name>HookInstaller</name>
    <message>
        <source>settings.json 序列化失败</source>
        <translation>Could not serialise settings.json</translation>
    </message>
    <message>
        <source>备份 settings.json 失败: %1</source>
        <translation>Could not back up settings.json: %1</translation>
    </message>
    <message>
        <source>写入 settings.json 失败: %1</source>
        <translation>Could not write settings.json: %1</translation>
    </message>
    <message>
        <source>settings.json 含有无法原样保留的值 (如单独的代理项转义或超出范围的数字), 未做任何修改</source>
        <translation>settings.json holds values that cannot be kept as they are (such as a lone surrogate escape or an out-of-range number); nothing was changed</translation>
    </message>
    <message>
        <source>settings.json 嵌套过深, 重写后会远大于原文件, 未做任何修改</source>
        <translation>settings.json is nested so deeply that rewriting it would make it far larger; nothing was changed</translation>
    </message>
    <message>
        <source>%1 第 %2 行第 %3 列不是 UTF-8 文本。请先修正这个文件, 未做任何修改</source>
        <translation>%1 is not UTF-8 text at line %2, column %3. Fix the file first; nothing was changed</translation>
    </message>
    <message>
        <source>%1 不是有效的 JSON: 第 %2 行第 %3 列有误。请先修正这个文件, 未做任何修改</source>
        <translation>%1 is not valid JSON: error at line %2, column %3. Fix the file first; nothing was changed</translation>
    </message>
    <message>
        <source>%1 的内容不是 JSON 对象 ({ ... })。请先修正这个文件, 未做任何修改</source>
        <translation>%1 does not hold a JSON object ({ ... }). Fix the file first; nothing was changed</translation>
    </message>
    <message>
        <source>无法读取 %1: %2, 未做任何修改</source>
        <translation>Cannot read %1: %2; nothing was changed</translation>
    </message>
    <message>
        <source>[quillo] 即将备份 settings.json -&gt; %1</source>
        <translation>[quillo] Backing up settings.json -&gt; %1</translation>
    </message>
    <message>
        <source>%1 在写入时一再被修改, 请稍后再试</source>
        <translation>%1 kept changing while it was being written; try again later</translation>
    </message>
    <message>
        <source>[quillo] 安装失败: %1</source>
        <translation>[quillo] Install failed: %1</translation>
    </message>
    <message>
        <source>[quillo] hook 已安装 -&gt; %1</source>
        <translation>[quillo] Hook installed -&gt; %1</translation>
    </message>
    <message>
        <source>[quillo] 二进制路径: %1</source>
        <translation>[quillo] Recorder: %1</translation>
    </message>
    <message>
        <source>[quillo] 订阅事件: %1</source>
        <translation>[quillo] Events: %1</translation>
    </message>
    <message>
        <source>[quillo] Claude Code 版本: %1</source>
        <translation>[quillo] Claude Code version: %1</translation>
    </message>
    <message>
        <source>[quillo] 未找到 Claude Code 的版本,不添加新的事件</source>
        <translation>[quillo] Claude Code's version was not found; no new events added</translation>
    </message>
    <message>
        <source>[quillo] 未找到 %1,无需清理</source>
        <translation>[quillo] %1 not found; nothing to remove</translation>
    </message>
    <message>
        <source>[quillo] settings.json 中未配置 hooks,无需清理</source>
        <translation>[quillo] settings.json has no hooks; nothing to remove</translation>
    </message>
    <message>
        <source>[quillo] 写入失败: %1</source>
        <translation>[quillo] Write failed: %1</translation>
    </message>
    <message>
        <source>[quillo] 已从 settings.json 移除 %1 条 hook 条目</source>
        <translation>[quillo] Removed %1 hook entries from settings.json</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts</name>
    <message>
        <source>在 Wayland 下，全局快捷键只在 X11 窗口获得焦点时有效。</source>
        <translation>Under Wayland, the global shortcut works only while an X11 window has focus.</translation>
    </message>
    <message>
        <source>全局快捷键需要 X11，当前的显示系统无法注册它。</source>
        <translation>The global shortcut needs X11; it cannot be registered on this display system.</translation>
    </message>
    <message>
        <source>清除快捷键</source>
        <translation>Clear shortcut</translation>
    </message>
    <message>
        <source>按下快捷键</source>
        <translation>Press shortcut</translation>
    </message>
    <message>
        <source>录制快捷键</source>
        <translation>Record shortcut</translation>
    </message>
</context>
<context>
    <name>MacProcessRow</name>
    <message>
        <source>允许</source>
        <translation>Allow</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>Deny</translation>
    </message>
    <message>
        <source>已允许</source>
        <translation>Allowed</translation>
    </message>
    <message>
        <source>已拒绝</source>
        <translation>Denied</translation>
    </message>
    <message>
        <source>已在别处回答</source>
        <translation>Answered elsewhere</translation>
    </message>
    <message>
        <source>运行中</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>等待输入</source>
        <translation>Waiting for input</translation>
    </message>
    <message>
        <source>等待权限</source>
        <translation>Needs permission</translation>
    </message>
    <message>
        <source>已结束</source>
        <translation>Finished</translation>
    </message>
    <message>
        <source>状态未知</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>%lld 秒</source>
        <translation>%lld s</translation>
    </message>
    <message>
        <source>%lld 分</source>
        <translation>%lld min</translation>
    </message>
    <message>
        <source>%lld 分 %lld 秒</source>
        <translation>%lld min %lld s</translation>
    </message>
    <message>
        <source>%lld 小时</source>
        <translation>%lld h</translation>
    </message>
    <message>
        <source>%lld 小时 %lld 分</source>
        <translation>%lld h %lld min</translation>
    </message>
    <message>
        <source>%lld 小时 %lld 分 %lld 秒</source>
        <translation>%lld h %lld min %lld s</translation>
    </message>
    <message>
        <source>已 %1</source>
        <translation>for %1</translation>
    </message>
    <message>
        <source>窗口不可用</source>
        <translation>Window unavailable</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>开始</source>
        <translation>Get Started</translation>
    </message>
    <message>
        <source>稍后设置</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>取消 — 功能将受限</source>
        <translation>Skip — features will be limited</translation>
    </message>
    <message>
        <source>完成 — 进入 Dashboard</source>
        <translation>Done — Open the Dashboard</translation>
    </message>
    <message>
        <source>Claude Code 桌面第二屏</source>
        <translation>A second screen for Claude Code</translation>
    </message>
    <message>
        <source>实时监控你的 Claude Code 进程状态，
手机放电脑旁边就能随时感知。</source>
        <translation>Follows your Claude Code processes live;
keep your phone next to the computer and always know.</translation>
    </message>
    <message>
        <source>权限设置</source>
        <translation>Permissions</translation>
    </message>
    <message>
        <source>为了正常工作，Quillo 需要电脑提供以下条件。可以稍后单独设置。</source>
        <translation>To work well, Quillo needs the following from this computer. You can set these up later.</translation>
    </message>
    <message>
        <source>配置 Claude Code 事件监听</source>
        <translation>Listen to Claude Code Events</translation>
    </message>
    <message>
        <source>Quillo 需要在 Claude Code 的配置文件中添加事件监听钩子。以下是即将进行的变更：</source>
        <translation>Quillo adds event hooks to Claude Code&apos;s settings file. This is the change it will make:</translation>
    </message>
    <message>
        <source>在手机上安装 Quillo</source>
        <translation>Install Quillo on Your Phone</translation>
    </message>
    <message>
        <source>在手机上的 Quillo 中扫描二维码，或输入下面的配对地址，连接这台电脑。</source>
        <translation>Scan the code with Quillo on your phone, or enter the pairing address below, to connect to this computer.</translation>
    </message>
    <message>
        <source>从构建目录运行，不会开启开机自启 · 可在设置 → 通用开启</source>
        <translation>Running from a build folder: Quillo will not start at login · turn it on in Settings → General</translation>
    </message>
    <message>
        <source>钩子将指向构建目录 %1 中的 QuilloHook。执行 make install（或安装软件包）后钩子会一直可用；make clean 或移动该目录后需重新配置。</source>
        <translation>The hook will point to QuilloHook in the build folder %1. After make install (or installing the package) it keeps working; after make clean or moving the folder, set it up again.</translation>
    </message>
    <message>
        <source>完成后将开启开机自启 · 可在设置 → 通用关闭</source>
        <translation>Quillo will start at login · turn it off in Settings → General</translation>
    </message>
    <message>
        <source>已是最新，继续</source>
        <translation>Up to Date, Continue</translation>
    </message>
    <message>
        <source>确认并应用</source>
        <translation>Confirm and Apply</translation>
    </message>
    <message>
        <source>手机连接还没有就绪，暂时没有配对地址。之后可以在设置 → 已配对手机中查看。</source>
        <translation>The phone link is not ready yet, so there is no pairing address. You can find it later in Settings → Paired Phones.</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>正在准备配置预览...</source>
        <translation>Preparing the preview...</translation>
    </message>
</context>
<context>
    <name>PageDots</name>
    <message>
        <source>第 %1 页，共 %2 页</source>
        <translation>Page %1 of %2</translation>
    </message>
</context>
<context>
    <name>PairedPhonesDetail</name>
    <message>
        <source>允许已配对的手机回答权限请求</source>
        <translation>Let paired phones answer permission questions</translation>
    </message>
    <message>
        <source>手机上会显示 Claude Code 的权限请求，并可以允许或拒绝；每次回答都记录在诊断日志中。</source>
        <translation>The phone shows Claude Code's permission requests and can allow or deny them; every answer is recorded in the diagnostic log.</translation>
    </message>
    <message>
        <source>解除配对后，对应手机将无法再连接到此电脑，需要重新走配对流程。</source>
        <translation>After unpairing, that phone can no longer connect to this computer until it is paired again.</translation>
    </message>
    <message>
        <source>配对新手机</source>
        <translation>Pair a new phone</translation>
    </message>
    <message>
        <source>用手机上的 Quillo 扫描二维码，或把配对地址粘贴过去；然后在电脑上接受配对邀请。</source>
        <translation>Scan the QR code with Quillo on the phone, or paste the pairing address there; then accept the pairing invitation on this computer.</translation>
    </message>
    <message>
        <source>手机连接没有在监听，暂时没有配对地址。可在「系统权限」中查看原因。</source>
        <translation>The phone link is not listening, so there is no pairing address for now. The Permissions pane shows why.</translation>
    </message>
    <message>
        <source>尚未配对手机</source>
        <translation>No phone paired yet</translation>
    </message>
    <message>
        <source>在手机上打开 Quillo，确保与电脑处于同一 Wi-Fi，然后接受配对邀请。</source>
        <translation>Open Quillo on the phone, make sure it is on the same Wi-Fi as this computer, then accept the pairing invitation.</translation>
    </message>
    <message>
        <source>解除配对</source>
        <translation>Unpair</translation>
    </message>
    <message>
        <source>已配对</source>
        <translation>Paired</translation>
    </message>
    <message>
        <source>将解除与「%1」的配对，下次连接需要重新接受邀请。</source>
        <translation>“%1” will be unpaired; its next connection has to be accepted again.</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>解除</source>
        <translation>Unpair</translation>
    </message>
</context>
<context>
    <name>PairingAddressText</name>
    <message>
        <source>复制配对地址</source>
        <translation>Copy pairing address</translation>
    </message>
    <message>
        <source>已复制</source>
        <translation>Copied</translation>
    </message>
</context>
<context>
    <name>PairingCommands</name>
    <message>
        <source>[quillo] --unpair 需要手机的名称</source>
        <translation>[quillo] --unpair needs the phone&apos;s name</translation>
    </message>
    <message>
        <source>[quillo] 没有名为「%1」的已配对手机</source>
        <translation>[quillo] No paired phone is named “%1”</translation>
    </message>
    <message>
        <source>[quillo] 已取消配对: %1</source>
        <translation>[quillo] Unpaired: %1</translation>
    </message>
    <message>
        <source>[quillo] 没有已配对的手机</source>
        <translation>[quillo] No paired phones</translation>
    </message>
    <message>
        <source>[quillo] 已配对: %1</source>
        <translation>[quillo] Paired: %1</translation>
    </message>
</context>
<context>
    <name>PermissionsDetail</name>
    <message>
        <source>Linux 没有统一的隐私授权页。这里检查 Quillo 依赖的系统服务与设置；复制的命令需要在终端里运行。</source>
        <translation>Linux has no central privacy settings page. This pane checks the system services and settings Quillo relies on; run the copied commands in a terminal.</translation>
    </message>
    <message>
        <source>重新检查</source>
        <translation>Check again</translation>
    </message>
</context>
<context>
    <name>PhoneLinkConsole</name>
    <message>
        <source>端口 %1 已被其他程序占用, 手机改用端口 %2 连接 (防火墙规则与手机上保存的配对地址需要随之更新)</source>
        <translation>Port %1 is taken by another program; phones connect on port %2 instead (a firewall rule and the pairing address saved on a phone must be updated)</translation>
    </message>
    <message>
        <source>本机的连接身份文件已损坏, 已另存为 %1 并生成了新的身份: 已配对的手机需要重新配对</source>
        <translation>The identity file of this computer's phone link was damaged; it was kept as %1 and a new identity made: paired phones must be paired again</translation>
    </message>
    <message>
        <source>[quillo] 配对地址: %1</source>
        <translation>[quillo] Pairing address: %1</translation>
    </message>
    <message>
        <source>[quillo] 没有运行 DNS-SD 守护进程 (avahi-daemon): 手机无法自动找到此电脑,请用配对地址连接</source>
        <translation>[quillo] No DNS-SD daemon (avahi-daemon) is running: phones cannot find this computer by themselves; connect them with the pairing address</translation>
    </message>
</context>
<context>
    <name>SessionNotices</name>
    <message>
        <source>切换到终端</source>
        <translation>Switch to terminal</translation>
    </message>
    <message>
        <source>需要你的权限确认</source>
        <translation>needs your permission</translation>
    </message>
    <message>
        <source>正在等待你的输入</source>
        <translation>is waiting for your input</translation>
    </message>
    <message>
        <source>允许</source>
        <translation>Allow</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>Deny</translation>
    </message>
</context>
<context>
    <name>SettingsCategory</name>
    <message>
        <source>Hook 配置</source>
        <translation>Hooks</translation>
    </message>
    <message>
        <source>已配对手机</source>
        <translation>Paired Phones</translation>
    </message>
    <message>
        <source>系统权限</source>
        <translation>Permissions</translation>
    </message>
    <message>
        <source>支持的终端</source>
        <translation>Terminals</translation>
    </message>
    <message>
        <source>通用</source>
        <translation>General</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>危险操作</source>
        <translation>Danger Zone</translation>
    </message>
</context>
<context>
    <name>SettingsPane</name>
    <message>
        <source>尚未提供</source>
        <translation>Not yet available</translation>
    </message>
    <message>
        <source>这一页的设置还没有实现, 会在后续版本中提供。</source>
        <translation>The settings of this page are not built yet; they come in a later version.</translation>
    </message>
</context>
<context>
    <name>SettingsWindowController</name>
    <message>
        <source>Quillo 设置</source>
        <translation>Quillo Settings</translation>
    </message>
</context>
<context>
    <name>SidebarRow</name>
    <message>
        <source>需要修复</source>
        <translation>needs repair</translation>
    </message>
</context>
<context>
    <name>SystemChecks</name>
    <message>
        <source>一部手机已连接。连接期间 TCP 端口 %1 暂不监听, 其他手机要等它断开后才能连接。</source>
        <translation>A phone is connected. While it is, TCP port %1 does not listen; other phones can connect once it disconnects.</translation>
    </message>
    <message>
        <source>本地网络发现</source>
        <translation>Local network discovery</translation>
    </message>
    <message>
        <source>手机连接端口</source>
        <translation>Phone connection port</translation>
    </message>
    <message>
        <source>窗口激活</source>
        <translation>Window activation</translation>
    </message>
    <message>
        <source>终端控制</source>
        <translation>Terminal control</translation>
    </message>
    <message>
        <source>系统 D-Bus 没有回答, 无法确定 avahi-daemon 是否在运行。</source>
        <translation>The system D-Bus did not answer, so it is unknown whether avahi-daemon is running.</translation>
    </message>
    <message>
        <source>avahi-daemon 正在运行, 同一网络中的手机可以发现这台电脑。</source>
        <translation>avahi-daemon is running: phones on the same network can find this computer.</translation>
    </message>
    <message>
        <source>avahi-daemon 没有运行, 手机无法自动发现这台电脑 (扫描配对二维码仍可连接)。</source>
        <translation>avahi-daemon is not running, so phones cannot find this computer by themselves (scanning the pairing code still connects).</translation>
    </message>
    <message>
        <source>没有安装 avahi-daemon, 手机无法自动发现这台电脑 (扫描配对二维码仍可连接)。</source>
        <translation>avahi-daemon is not installed, so phones cannot find this computer by themselves (scanning the pairing code still connects).</translation>
    </message>
    <message>
        <source>无法读取 /proc/net/tcp, 不知道 TCP 端口 %1 是否在监听。</source>
        <translation>/proc/net/tcp cannot be read, so it is unknown whether TCP port %1 is listening.</translation>
    </message>
    <message>
        <source>TCP 端口 %1 上没有程序在监听: Quillo 的手机连接没有启动, 手机无法连接。</source>
        <translation>Nothing listens on TCP port %1: Quillo&apos;s phone link has not started, and phones cannot connect.</translation>
    </message>
    <message>
        <source>Quillo 在 TCP 端口 %1 上等待手机连接。如果开启了防火墙, 需要放行这个端口。</source>
        <translation>Quillo waits for phones on TCP port %1. If a firewall is on, it must let this port in.</translation>
    </message>
    <message>
        <source>X11 显示没有及时回答, 无法确定能否激活窗口。</source>
        <translation>The X11 display did not answer in time, so it is unknown whether windows can be activated.</translation>
    </message>
    <message>
        <source>无法连接 X11 显示 %1, 切换时无法把终端窗口提到前面。</source>
        <translation>Cannot connect to X11 display %1: switching cannot bring terminal windows to the front.</translation>
    </message>
    <message>
        <source>Wayland 会话: Quillo 通过 XWayland (%1) 激活窗口, 只能把 X11 程序的窗口提到前面; 原生 Wayland 终端的窗口不会被提前, 但支持的终端仍会选中对应的 tab。</source>
        <translation>Wayland session: Quillo activates windows through XWayland (%1) and can bring only X11 programs&apos; windows to the front; windows of native Wayland terminals stay where they are, though terminals that support it still select the tab.</translation>
    </message>
    <message>
        <source>X11 显示 %1 可用, 切换时可以把终端窗口提到前面。</source>
        <translation>X11 display %1 is available: switching can bring terminal windows to the front.</translation>
    </message>
    <message>
        <source>Wayland 不允许一个程序把另一个程序的窗口提到前面, 这里也没有 XWayland; 切换时只能在支持的终端里选中 tab, 窗口不会被提前。</source>
        <translation>Wayland does not let one program bring another&apos;s window to the front, and there is no XWayland here: switching can only select the tab in terminals that support it; the window is not raised.</translation>
    </message>
    <message>
        <source>没有图形显示 (DISPLAY 与 WAYLAND_DISPLAY 都没有设置), 切换时无法激活窗口。</source>
        <translation>There is no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set): switching cannot activate windows.</translation>
    </message>
    <message>
        <source>GNOME Terminal 和 Konsole 通过 D-Bus 选中 tab, 无需设置。</source>
        <translation>GNOME Terminal and Konsole select tabs over D-Bus and need no setting.</translation>
    </message>
    <message>
        <source>查找 tmux、kitty 与 WezTerm 时超时。</source>
        <translation>Looking for tmux, kitty and WezTerm timed out.</translation>
    </message>
    <message>
        <source>已找到的命令行控制: %1。</source>
        <translation>Command-line controls found: %1.</translation>
    </message>
    <message>
        <source>kitty 需要在 kitty.conf 中开启远程控制 (allow_remote_control 与 listen_on) 才能选中 tab, 改完后重启 kitty。</source>
        <translation>kitty selects tabs only with remote control turned on in kitty.conf (allow_remote_control and listen_on); restart kitty after the change.</translation>
    </message>
</context>
<context>
    <name>SystemChecksView</name>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>需注意</source>
        <translation>Attention</translation>
    </message>
    <message>
        <source>有问题</source>
        <translation>Problem</translation>
    </message>
    <message>
        <source>检查中</source>
        <translation>Checking</translation>
    </message>
    <message>
        <source>复制命令</source>
        <translation>Copy command</translation>
    </message>
    <message>
        <source>已复制</source>
        <translation>Copied</translation>
    </message>
</context>
<context>
    <name>TerminalSupportDetail</name>
    <message>
        <source>激活窗口 + 精确定位到 tab (D-Bus，无需设置)</source>
        <translation>Activates the window and selects the exact tab (D-Bus, nothing to set up)</translation>
    </message>
    <message>
        <source>激活窗口 + 精确定位到 tab/分屏 (需在 kitty.conf 中开启 allow_remote_control 与 listen_on)</source>
        <translation>Activates the window and selects the exact tab or split (needs allow_remote_control and listen_on in kitty.conf)</translation>
    </message>
    <message>
        <source>激活窗口 + 精确定位到 pane (需要 wezterm 命令)</source>
        <translation>Activates the window and selects the exact pane (needs the wezterm command)</translation>
    </message>
    <message>
        <source>选中对应的 pane，再激活显示它的终端窗口</source>
        <translation>Selects the pane, then activates the terminal window that shows it</translation>
    </message>
    <message>
        <source>仅激活窗口</source>
        <translation>Activates the window only</translation>
    </message>
    <message>
        <source>VS Code 终端</source>
        <translation>VS Code terminal</translation>
    </message>
    <message>
        <source>其他终端</source>
        <translation>Other terminals</translation>
    </message>
    <message>
        <source>显示状态，禁用切换</source>
        <translation>Shows the state; switching is disabled</translation>
    </message>
    <message>
        <source>完整</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>部分</source>
        <translation>Partial</translation>
    </message>
    <message>
        <source>不支持</source>
        <translation>None</translation>
    </message>
    <message>
        <source>把窗口提到前面需要 X11 (Wayland 会话中只对 XWayland 窗口有效)，否则只选中 tab。各项是否就绪见「系统权限」。</source>
        <translation>Bringing a window to the front needs X11 (in a Wayland session it works only for XWayland windows); otherwise only the tab is selected. The Permissions pane shows whether each part is ready.</translation>
    </message>
</context>
<context>
    <name>TerminalSwitcher</name>
    <message>
        <source>未识别终端 app</source>
        <translation>Terminal app not recognised</translation>
    </message>
    <message>
        <source>AppleScript 编译失败 (%1)</source>
        <translation>AppleScript could not be compiled (%1)</translation>
    </message>
    <message>
        <source>缺少自动化权限. 请到 系统设置 &gt; 隐私与安全性 &gt; 自动化, 允许本程序控制 %1.</source>
        <translation>Automation permission missing. In System Settings &gt; Privacy &amp; Security &gt; Automation, allow this app to control %1.</translation>
    </message>
    <message>
        <source>%1 AppleScript 执行失败: %2</source>
        <translation>%1 AppleScript failed: %2</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>%1 控制命令执行失败: %2</source>
        <translation>%1 control command failed: %2</translation>
    </message>
    <message>
        <source>%1 控制命令超时 (1 秒内无响应)</source>
        <translation>%1 control command timed out (no answer within 1 second)</translation>
    </message>
    <message>
        <source>%1 控制命令无法运行: 找不到 %2</source>
        <translation>%1 control command cannot run: %2 not found</translation>
    </message>
    <message>
        <source>退出码 %1</source>
        <translation>exit code %1</translation>
    </message>
    <message>
        <source>%1 D-Bus 调用失败: %2</source>
        <translation>%1 D-Bus call failed: %2</translation>
    </message>
    <message>
        <source>%1 D-Bus 调用超时 (1 秒内无响应)</source>
        <translation>%1 D-Bus call timed out (no answer within 1 second)</translation>
    </message>
    <message>
        <source>无法激活 %1 窗口: 没有 X11 显示</source>
        <translation>Cannot bring the %1 window forward: no X11 display</translation>
    </message>
    <message>
        <source>无法激活 %1 窗口: 未找到它的窗口</source>
        <translation>Cannot bring the %1 window forward: its window was not found</translation>
    </message>
    <message>
        <source>无法激活 %1 窗口: 窗口管理器没有把它切换到前台</source>
        <translation>Cannot bring the %1 window forward: the window manager did not make it the active window</translation>
    </message>
    <message>
        <source>%1 中未找到该会话, 没有可激活的窗口</source>
        <translation>The session was not found in %1, and there is no window to bring forward</translation>
    </message>
    <message>
        <source>tmux: 会话的环境中没有 TMUX 变量, 无法定位 pane</source>
        <translation>tmux: the session&apos;s environment has no TMUX variable; the pane cannot be found</translation>
    </message>
    <message>
        <source>tmux 会话没有连接的终端</source>
        <translation>The tmux session has no attached terminal</translation>
    </message>
</context>
<context>
    <name>TerminalTrustPrompt</name>
    <message>
        <source>[quillo] 标准输入已结束: 终端配对已关闭,直到重新启动</source>
        <translation>[quillo] end of input: pairing from the terminal is off until restart</translation>
    </message>
    <message>
        <source>[quillo] 「%1」已配对; 回答 y 将替换它的配对密钥</source>
        <translation>[quillo] 「%1」 is already paired; yes replaces its key</translation>
    </message>
    <message>
        <source>[quillo] 无应答,已拒绝</source>
        <translation>[quillo] No answer: declined</translation>
    </message>
    <message>
        <source>允许「%1」(%2) 连接此电脑并配对? [y/N]</source>
        <translation>Allow “%1” (%2) to connect to this computer and pair? [y/N]</translation>
    </message>
</context>
<context>
    <name>TrustPrompt</name>
    <message>
        <source>「%1」已配对; 选择信任将替换它的配对密钥。</source>
        <translation>「%1」 is already paired; trusting it replaces its key.</translation>
    </message>
    <message>
        <source>信任新设备?</source>
        <translation>Trust this new device?</translation>
    </message>
    <message>
        <source>信任后，这台手机可以看到你的 Claude Code 会话和它们的状态，并能把会话所在的终端切换到前台。仅信任你认识的设备。</source>
        <translation>Once trusted, this phone sees your Claude Code sessions and their states, and can bring a session&apos;s terminal to the front. Only trust devices you know.</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>Decline</translation>
    </message>
    <message>
        <source>信任并配对</source>
        <translation>Trust and Pair</translation>
    </message>
</context>
<context>
    <name>quillo::HostTransportBridge</name>
    <message>
        <source>进程不存在</source>
        <translation>The process does not exist</translation>
    </message>
</context>
</TS>
