// SPDX-License-Identifier: GPL-3.0-or-later
#include "CarbonKeys.h"
#include "Shortcut.h"
#include "ShortcutTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace quillo {
namespace {

using namespace CarbonKeys;

TEST(CarbonKeys, EveryRowMapsBothWaysAndNoKeyIsListedTwice) {
    std::set<std::int64_t> codes;
    std::set<std::uint32_t> keysyms;
    std::set<int> qtKeys;
    for (const auto& key : keys()) {
        EXPECT_TRUE(codes.insert(key.carbonKeyCode).second) << key.label;
        EXPECT_TRUE(keysyms.insert(key.keysym).second) << key.label;
        if (key.qtKey != 0) {
            EXPECT_TRUE(qtKeys.insert(key.qtKey).second) << key.label;
            EXPECT_EQ(byQtKey(key.qtKey)->carbonKeyCode, key.carbonKeyCode) << key.label;
        }
        EXPECT_EQ(byCarbonKeyCode(key.carbonKeyCode)->keysym, key.keysym) << key.label;
        EXPECT_EQ(byKeysym(key.keysym)->carbonKeyCode, key.carbonKeyCode) << key.label;
    }
}

TEST(CarbonKeys, KeyCodesAreTheMacPositionsAndKeysymsTheX11Ones) {
    struct Expected {
        std::int64_t carbon;
        std::uint32_t keysym;
    };
    // A, S, K, 1, 5, 6, Return, Tab, Space, Escape, F1, F5, F12, Home, ←, ↑, Delete.
    for (auto [carbon, keysym] :
         {Expected{0x00, 0x61}, Expected{0x01, 0x73}, Expected{0x28, 0x6b}, Expected{0x12, 0x31},
          Expected{0x17, 0x35}, Expected{0x16, 0x36}, Expected{0x24, 0xff0d},
          Expected{0x30, 0xff09}, Expected{0x31, 0x20}, Expected{0x35, 0xff1b},
          Expected{0x7A, 0xffbe}, Expected{0x60, 0xffc2}, Expected{0x6F, 0xffc9},
          Expected{0x73, 0xff50}, Expected{0x7B, 0xff51}, Expected{0x7E, 0xff52},
          Expected{0x75, 0xffff}}) {
        ASSERT_TRUE(byCarbonKeyCode(carbon)) << carbon;
        EXPECT_EQ(byCarbonKeyCode(carbon)->keysym, keysym) << carbon;
    }
    // The shifted letter is the same key.
    EXPECT_EQ(byKeysym(0x4b)->carbonKeyCode, 0x28);
    EXPECT_FALSE(byCarbonKeyCode(0x7F));
    EXPECT_FALSE(byKeysym(0x21)); // "!" is Shift+1, not a key of its own
}

TEST(CarbonKeys, ModifierMasksMapToX11AndBack) {
    // Control 4096 ↔ ControlMask, Option 2048 ↔ Mod1, Shift 512 ↔ ShiftMask,
    // Command 256 ↔ Mod4 (Super).
    EXPECT_EQ(x11Modifiers(4096), 1 << 2);
    EXPECT_EQ(x11Modifiers(2048), 1 << 3);
    EXPECT_EQ(x11Modifiers(512), 1 << 0);
    EXPECT_EQ(x11Modifiers(256), 1 << 6);
    for (std::int64_t combination = 0; combination < 16; ++combination) {
        std::int64_t mask = 0;
        for (int bit = 0; bit < 4; ++bit) {
            if (combination & (1 << bit)) {
                mask |= modifiers()[static_cast<std::size_t>(bit)].carbonMask;
            }
        }
        auto x11 = x11Modifiers(mask);
        ASSERT_TRUE(x11) << mask;
        EXPECT_EQ(fromX11Modifiers(*x11), mask);
    }
    // Lock and NumLock (Mod2) are no part of a shortcut.
    EXPECT_EQ(fromX11Modifiers((1 << 2) | (1 << 1) | (1 << 4)), 4096);
    // Caps Lock as a modifier (alphaLock) has no place in a grab.
    EXPECT_FALSE(x11Modifiers(4096 | 1024));
    EXPECT_EQ(fromQtModifiers(Qt::ControlModifier | Qt::MetaModifier | Qt::KeypadModifier),
              4096 | 256);
}

TEST(Shortcut, DisplayFormNamesModifiersInFixedOrderAndHidesNothing) {
    EXPECT_EQ(test::ctrlAltK.displayForm(), "Ctrl+Alt+K");
    EXPECT_EQ((Shortcut{0x7A, 256 | 512 | 2048 | 4096}).displayForm(), "Ctrl+Alt+Shift+Super+F1");
    EXPECT_EQ((Shortcut{0x31, 256}).displayForm(), "Super+Space");
    EXPECT_EQ((Shortcut{200, 4096 | 1024}).displayForm(), "Ctrl+0x400+#200");
}

} // namespace
} // namespace quillo
