#pragma once

#include <QString>
#include <QStringList>

namespace quillo {

// Shows a file in the user's file manager, selected. Best effort: where no
// file manager answers, its folder is opened instead.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void reveal(const QString& path) = 0;
};

// The file manager's D-Bus interface (org.freedesktop.FileManager1.ShowItems),
// asked without waiting; when the call fails, the folder is opened through
// the desktop's default handler.
class DesktopFileRevealer : public FileRevealer {
public:
    void reveal(const QString& path) override;
};

// For tests: remembers what it was asked to show.
class FakeFileRevealer : public FileRevealer {
public:
    void reveal(const QString& path) override { revealed << path; }
    QStringList revealed;
};

} // namespace quillo
