// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using Mode = CommandLine::Mode;

CommandLine parse(std::vector<std::string> args) {
    args.insert(args.begin(), "QuilloMac");
    return parseCommandLine(args);
}

TEST(CommandLine, ModesAreTestedInOrderWhereverTheFlagsStand) {
    EXPECT_EQ(parse({}).mode, Mode::normal);
    EXPECT_EQ(parse({"--uninstall-hook", "--install-hook"}).mode, Mode::installHook);
    EXPECT_EQ(parse({"--print-hook-path", "--uninstall-hook"}).mode, Mode::uninstallHook);
    EXPECT_EQ(parse({"--print-hook-path", "--debug-tree", "5"}).mode, Mode::printHookPath);
    EXPECT_EQ(parse({"--render", "list", "--debug-tree", "5"}).mode, Mode::debugTree);
    auto tree = parse({"--headless", "--debug-tree", "-1"});
    EXPECT_EQ(tree.mode, Mode::debugTree);
    EXPECT_EQ(tree.debugTreePID, -1);
    EXPECT_TRUE(tree.headless);
    EXPECT_FALSE(tree.error);
}

TEST(CommandLine, DebugTreeTakesExactlyASignedThirtyTwoBitNumber) {
    for (auto bad : {std::vector<std::string>{"--debug-tree"},
                     {"--debug-tree", ""},
                     {"--debug-tree", "12ab"},
                     {"--debug-tree", "2147483648"},
                     {"--debug-tree", "-2147483649"},
                     {"--debug-tree", "+"},
                     {"--debug-tree", " 5"},
                     {"--debug-tree", "x", "--debug-tree", "7"}}) {
        EXPECT_TRUE(parse(bad).error) << bad.back();
    }
    EXPECT_EQ(parse({"--debug-tree", "+2147483647"}).debugTreePID, 2147483647);
    EXPECT_EQ(parse({"--debug-tree", "-2147483648"}).debugTreePID, -2147483647 - 1);
}

TEST(CommandLine, RenderTakesAViewAndAFileWithOptionalLanguageAndScale) {
    auto render =
        parse({"--lang", "en", "--render", "settings-general", "out.png", "--scale", "2"});
    ASSERT_FALSE(render.error) << *render.error;
    EXPECT_EQ(render.mode, Mode::render);
    EXPECT_EQ(render.render.name, "settings-general");
    EXPECT_EQ(render.render.file, "out.png");
    EXPECT_EQ(render.render.language, "en");
    EXPECT_EQ(render.render.scale, 2);

    auto defaults = parse({"--render", "components", "c.png"});
    EXPECT_EQ(defaults.render.language, "zh");
    EXPECT_EQ(defaults.render.scale, 1);

    auto list = parse({"--render", "list"});
    EXPECT_EQ(list.mode, Mode::render);
    EXPECT_TRUE(list.render.file.empty());
    // The list is followed by a flag, never swallowing it as its file.
    EXPECT_FALSE(parse({"--render", "list", "--headless"}).error);
}

TEST(CommandLine, NothingUnknownOrMalformedFallsThroughToStartingTheMonitor) {
    for (auto bad : {
             std::vector<std::string>{"--frobnicate"},
             {"stray"},
             {"--headless", "-x"},
             {"--render"},
             {"--render", "components"},
             {"--render", "components", "--lang", "en"},
             {"--render", "list", "extra.png"},
             {"--render", "components", "c.png", "--lang", "fr"},
             {"--render", "components", "c.png", "--scale", "3"},
             {"--render", "components", "c.png", "--scale"},
             {"--render", "a", "a.png", "--render", "b", "b.png"},
             {"--lang", "en"},
             {"--scale", "2"},
         }) {
        auto result = parse(bad);
        EXPECT_TRUE(result.error) << bad.front() << " " << bad.size();
        EXPECT_EQ(result.mode, Mode::normal);
    }
    EXPECT_NE(parse({"--frobnicate"}).error->find("--frobnicate"), std::string::npos);
}

TEST(CommandLine, HelpAndVersionWinOverEveryModeThenThePairingCommands) {
    EXPECT_EQ(parse({"--install-hook", "--help"}).mode, Mode::help);
    EXPECT_EQ(parse({"--render", "list", "-h"}).mode, Mode::help);
    EXPECT_EQ(parse({"--unpair", "A phone", "--version"}).mode, Mode::version);
    EXPECT_EQ(parse({"--install-hook", "--list-pairings"}).mode, Mode::pairing);
    // A phone may be called anything, even like a flag.
    EXPECT_EQ(parse({"--unpair", "--help"}).mode, Mode::pairing);
    EXPECT_TRUE(parse({"--unpair"}).error);
    EXPECT_TRUE(parse({"--help", "--frobnicate"}).error);
}

TEST(CommandLine, HelpExplainsEveryFlagAndVersionNamesTheProgram) {
    const std::string help = commandLineHelp();
    const std::string usage = commandLineUsage();
    for (const auto& flag : commandLineFlags()) {
        EXPECT_NE(help.find(" " + flag), std::string::npos) << flag;
        if (flag != "-h") {
            EXPECT_NE(usage.find(flag), std::string::npos) << flag;
        }
    }
    EXPECT_TRUE(versionText().starts_with("QuilloMac ")) << versionText();
    EXPECT_NE(versionText().find(")\nLicense: GPL-3.0-or-later"), std::string::npos)
        << versionText();
}

} // namespace
} // namespace quillo
