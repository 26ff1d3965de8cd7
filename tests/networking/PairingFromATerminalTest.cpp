// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PairingCommands.h"
#include "networking/PairedClientStorage.h"
#include "networking/TerminalTrustPrompt.h"

#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>

namespace quillo {
namespace {

using test::waitUntil;
using Answer = TrustPrompt::Answer;

// The prompt reading from a pipe the test writes to.
class TerminalTrustPromptTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        ASSERT_EQ(::pipe(fds), 0);
    }
    void TearDown() override {
        prompt.reset();
        ::close(fds[0]);
        if (fds[1] >= 0) {
            ::close(fds[1]);
        }
    }
    void make(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        prompt = std::make_unique<TerminalTrustPrompt>(fds[0], out, limit);
    }
    void type(const std::string& text) {
        ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    std::optional<Answer> ask(const std::string& name = "Kim's phone") {
        std::optional<Answer> answer;
        prompt->askToTrust({name, name}, "192.168.1.7", [&](Answer a) { answer = a; });
        waitUntil([&] { return answer.has_value(); }, std::chrono::milliseconds(300));
        return answer;
    }

    int fds[2] = {-1, -1};
    std::ostringstream out;
    std::unique_ptr<TerminalTrustPrompt> prompt;
};

TEST_F(TerminalTrustPromptTest, OnlyYesTrustsAndTheQuestionNamesPhoneAndAddress) {
    make();
    const std::vector<std::pair<std::string, Answer>> cases{
        {"y\n", Answer::trusted}, {" YES \n", Answer::trusted},       {"n\n", Answer::rejected},
        {"\n", Answer::rejected}, {"yes please\n", Answer::rejected}, {"是\n", Answer::rejected},
    };
    for (const auto& [typed, expected] : cases) {
        std::optional<Answer> answer;
        prompt->askToTrust({"Kim's phone", "Kim's phone"}, "192.168.1.7",
                           [&](Answer a) { answer = a; });
        type(typed);
        ASSERT_TRUE(waitUntil([&] { return answer.has_value(); })) << typed;
        EXPECT_EQ(*answer, expected) << typed;
    }
    EXPECT_NE(out.str().find("允许「Kim's phone」(192.168.1.7) 连接此电脑并配对? [y/N]"),
              std::string::npos)
        << out.str();
}

TEST_F(TerminalTrustPromptTest, AYesTypedBeforeTheQuestionDoesNotAnswerIt) {
    make();
    type("y\n");
    test::spin(std::chrono::milliseconds(100));
    std::optional<Answer> answer;
    prompt->askToTrust({"P", "P"}, "10.0.0.2", [&](Answer a) { answer = a; });
    test::spin(std::chrono::milliseconds(100));
    EXPECT_FALSE(answer);
    // One question at a time: a second invitation is not asked about, and is
    // told so (not that nobody could be asked).
    std::optional<Answer> second;
    prompt->askToTrust({"Q", "Q"}, "10.0.0.3", [&](Answer a) { second = a; });
    EXPECT_EQ(second, Answer::busy);
    type("n\n");
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, Answer::rejected);
}

TEST_F(TerminalTrustPromptTest, NoAnswerInTimeOrTheEndOfInputDeclines) {
    make(std::chrono::milliseconds(50));
    std::optional<Answer> answer;
    prompt->askToTrust({"P", "P"}, "10.0.0.2", [&](Answer a) { answer = a; });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, Answer::rejected);

    make();
    answer.reset();
    prompt->askToTrust({"P", "P"}, "10.0.0.2", [&](Answer a) { answer = a; });
    ::close(fds[1]);
    fds[1] = -1;
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, Answer::rejected);
    // Nobody is left to ask, which is said once.
    for (int i = 0; i < 2; ++i) {
        std::optional<Answer> later;
        prompt->askToTrust({"P", "P"}, "10.0.0.2", [&](Answer a) { later = a; });
        EXPECT_EQ(later, Answer::unavailable);
    }
    const std::string said = out.str();
    const std::string note = "[quillo] 标准输入已结束: 终端配对已关闭,直到重新启动\n";
    ASSERT_NE(said.find(note), std::string::npos) << said;
    EXPECT_EQ(said.find(note), said.rfind(note));
}

TEST_F(TerminalTrustPromptTest, AQuestionAboutAPairedNameSaysThatYesReplacesItsKey) {
    make();
    std::optional<Answer> answer;
    prompt->ask({{"Kim", "Kim"}, "10.0.0.2", true}, [&](Answer a) { answer = a; });
    type("n\n");
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_NE(out.str().find("[quillo] 「Kim」已配对; 回答 y 将替换它的配对密钥\n允许「Kim」"),
              std::string::npos)
        << out.str();
    prompt->ask({{"Lee", "Lee"}, "10.0.0.2", false}, [&](Answer a) { answer = a; });
    EXPECT_EQ(out.str().find("「Lee」已配对"), std::string::npos);
}

TEST(PairingCommands, ListAndUnpairWithoutADisplay) {
    MemorySettingsStore settings;
    auto run = [&](std::vector<std::string> arguments, int expectedCode) {
        arguments.insert(arguments.begin(), "QuilloMac");
        std::ostringstream out;
        auto code = runPairingCommand(arguments, settings, out);
        EXPECT_EQ(code, expectedCode) << arguments[1];
        return out.str();
    };
    EXPECT_EQ(run({"--list-pairings"}, 0), "[quillo] 没有已配对的手机\n");
    PairedClientStorage::add(settings, "B phone", "t1");
    PairedClientStorage::add(settings, "A phone", "t2");
    EXPECT_EQ(run({"--list-pairings"}, 0), "[quillo] 已配对: A phone\n[quillo] 已配对: B phone\n");
    EXPECT_EQ(run({"--unpair", "A phone"}, 0), "[quillo] 已取消配对: A phone\n");
    EXPECT_FALSE(PairedClientStorage::contains(settings, "A phone", "t2"));
    EXPECT_TRUE(PairedClientStorage::contains(settings, "B phone", "t1"));
    EXPECT_EQ(run({"--unpair", "A phone"}, 1), "[quillo] 没有名为「A phone」的已配对手机\n");
    run({"--unpair"}, 2);
    EXPECT_FALSE(runPairingCommand({"QuilloMac", "--headless"}, settings, std::cout));
    EXPECT_FALSE(isPairingCommand({"--list-pairings"})) << "the program name is not a flag";
}

} // namespace
} // namespace quillo
