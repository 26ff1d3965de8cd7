// SPDX-License-Identifier: GPL-3.0-or-later
#include "networking/PairedClientStorage.h"

#include "TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>

using namespace std::string_literals;

namespace quillo {
namespace {

namespace Paired = PairedClientStorage;

std::vector<std::string> names(const SettingsStore& settings) {
    std::vector<std::string> out;
    for (const auto& n : settings.stringList(Paired::displayNamesKey).value_or(QStringList{})) {
        out.push_back(n.toStdString());
    }
    return out;
}

TEST(PairedClientStorage, AddsSortedReplacesTokensAndIgnoresEmptyInput) {
    MemorySettingsStore settings;
    Paired::add(settings, "", "t");
    Paired::add(settings, "Phone", "");
    EXPECT_TRUE(settings.keys().isEmpty());

    Paired::add(settings, "B", "t1");
    Paired::add(settings, "A", "t2");
    Paired::add(settings, "B", "t3");
    EXPECT_EQ(names(settings), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Paired::tokensByDisplayName(settings),
              (std::map<std::string, std::string>{{"A", "t2"}, {"B", "t3"}}));
    EXPECT_FALSE(Paired::contains(settings, "B", "t1"));
    EXPECT_TRUE(Paired::contains(settings, "B", "t3"));
}

TEST(PairedClientStorage, AcceptsOnlyTheExactStoredToken) {
    MemorySettingsStore settings;
    Paired::add(settings, "Phone", "Secret");
    EXPECT_TRUE(Paired::contains(settings, "Phone", "Secret"));
    EXPECT_FALSE(Paired::contains(settings, "Phone", std::nullopt));
    EXPECT_FALSE(Paired::contains(settings, "Phone", ""));
    EXPECT_FALSE(Paired::contains(settings, "Phone", "secret"));
    EXPECT_FALSE(Paired::contains(settings, "Phone", "Secret2"));
    EXPECT_FALSE(Paired::contains(settings, "Phone", "Secre"));
    EXPECT_FALSE(Paired::contains(settings, "Other", "Secret"));

    settings.setString(Paired::tokensKey, R"({"Phone":""})");
    EXPECT_FALSE(Paired::contains(settings, "Phone", "x"))
        << "an empty stored token matches nothing";
    settings.setString(Paired::tokensKey, R"({"Phone":"Secret","Other":5})");
    EXPECT_FALSE(Paired::contains(settings, "Phone", "Secret"))
        << "a malformed table reads as empty";
}

TEST(PairedClientStorage, RemovesAndListsLikeTheSettingsPane) {
    MemorySettingsStore settings;
    Paired::add(settings, "Z", "t");
    Paired::add(settings, "M", "t");
    settings.setString(Paired::displayNamesKey, R"(["Z","M","Z"])");
    Paired::remove(settings, "Unknown");
    EXPECT_EQ(names(settings), (std::vector<std::string>{"M", "Z"}));
    EXPECT_EQ(Paired::tokensByDisplayName(settings).size(), 2u);

    // A name with a token but missing from a non-empty list is not listed,
    // yet it is still accepted.
    settings.setString(Paired::displayNamesKey, R"(["M"])");
    EXPECT_EQ(Paired::listedDisplayNames(settings), std::vector<std::string>{"M"});
    EXPECT_TRUE(Paired::contains(settings, "Z", "t"));
    settings.remove(Paired::displayNamesKey);
    EXPECT_EQ(Paired::listedDisplayNames(settings), (std::vector<std::string>{"M", "Z"}));

    Paired::remove(settings, "M");
    EXPECT_FALSE(Paired::contains(settings, "M", "t"));
}

TEST(PairedClientStorage, ConstantTimeEqualityIsStillEquality) {
    EXPECT_TRUE(Paired::constantTimeEquals("", ""));
    EXPECT_TRUE(Paired::constantTimeEquals("abc", "abc"));
    EXPECT_FALSE(Paired::constantTimeEquals("abc", "abd"));
    EXPECT_FALSE(Paired::constantTimeEquals("abc", "abc\0"s));
    EXPECT_FALSE(Paired::constantTimeEquals("", "a"));
}

TEST(PairedClientStorage, AWriteStartsFromWhatAnotherProcessLeftInTheFile) {
    test::TempDir dir;
    const QString file = QString::fromStdString((dir / "QuilloMac.conf").string());
    FileSettingsStore monitor(file);
    Paired::add(monitor, "Kim", "k");
    Paired::add(monitor, "Ada", "a");
    ASSERT_EQ(Paired::listedDisplayNames(monitor), (std::vector<std::string>{"Ada", "Kim"}));
    // Another process forgets Kim: it writes a new file and renames it over.
    const QString other = file + QStringLiteral(".other");
    ASSERT_TRUE(QFile::copy(file, other));
    {
        FileSettingsStore command(other);
        Paired::remove(command, "Kim");
    }
    ASSERT_EQ(
        std::rename(QFile::encodeName(other).constData(), QFile::encodeName(file).constData()), 0);

    EXPECT_FALSE(Paired::contains(monitor, "Kim", "k"));
    Paired::add(monitor, "Lee", "l");
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray contents = written.readAll();
    EXPECT_FALSE(contents.contains("Kim")) << contents.constData();
    EXPECT_TRUE(contents.contains("Ada"));
    EXPECT_TRUE(contents.contains("Lee"));
}

} // namespace
} // namespace quillo
