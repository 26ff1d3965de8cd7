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
    EXPECT_EQ(parse({"x", "--print-hook-path", "--debug-tree", "5"}).mode, Mode::printHookPath);
    auto tree = parse({"--headless", "--debug-tree", "-1"});
    EXPECT_EQ(tree.mode, Mode::debugTree);
    EXPECT_EQ(tree.debugTreePID, -1);
    EXPECT_TRUE(tree.headless);
}

TEST(CommandLine, DebugTreeWithoutAThirtyTwoBitNumberStartsNormally) {
    for (auto bad : {std::vector<std::string>{"--debug-tree"}, {"--debug-tree", ""},
                     {"--debug-tree", "12ab"}, {"--debug-tree", "2147483648"},
                     {"--debug-tree", "-2147483649"}, {"--debug-tree", "+"}, {"--debug-tree", " 5"}}) {
        EXPECT_EQ(parse(bad).mode, Mode::normal) << bad.back();
    }
    EXPECT_EQ(parse({"--debug-tree", "+2147483647"}).debugTreePID, 2147483647);
    EXPECT_EQ(parse({"--debug-tree", "-2147483648"}).debugTreePID, -2147483647 - 1);
    // Only the argument after the first occurrence counts.
    EXPECT_EQ(parse({"--debug-tree", "x", "--debug-tree", "7"}).mode, Mode::normal);
}

} // namespace
} // namespace quillo
