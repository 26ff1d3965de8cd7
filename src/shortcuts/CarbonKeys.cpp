// SPDX-License-Identifier: GPL-3.0-or-later
#include "CarbonKeys.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <algorithm>
#include <array>

namespace quillo::CarbonKeys {

namespace {

// X core modifier bits (X.h names them ShiftMask, ControlMask, Mod1Mask, Mod4Mask).
constexpr std::uint16_t xShift = 1 << 0;
constexpr std::uint16_t xControl = 1 << 2;
constexpr std::uint16_t xMod1 = 1 << 3;
constexpr std::uint16_t xMod4 = 1 << 6;

// Every key a shortcut can use, and the only place where Mac key codes meet X
// keysyms: both directions are read from these rows.
constexpr std::array keyTable{
    Key{0x00, XK_a, Qt::Key_A, "A", false},
    Key{0x01, XK_s, Qt::Key_S, "S", false},
    Key{0x02, XK_d, Qt::Key_D, "D", false},
    Key{0x03, XK_f, Qt::Key_F, "F", false},
    Key{0x04, XK_h, Qt::Key_H, "H", false},
    Key{0x05, XK_g, Qt::Key_G, "G", false},
    Key{0x06, XK_z, Qt::Key_Z, "Z", false},
    Key{0x07, XK_x, Qt::Key_X, "X", false},
    Key{0x08, XK_c, Qt::Key_C, "C", false},
    Key{0x09, XK_v, Qt::Key_V, "V", false},
    Key{0x0B, XK_b, Qt::Key_B, "B", false},
    Key{0x0C, XK_q, Qt::Key_Q, "Q", false},
    Key{0x0D, XK_w, Qt::Key_W, "W", false},
    Key{0x0E, XK_e, Qt::Key_E, "E", false},
    Key{0x0F, XK_r, Qt::Key_R, "R", false},
    Key{0x10, XK_y, Qt::Key_Y, "Y", false},
    Key{0x11, XK_t, Qt::Key_T, "T", false},
    Key{0x12, XK_1, Qt::Key_1, "1", false},
    Key{0x13, XK_2, Qt::Key_2, "2", false},
    Key{0x14, XK_3, Qt::Key_3, "3", false},
    Key{0x15, XK_4, Qt::Key_4, "4", false},
    Key{0x16, XK_6, Qt::Key_6, "6", false},
    Key{0x17, XK_5, Qt::Key_5, "5", false},
    Key{0x18, XK_equal, Qt::Key_Equal, "=", false},
    Key{0x19, XK_9, Qt::Key_9, "9", false},
    Key{0x1A, XK_7, Qt::Key_7, "7", false},
    Key{0x1B, XK_minus, Qt::Key_Minus, "-", false},
    Key{0x1C, XK_8, Qt::Key_8, "8", false},
    Key{0x1D, XK_0, Qt::Key_0, "0", false},
    Key{0x1E, XK_bracketright, Qt::Key_BracketRight, "]", false},
    Key{0x1F, XK_o, Qt::Key_O, "O", false},
    Key{0x20, XK_u, Qt::Key_U, "U", false},
    Key{0x21, XK_bracketleft, Qt::Key_BracketLeft, "[", false},
    Key{0x22, XK_i, Qt::Key_I, "I", false},
    Key{0x23, XK_p, Qt::Key_P, "P", false},
    Key{0x24, XK_Return, Qt::Key_Return, "Enter", false},
    Key{0x25, XK_l, Qt::Key_L, "L", false},
    Key{0x26, XK_j, Qt::Key_J, "J", false},
    Key{0x27, XK_apostrophe, Qt::Key_Apostrophe, "'", false},
    Key{0x28, XK_k, Qt::Key_K, "K", false},
    Key{0x29, XK_semicolon, Qt::Key_Semicolon, ";", false},
    Key{0x2A, XK_backslash, Qt::Key_Backslash, "\\", false},
    Key{0x2B, XK_comma, Qt::Key_Comma, ",", false},
    Key{0x2C, XK_slash, Qt::Key_Slash, "/", false},
    Key{0x2D, XK_n, Qt::Key_N, "N", false},
    Key{0x2E, XK_m, Qt::Key_M, "M", false},
    Key{0x2F, XK_period, Qt::Key_Period, ".", false},
    Key{0x30, XK_Tab, Qt::Key_Tab, "Tab", false},
    Key{0x31, XK_space, Qt::Key_Space, "Space", false},
    Key{0x32, XK_grave, Qt::Key_QuoteLeft, "`", false},
    Key{0x33, XK_BackSpace, Qt::Key_Backspace, "Backspace", false},
    Key{0x35, XK_Escape, Qt::Key_Escape, "Esc", false},
    Key{0x40, XK_F17, Qt::Key_F17, "F17", true},
    Key{0x41, XK_KP_Decimal, 0, "Num .", false},
    Key{0x43, XK_KP_Multiply, 0, "Num *", false},
    Key{0x45, XK_KP_Add, 0, "Num +", false},
    Key{0x4B, XK_KP_Divide, 0, "Num /", false},
    Key{0x4C, XK_KP_Enter, Qt::Key_Enter, "Num Enter", false},
    Key{0x4E, XK_KP_Subtract, 0, "Num -", false},
    Key{0x4F, XK_F18, Qt::Key_F18, "F18", true},
    Key{0x50, XK_F19, Qt::Key_F19, "F19", true},
    Key{0x51, XK_KP_Equal, 0, "Num =", false},
    Key{0x52, XK_KP_0, 0, "Num 0", false},
    Key{0x53, XK_KP_1, 0, "Num 1", false},
    Key{0x54, XK_KP_2, 0, "Num 2", false},
    Key{0x55, XK_KP_3, 0, "Num 3", false},
    Key{0x56, XK_KP_4, 0, "Num 4", false},
    Key{0x57, XK_KP_5, 0, "Num 5", false},
    Key{0x58, XK_KP_6, 0, "Num 6", false},
    Key{0x59, XK_KP_7, 0, "Num 7", false},
    Key{0x5A, XK_F20, Qt::Key_F20, "F20", true},
    Key{0x5B, XK_KP_8, 0, "Num 8", false},
    Key{0x5C, XK_KP_9, 0, "Num 9", false},
    Key{0x60, XK_F5, Qt::Key_F5, "F5", true},
    Key{0x61, XK_F6, Qt::Key_F6, "F6", true},
    Key{0x62, XK_F7, Qt::Key_F7, "F7", true},
    Key{0x63, XK_F3, Qt::Key_F3, "F3", true},
    Key{0x64, XK_F8, Qt::Key_F8, "F8", true},
    Key{0x65, XK_F9, Qt::Key_F9, "F9", true},
    Key{0x67, XK_F11, Qt::Key_F11, "F11", true},
    Key{0x69, XK_F13, Qt::Key_F13, "F13", true},
    Key{0x6A, XK_F16, Qt::Key_F16, "F16", true},
    Key{0x6B, XK_F14, Qt::Key_F14, "F14", true},
    Key{0x6D, XK_F10, Qt::Key_F10, "F10", true},
    Key{0x6F, XK_F12, Qt::Key_F12, "F12", true},
    Key{0x71, XK_F15, Qt::Key_F15, "F15", true},
    // The Mac's Help key sits where PC keyboards have Insert.
    Key{0x72, XK_Insert, Qt::Key_Insert, "Insert", false},
    Key{0x73, XK_Home, Qt::Key_Home, "Home", false},
    Key{0x74, XK_Prior, Qt::Key_PageUp, "PgUp", false},
    Key{0x75, XK_Delete, Qt::Key_Delete, "Delete", false},
    Key{0x76, XK_F4, Qt::Key_F4, "F4", true},
    Key{0x77, XK_End, Qt::Key_End, "End", false},
    Key{0x78, XK_F2, Qt::Key_F2, "F2", true},
    Key{0x79, XK_Next, Qt::Key_PageDown, "PgDown", false},
    Key{0x7A, XK_F1, Qt::Key_F1, "F1", true},
    Key{0x7B, XK_Left, Qt::Key_Left, "←", false},
    Key{0x7C, XK_Right, Qt::Key_Right, "→", false},
    Key{0x7D, XK_Down, Qt::Key_Down, "↓", false},
    Key{0x7E, XK_Up, Qt::Key_Up, "↑", false},
};

constexpr std::array modifierTable{
    Modifier{controlMask, xControl, Qt::ControlModifier, "Ctrl"},
    Modifier{optionMask, xMod1, Qt::AltModifier, "Alt"},
    Modifier{shiftMask, xShift, Qt::ShiftModifier, "Shift"},
    Modifier{commandMask, xMod4, Qt::MetaModifier, "Super"},
};

template <typename Match> std::optional<Key> find(Match match) {
    auto it = std::find_if(keyTable.begin(), keyTable.end(), match);
    if (it == keyTable.end()) {
        return std::nullopt;
    }
    return *it;
}

} // namespace

std::span<const Key> keys() {
    return keyTable;
}

std::span<const Modifier> modifiers() {
    return modifierTable;
}

std::optional<Key> byCarbonKeyCode(std::int64_t carbonKeyCode) {
    return find([&](const Key& key) { return key.carbonKeyCode == carbonKeyCode; });
}

std::optional<Key> byKeysym(std::uint32_t keysym) {
    if (keysym >= XK_A && keysym <= XK_Z) {
        keysym += XK_a - XK_A;
    }
    return find([&](const Key& key) { return key.keysym == keysym; });
}

std::optional<Key> byQtKey(int qtKey) {
    if (qtKey == 0) {
        return std::nullopt;
    }
    return find([&](const Key& key) { return key.qtKey == qtKey; });
}

std::optional<std::uint16_t> x11Modifiers(std::int64_t carbonModifiers) {
    std::uint16_t mask = 0;
    for (const auto& modifier : modifierTable) {
        if (carbonModifiers & modifier.carbonMask) {
            mask |= modifier.x11Mask;
            carbonModifiers &= ~modifier.carbonMask;
        }
    }
    if (carbonModifiers != 0) {
        return std::nullopt;
    }
    return mask;
}

std::int64_t fromX11Modifiers(std::uint16_t state) {
    std::int64_t mask = 0;
    for (const auto& modifier : modifierTable) {
        if (state & modifier.x11Mask) {
            mask |= modifier.carbonMask;
        }
    }
    return mask;
}

std::int64_t fromQtModifiers(Qt::KeyboardModifiers qtModifiers) {
    std::int64_t mask = 0;
    for (const auto& modifier : modifierTable) {
        if (qtModifiers.testFlag(modifier.qtModifier)) {
            mask |= modifier.carbonMask;
        }
    }
    return mask;
}

} // namespace quillo::CarbonKeys
