// SPDX-License-Identifier: GPL-3.0-or-later
#include "LaunchAtLogin.h"

#include "AppPaths.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <system_error>

namespace quillo {

LaunchAtLogin::LaunchAtLogin(std::filesystem::path directory, QString executable)
    : directory_(std::move(directory)), executable_(std::move(executable)) {}

std::filesystem::path LaunchAtLogin::defaultDirectory() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        return std::filesystem::path(config) / "autostart";
    }
    return AppPaths::homeDirectory() / ".config/autostart";
}

bool LaunchAtLogin::isEnabled() const {
    std::error_code error;
    return std::filesystem::exists(file(), error) || std::filesystem::exists(legacyFile(), error);
}

bool LaunchAtLogin::setEnabled(bool on) {
    lastError_.reset();
    return on ? install() : remove();
}

QString LaunchAtLogin::execArgument(const QString& path) {
    // Quoting rules of desktop entries: inside double quotes, `"`, `` ` ``, `$`
    // and `\` take a backslash; then the value's own escaping doubles every
    // backslash. "%" is doubled so it is not read as a field code.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=");
    bool quote = false;
    for (QChar c : path) {
        quote = quote || reserved.contains(c);
    }
    QString argument;
    for (QChar c : path) {
        if (c == QLatin1Char('%')) {
            argument += QStringLiteral("%%");
        } else if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') ||
                             c == QLatin1Char('$') || c == QLatin1Char('\\'))) {
            argument += QLatin1Char('\\');
            argument += c;
        } else {
            argument += c;
        }
    }
    if (quote) {
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    }
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return argument;
}

QString LaunchAtLogin::desktopEntry(const QString& executable) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Quillo\n"
                          "Exec=%1\n"
                          "Icon=com.quillo.mac\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(executable));
}

bool LaunchAtLogin::install() {
    removeLegacy();
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    if (error) {
        lastError_ = QString::fromStdString(error.message());
        return false;
    }
    const QString executable =
        executable_.isEmpty() ? QCoreApplication::applicationFilePath() : executable_;
    QSaveFile out(QString::fromStdString(file().string()));
    if (!out.open(QIODevice::WriteOnly) || out.write(desktopEntry(executable).toUtf8()) < 0 ||
        !out.commit()) {
        lastError_ = out.errorString();
        return false;
    }
    return true;
}

bool LaunchAtLogin::remove() {
    removeLegacy();
    std::error_code error;
    std::filesystem::remove(file(), error);
    if (error) {
        lastError_ = QString::fromStdString(error.message());
        return false;
    }
    return true;
}

void LaunchAtLogin::removeLegacy() {
    std::error_code ignored;
    std::filesystem::remove(legacyFile(), ignored);
}

} // namespace quillo
