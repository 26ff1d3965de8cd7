// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/types.h>

namespace quillo::test {

// A virtual X server (Xvfb), started with -displayfd so it picks a free
// display; stopped at scope end. `name()` is empty when it could not start.
// `screen` is Xvfb's WIDTHxHEIGHTxDEPTH.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const std::string& screen = "320x240x24");
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

} // namespace quillo::test
