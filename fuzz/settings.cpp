// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store's JSON values (lists and maps of strings), as read back
// from a file anyone may have edited.
#include "platform/SettingsStore.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillo::MemorySettingsStore store;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    store.setString("value", text);
    if (auto list = store.stringList("value")) {
        store.setStringList("copy", *list);
        if (store.stringList("copy") != list) {
            __builtin_trap();
        }
    }
    if (auto map = store.stringMap("value")) {
        store.setStringMap("copy", *map);
        if (store.stringMap("copy") != map) {
            __builtin_trap();
        }
    }
    (void)store.boolean("value");
    return 0;
}
