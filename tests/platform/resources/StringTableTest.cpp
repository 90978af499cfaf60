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
        "8\t\n"
        "9\tIDS_NAMED_2\tNamed\n"
        "10\tIDS_ no name\n"
        "11\tIDS_\tnot a name either\n");
    ASSERT_TRUE(platform::ParseStringTable(text, table));
    EXPECT_EQ(table.at(61446), QStringLiteral("Can't open file\n%s!"));
    EXPECT_EQ(table.at(32861), QStringLiteral("Switch on/off batch mode\nSwitch on/off batch mode"));
    EXPECT_EQ(table.at(7), QStringLiteral("tab\there, backslash \\ and quote \""));
    EXPECT_EQ(table.at(8), QString());
    // A name between the id and the text is the code's, not the text's.
    EXPECT_EQ(table.at(9), QStringLiteral("Named"));
    EXPECT_EQ(table.at(10), QStringLiteral("IDS_ no name"));
    EXPECT_EQ(table.at(11), QStringLiteral("IDS_\tnot a name either"));
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
