// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace quillo {

// The user's preferences ("user defaults"): string values under flat keys such as
// "quillo.onboardingCompleted". Booleans are stored as "true"/"false", lists
// and maps as their JSON text, so the file stays readable by people and other
// tools. A value of the wrong shape reads as absent.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::optional<QString> string(const QString& key) const = 0;
    virtual void setString(const QString& key, const QString& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QStringList keys() const = 0;

    // Absent, or anything but "true", reads as false.
    bool boolean(const QString& key) const;
    void setBoolean(const QString& key, bool value);

    // A JSON array of strings.
    std::optional<QStringList> stringList(const QString& key) const;
    void setStringList(const QString& key, const QStringList& value);

    // A JSON object whose values are strings.
    std::optional<QMap<QString, QString>> stringMap(const QString& key) const;
    void setStringMap(const QString& key, const QMap<QString, QString>& value);
};

// The real store: an INI file at $XDG_CONFIG_HOME/quillo/QuilloMac.conf (mode
// 0600 in a 0700 folder: it holds pairing tokens). Every write is saved at once.
class FileSettingsStore : public SettingsStore {
public:
    // `path` empty: the standard location.
    explicit FileSettingsStore(QString path = {});
    ~FileSettingsStore() override;

    std::optional<QString> string(const QString& key) const override;
    void setString(const QString& key, const QString& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

    QString path() const;
    static QString standardPath();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// For tests: the same semantics in memory.
class MemorySettingsStore : public SettingsStore {
public:
    std::optional<QString> string(const QString& key) const override;
    void setString(const QString& key, const QString& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

private:
    QMap<QString, QString> values_;
};

} // namespace quillo
