#pragma once

#include "platform/DBusCaller.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace quillo {

class UrlOpener;

// Shows a file to the user in the file manager, selected in its folder.
class FileReveal {
public:
    virtual ~FileReveal() = default;
    virtual void reveal(const std::filesystem::path& file) = 0;
};

// The file manager's D-Bus interface (org.freedesktop.FileManager1.ShowItems),
// which Nautilus, Dolphin, Nemo, Thunar and others implement; where no file
// manager answers, the file's folder is opened instead, which at least puts the
// file in front of the user.
class DesktopFileReveal : public FileReveal {
public:
    // Calls the bus without waiting; `done` runs on the main thread with
    // whether the call succeeded. A file manager started by the call may take
    // seconds to answer, which must not freeze the window that asked.
    using AsyncBusCall = std::function<void(const DBusCall& call, std::function<void(bool)> done)>;

    // `bus` empty: the session bus. The opener is shared because an answer can
    // arrive after this object is gone.
    explicit DesktopFileReveal(std::shared_ptr<UrlOpener> folders, AsyncBusCall bus = {});

    void reveal(const std::filesystem::path& file) override;

    // The ShowItems call for `file`.
    static DBusCall showItemsCall(const std::filesystem::path& file);

private:
    std::shared_ptr<UrlOpener> folders_;
    AsyncBusCall bus_;
};

// For tests: records the files.
class FakeFileReveal : public FileReveal {
public:
    void reveal(const std::filesystem::path& file) override { revealed.push_back(file); }

    std::vector<std::filesystem::path> revealed;
};

} // namespace quillo
