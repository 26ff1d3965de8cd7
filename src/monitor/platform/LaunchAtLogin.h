// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <filesystem>
#include <optional>

namespace quillo {

// Starting the monitor when the user logs in, through an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/com.quillo.mac.agent.desktop). There is no
// login-item service on Linux, so the file alone decides; an entry left under
// the old label counts as on, and is removed whenever the setting changes.
class LaunchAtLogin {
public:
    static constexpr const char* label = "com.quillo.mac.agent";
    static constexpr const char* legacyLabel = "me.orvane.quillo.agent";

    // `executable` empty: this program's own path.
    explicit LaunchAtLogin(std::filesystem::path directory = defaultDirectory(),
                           QString executable = {});

    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    static std::filesystem::path defaultDirectory();

    std::filesystem::path file() const { return directory_ / (std::string(label) + ".desktop"); }
    std::filesystem::path legacyFile() const {
        return directory_ / (std::string(legacyLabel) + ".desktop");
    }

    // Read afresh each time: the entry for the current or the legacy label exists.
    bool isEnabled() const;
    // Writes (atomically) or removes the entry; false with lastError() on failure.
    bool setEnabled(bool on);
    const std::optional<QString>& lastError() const { return lastError_; }

    // The entry's text for `executable`.
    static QString desktopEntry(const QString& executable);
    // `path` as one argument of an Exec= line.
    static QString execArgument(const QString& path);

private:
    bool install();
    bool remove();
    void removeLegacy();

    std::filesystem::path directory_;
    QString executable_;
    std::optional<QString> lastError_;
};

} // namespace quillo
