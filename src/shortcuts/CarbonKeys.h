// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qt>

#include <cstdint>
#include <optional>
#include <span>

namespace quillo::CarbonKeys {

// Modifier masks of the classic Mac keyboard API, as stored in shortcuts.
inline constexpr std::int64_t commandMask = 1 << 8; // Super on Linux
inline constexpr std::int64_t shiftMask = 1 << 9;
inline constexpr std::int64_t optionMask = 1 << 11; // Alt on Linux
inline constexpr std::int64_t controlMask = 1 << 12;

// One key: its Mac key code (a position on the ANSI keyboard), the X keysym it
// stands for here, the Qt key that produces it where there is no X server, and
// the label shown to the user.
struct Key {
    std::int64_t carbonKeyCode;
    std::uint32_t keysym;
    int qtKey; // 0: only reachable through its keysym (the keypad)
    const char* label;
    bool functionKey; // usable without a modifier
};

struct Modifier {
    std::int64_t carbonMask;
    std::uint16_t x11Mask; // core protocol modifier bits
    Qt::KeyboardModifier qtModifier;
    const char* name;
};

// The table, and the modifiers in display order (Ctrl, Alt, Shift, Super: the
// order of ⌃⌥⇧⌘).
std::span<const Key> keys();
std::span<const Modifier> modifiers();

std::optional<Key> byCarbonKeyCode(std::int64_t carbonKeyCode);
// Upper-case Latin letters are folded to the lower-case keysym the key carries.
std::optional<Key> byKeysym(std::uint32_t keysym);
std::optional<Key> byQtKey(int qtKey);

// Absent when the mask holds a bit that is not one of the four modifiers.
std::optional<std::uint16_t> x11Modifiers(std::int64_t carbonModifiers);
// Bits other than the four modifiers (Lock, NumLock, ...) are ignored.
std::int64_t fromX11Modifiers(std::uint16_t state);
std::int64_t fromQtModifiers(Qt::KeyboardModifiers modifiers);

} // namespace quillo::CarbonKeys
