#pragma once
// A cache in a temporary folder, photo folders with files that exist, and
// cells with fixed contents.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "browser/ThumbFixtures.h"
#include "browser/cache/ThumbCache.h"

class CacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_cacheFolder = m_dir.filePath("cache/QVIMGBRW_QZTHM");
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath("cache")));
        ASSERT_TRUE(m_cache.Open(m_cacheFolder));
    }
    void TearDown() override { m_cache.Close(); }

    // An existing (empty) photo file in a folder under the test folder.
    QString Photo(const QString& folder, const QString& name) {
        const QString dir = m_dir.filePath("photos/" + folder);
        QDir().mkpath(dir);
        const QString path = dir + '/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }
    QString Folder(const QString& folder) const { return m_dir.filePath("photos/" + folder) + '/'; }
    QString Archive(int n) const { return m_cacheFolder + QStringLiteral("/FLD%1.tmp").arg(n); }
    QString Index() const { return m_cacheFolder + "/QVIMGBRWS.IND"; }

public:
    static CellRef Cell(std::int64_t timeFile = 1000, std::int64_t lastUse = 0) {
        auto cell = std::make_shared<CPaletteItemImg>();
        thumbfixtures::GiveThumbnail(*cell, 220, 165, thumbfixtures::kBlue);
        cell->m_timeFile = timeFile;
        cell->m_timeLastUse = lastUse;
        return cell;
    }

protected:
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static bool Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QTemporaryDir m_dir;
    QString m_cacheFolder;
    CMapStringToObPlus m_cache;
};
