// The ten sort orders over items whose information is given, with ties, the
// lower-case fold of names, missing thumbnails and missing EXIF dates.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <map>

#include "browser/items/ItemList.h"
#include "browser/thumbs/ItemInfo.h"
#include "browser/thumbs/SortItems.h"
#include "core/settings/AppSettings.h"
#include "support/FileFixtures.h"

namespace {

struct ItemCase {
    const char* path;
    double size = 0;
    std::int64_t created = 0, modified = 0, shot = 0;
    int width = -1, height = -1;  // the cached cell's image; -1: no cell
};

struct SortCase {
    const char* name;
    int type;
    std::vector<ItemCase> items;
    std::vector<const char*> expected;  // file names in the sorted order
};

void PrintTo(const SortCase& c, std::ostream* out) { *out << c.name << " (type " << c.type << ")"; }

class SortOrders : public ::testing::TestWithParam<SortCase> {};

TEST_P(SortOrders, OrderTheItems) {
    const SortCase& c = GetParam();
    AppSettings settings;
    CITEMLIST list;
    std::map<QString, CellRef> cells;
    for (const ItemCase& s : c.items) {
        auto item = std::make_unique<CItem>(settings, QString::fromUtf8(s.path));
        item->m_dFileSize = s.size;
        item->m_timeCreated = s.created;
        item->m_timeModified = s.modified;
        item->m_timeShot = s.shot;
        item->m_bInfoLoaded = 1;
        item->m_bShotLoaded = 1;
        if (s.width >= 0) {
            auto cell = std::make_shared<CPaletteItemImg>();
            cell->m_nImageWidth = s.width;
            cell->m_nImageHeight = s.height;
            cells[item->m_strPath] = cell;
        }
        list.AddTail(std::move(item));
    }
    int lookups = 0;
    SortItemList(list, c.type, [&](const QString& path, CellRef& cell) {
        ++lookups;
        const auto found = cells.find(path);
        if (found == cells.end())
            return false;
        cell = found->second;
        return true;
    });
    std::vector<std::string> names;
    for (const auto& item : list)
        names.push_back(QFileInfo(item->m_strPath).fileName().toStdString());
    EXPECT_EQ(names, std::vector<std::string>(c.expected.begin(), c.expected.end()));
    // The cache is asked once per item, never during the comparisons.
    if (c.type >= 5 && c.type <= 7)
        EXPECT_EQ(lookups, static_cast<int>(c.items.size()));
    else
        EXPECT_EQ(lookups, 0);
}

const std::vector<SortCase> kCases = {
    {"NameIsCharacterOrder",
     0,
     {{"/p/IMG_9.jpg"}, {"/p/IMG_10.jpg"}, {"/p/b.jpg"}},
     {"b.jpg", "IMG_10.jpg", "IMG_9.jpg"}},
    // Lower-case fold: '_' (0x5F) comes before the letters; "A.jpg" and
    // "a.JPG" are equal and keep their order.
    {"NameFoldsCase",
     0,
     {{"/p/b.jpg"}, {"/q/a.JPG"}, {"/p/_x.jpg"}, {"/p/A.jpg"}},
     {"_x.jpg", "a.JPG", "A.jpg", "b.jpg"}},
    {"NameIgnoresTheFolder", 0, {{"/z/a.jpg"}, {"/a/b.jpg"}}, {"a.jpg", "b.jpg"}},
    {"NameOfScripts",
     0,
     {{"/p/Ωμέγα.jpg"}, {"/p/東京.png"}, {"/p/Привет.tif"}, {"/p/zeta.gif"}},
     {"zeta.gif", "Ωμέγα.jpg", "Привет.tif", "東京.png"}},
    {"CreatedTiesByPath",
     1,
     {{"/p/c.jpg", 0, 20}, {"/p/b.jpg", 0, 10}, {"/p/a.jpg", 0, 20}},
     {"b.jpg", "a.jpg", "c.jpg"}},
    {"ModifiedTiesByPath",
     2,
     {{"/q/a.jpg", 0, 0, 5}, {"/p/z.jpg", 0, 0, 5}, {"/p/m.jpg", 0, 0, 1}},
     {"m.jpg", "z.jpg", "a.jpg"}},
    {"ShotDateTiesByName",
     3,
     {{"/z/b.jpg", 0, 0, 0, 7}, {"/a/c.jpg", 0, 0, 0, 7}, {"/p/a.jpg", 0, 0, 0, 9}},
     {"b.jpg", "c.jpg", "a.jpg"}},
    {"ExtensionTiesByPath",
     4,
     {{"/p/b.TIF"}, {"/p/a.tif"}, {"/p/c.bmp"}, {"/p/d.JPG"}},
     {"c.bmp", "d.JPG", "a.tif", "b.TIF"}},
    // Width and height as one number: width first.
    {"ImageSize",
     5,
     {{"/p/a.jpg", 0, 0, 0, 0, 100, 900}, {"/p/b.jpg", 0, 0, 0, 0, 100, 50}, {"/p/c.jpg", 0, 0, 0, 0, 90, 999}},
     {"c.jpg", "b.jpg", "a.jpg"}},
    // Without a cached cell (or before the cell knows its image) the key is 0.
    {"WidthWithoutCellsIsZero",
     6,
     {{"/p/a.jpg", 0, 0, 0, 0, 300, 1}, {"/p/b.jpg"}, {"/p/c.jpg", 0, 0, 0, 0, 200, 1}, {"/p/d.jpg"}},
     {"b.jpg", "d.jpg", "c.jpg", "a.jpg"}},
    {"HeightTiesKeepOrder",
     7,
     {{"/p/b.jpg", 0, 0, 0, 0, 1, 50}, {"/p/a.jpg", 0, 0, 0, 0, 2, 50}, {"/p/c.jpg", 0, 0, 0, 0, 3, 10}},
     {"c.jpg", "b.jpg", "a.jpg"}},
    {"SizeTiesByPath", 8, {{"/p/b.jpg", 2000}, {"/p/a.jpg", 2000}, {"/p/c.jpg", 10}}, {"c.jpg", "a.jpg", "b.jpg"}},
    {"TitleTiesByPath",
     9,
     {{"/p/x.png"}, {"/p/x.bmp"}, {"/p/a_b.jpg"}, {"/p/aa.jpg"}},
     {"a_b.jpg", "aa.jpg", "x.bmp", "x.png"}},
    {"UnknownTypeKeepsTheOrder", 12, {{"/p/b.jpg"}, {"/p/a.jpg"}}, {"b.jpg", "a.jpg"}},
};

INSTANTIATE_TEST_SUITE_P(Table, SortOrders, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SortKeys, ShotDateWithoutExifIsTheModificationTime) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/plain.jpg");
    ASSERT_TRUE(WriteFile(path, QByteArray(100, 'x')));
    AppSettings settings;
    CItem item(settings, path);
    LoadItemShotDate(item);
    EXPECT_EQ(item.m_bShotLoaded, 1);
    EXPECT_EQ(item.m_bInfoLoaded, 1);
    EXPECT_EQ(item.m_timeShot, item.m_timeModified);
    EXPECT_GT(item.m_timeModified, 0);
}

TEST(SortKeys, AFileThatIsGoneKeepsItsInformationUnloaded) {
    AppSettings settings;
    CItem item(settings, QStringLiteral("/nonexistent/folder/gone.jpg"));
    LoadItemInfo(item);
    EXPECT_EQ(item.m_bInfoLoaded, 0);
    EXPECT_EQ(item.m_dFileSize, 0.0);
    // Sorted by size it comes first.
    CITEMLIST list;
    auto real = std::make_unique<CItem>(settings, QStringLiteral("/p/real.jpg"));
    real->m_dFileSize = 5;
    real->m_bInfoLoaded = 1;
    list.AddTail(std::move(real));
    list.AddTail(std::make_unique<CItem>(settings, QStringLiteral("/nonexistent/folder/gone.jpg")));
    SortItemList(list, 8, {});
    EXPECT_EQ((*list.begin())->m_strPath, QStringLiteral("/nonexistent/folder/gone.jpg"));
}

TEST(SortKeys, SizeTextsPickTheirUnit) {
    EXPECT_EQ(FormatFileSizeText(1536000), QStringLiteral("1.46MB"));
    EXPECT_EQ(FormatFileSizeText(2048), QStringLiteral("2.00KB"));
    EXPECT_EQ(FormatFileSizeText(1023ull * 1024), QStringLiteral("1.00MB"));
    EXPECT_EQ(FormatFileSizeText(5ull * 1024 * 1024 * 1024), QStringLiteral("5.00GB"));
}

}  // namespace
