// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
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

    // Reads again what another process may have written meanwhile.
    virtual void reload() const {}

    // Runs `change` as one read-modify-write: no other process updating the
    // same store in the same way runs at the same time, and `change` reads
    // the current contents, not what this process saw last. Without it, two
    // processes that each read, change and write back the same key undo each
    // other's change.
    virtual void update(const std::function<void()>& change) { change(); }

    // Called (from the event loop or inside a write) after this store changed,
    // through it or, for a file, by another process. Observers must not write.
    using Observer = std::function<void()>;
    int addObserver(Observer observer);
    void removeObserver(int id);

protected:
    void notifyObservers() const;
    virtual void observingStarted() {}

private:
    std::map<int, Observer> observers_;
    int nextObserver_ = 0;
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
    void reload() const override;
    // Under an exclusive lock on a file beside the settings (flock).
    void update(const std::function<void()>& change) override;

    QString path() const;
    static QString standardPath();

protected:
    // Watches the folder, so that a file written by another process (they
    // replace it atomically) is read again and the observers told.
    void observingStarted() override;

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
