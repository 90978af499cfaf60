#include "platform/resources/StringTable.h"

#include <gtest/gtest.h>

namespace {

TEST(StringTable, ParsesIdsTextsAndEscapes) {
    std::map<int, QString> table;
    const QString text = QStringLiteral(
        "# comment\n"
        "\n"
        "61446\tCan't open file\\n%s!\r\n"
        "32861\tSwitch on/off batch mode\\nSwitch on/off batch mode\n"
        "7\ttab\\there, backslash \\\\ and quote \\\"\n"
        "8\t\n");
    ASSERT_TRUE(platform::ParseStringTable(text, table));
    EXPECT_EQ(table.at(61446), QStringLiteral("Can't open file\n%s!"));
    EXPECT_EQ(table.at(32861), QStringLiteral("Switch on/off batch mode\nSwitch on/off batch mode"));
    EXPECT_EQ(table.at(7), QStringLiteral("tab\there, backslash \\ and quote \""));
    EXPECT_EQ(table.at(8), QString());
}

TEST(StringTable, RefusesMalformedLinesAndRepeatedIds) {
    for (const char* text : {"no tab here\n", "x\ttext\n", "\ttext\n", "5\tone\n5\ttwo\n"}) {
        std::map<int, QString> table;
        QString error;
        EXPECT_FALSE(platform::ParseStringTable(QString::fromUtf8(text), table, &error)) << text;
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(StringTable, EmbeddedTableLoadsCleanly) {
    EXPECT_TRUE(platform::StringTableError().isEmpty()) << platform::StringTableError().toStdString();
    for (const auto& [id, text] : platform::StringTable())
        EXPECT_EQ(platform::LoadResString(id), text);
    EXPECT_FALSE(platform::HasResString(-1));
    EXPECT_TRUE(platform::LoadResString(-1).isEmpty());
}

}  // namespace
