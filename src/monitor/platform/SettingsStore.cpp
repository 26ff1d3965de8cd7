// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tuple>

namespace quillo {

namespace {

std::optional<QJsonDocument> parseJson(const std::optional<QString>& text) {
    if (!text) {
        return std::nullopt;
    }
    QJsonParseError error{};
    auto document = QJsonDocument::fromJson(text->toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        return std::nullopt;
    }
    return document;
}

} // namespace

bool SettingsStore::boolean(const QString& key) const {
    return string(key) == QStringLiteral("true");
}

void SettingsStore::setBoolean(const QString& key, bool value) {
    setString(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

std::optional<QStringList> SettingsStore::stringList(const QString& key) const {
    auto document = parseJson(string(key));
    if (!document || !document->isArray()) {
        return std::nullopt;
    }
    QStringList list;
    for (const auto& element : document->array()) {
        if (!element.isString()) {
            return std::nullopt;
        }
        list.append(element.toString());
    }
    return list;
}

void SettingsStore::setStringList(const QString& key, const QStringList& value) {
    setString(key,
              QString::fromUtf8(
                  QJsonDocument(QJsonArray::fromStringList(value)).toJson(QJsonDocument::Compact)));
}

std::optional<QMap<QString, QString>> SettingsStore::stringMap(const QString& key) const {
    auto document = parseJson(string(key));
    if (!document || !document->isObject()) {
        return std::nullopt;
    }
    QMap<QString, QString> map;
    const QJsonObject object = document->object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString()) {
            return std::nullopt;
        }
        map.insert(it.key(), it.value().toString());
    }
    return map;
}

void SettingsStore::setStringMap(const QString& key, const QMap<QString, QString>& value) {
    QJsonObject object;
    for (auto it = value.begin(); it != value.end(); ++it) {
        object.insert(it.key(), it.value());
    }
    setString(key, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

int SettingsStore::addObserver(Observer observer) {
    const int id = nextObserver_++;
    observers_.emplace(id, std::move(observer));
    if (observers_.size() == 1) {
        observingStarted();
    }
    return id;
}

void SettingsStore::removeObserver(int id) {
    observers_.erase(id);
}

void SettingsStore::notifyObservers() const {
    const auto observers = observers_; // an observer may remove itself
    for (const auto& [id, observer] : observers) {
        observer();
    }
}

namespace {

// What tells one version of the file from the next: it is replaced, not
// rewritten in place, so the inode changes with every write.
using FileStamp = std::tuple<dev_t, ino_t, off_t, long long>;

FileStamp stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return {};
    }
    return {info.st_dev, info.st_ino, info.st_size,
            static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

} // namespace

struct FileSettingsStore::Private {
    explicit Private(const QString& path) : settings(path, QSettings::IniFormat) {}
    QSettings settings;
    std::unique_ptr<QFileSystemWatcher> watcher;
    FileStamp seen;

    // The folder is private, so the file is never readable by others, even in the
    // moment between QSettings' atomic replace and the chmod below.
    void save() {
        auto folder = QFileInfo(settings.fileName()).absolutePath();
        if (settings.allKeys().isEmpty()) {
            // Nothing left to keep (the reset removed it all): no empty file
            // or folder stays behind.
            settings.sync();
            QFile::remove(settings.fileName());
            // The pairing keys' lock file goes too: with nothing stored there
            // is nothing for another process to update under it.
            QFile::remove(settings.fileName() + QStringLiteral(".update-lock"));
            QDir().rmdir(folder); // only when empty
            return;
        }
        AppPaths::ensurePrivateDirectory(folder.toStdString());
        settings.sync();
        QFile::setPermissions(settings.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    }
};

FileSettingsStore::FileSettingsStore(QString path)
    : d(std::make_unique<Private>(path.isEmpty() ? standardPath() : path)) {
    // A file from an older version, a copy or a hand edit may be readable by
    // others; it holds pairing tokens.
    const QString file = d->settings.fileName();
    const auto groupOrOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                               QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (QFileInfo::exists(file) && (QFile::permissions(file) & groupOrOthers)) {
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    }
}

FileSettingsStore::~FileSettingsStore() = default;

QString FileSettingsStore::standardPath() {
    return QString::fromStdString((AppPaths::configDirectory() / "QuilloMac.conf").string());
}

QString FileSettingsStore::path() const {
    return d->settings.fileName();
}

void FileSettingsStore::reload() const {
    // QSettings reads the file again when its size or time changed; the
    // stamp also catches a replacement within the same millisecond.
    const FileStamp now = stampOf(d->settings.fileName());
    if (now != d->seen) {
        d->settings.sync();
        d->seen = now;
    }
}

void FileSettingsStore::update(const std::function<void()>& change) {
    const QString file = d->settings.fileName();
    AppPaths::ensurePrivateDirectory(QFileInfo(file).absolutePath().toStdString());
    // Not the file QSettings locks itself (".lock", which it creates and
    // deletes); this one stays, so every process locks the same inode.
    const QByteArray lockPath = QFile::encodeName(file + QStringLiteral(".update-lock"));
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
    d->seen = {}; // read again whatever the stamp says
    reload();
    change();
    if (locked) {
        ::flock(fd, LOCK_UN);
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

void FileSettingsStore::observingStarted() {
    if (d->watcher) {
        return;
    }
    const QString file = d->settings.fileName();
    const QString folder = QFileInfo(file).absolutePath();
    AppPaths::ensurePrivateDirectory(folder.toStdString());
    d->seen = stampOf(file);
    d->watcher = std::make_unique<QFileSystemWatcher>(QStringList{folder});
    QObject::connect(d->watcher.get(), &QFileSystemWatcher::directoryChanged, d->watcher.get(),
                     [this, file] {
                         const FileStamp now = stampOf(file);
                         if (now == d->seen) {
                             return; // another file in the folder, or our own write
                         }
                         d->settings.sync();
                         d->seen = now;
                         notifyObservers();
                     });
}

std::optional<QString> FileSettingsStore::string(const QString& key) const {
    QVariant value = d->settings.value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

void FileSettingsStore::setString(const QString& key, const QString& value) {
    d->settings.setValue(key, value);
    d->save();
    d->seen = stampOf(d->settings.fileName());
    notifyObservers();
}

void FileSettingsStore::remove(const QString& key) {
    d->settings.remove(key);
    d->save();
    d->seen = stampOf(d->settings.fileName());
    notifyObservers();
}

QStringList FileSettingsStore::keys() const {
    return d->settings.allKeys();
}

std::optional<QString> MemorySettingsStore::string(const QString& key) const {
    auto it = values_.find(key);
    if (it == values_.end()) {
        return std::nullopt;
    }
    return *it;
}

void MemorySettingsStore::setString(const QString& key, const QString& value) {
    values_.insert(key, value);
    notifyObservers();
}

void MemorySettingsStore::remove(const QString& key) {
    values_.remove(key);
    notifyObservers();
}

QStringList MemorySettingsStore::keys() const {
    return values_.keys();
}

} // namespace quillo
