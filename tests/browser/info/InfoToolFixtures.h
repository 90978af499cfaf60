#pragma once
// Files for the Image Info tests made at run time: pictures from Qt and the
// imaging layer, tagged by the tools photographers use (exiftool, libtiff's
// tiffcp and tiffset), in a temporary folder.

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "browser/info/ShowImageInfo.h"
#include "platform/imaging/Bitmap.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace infotests {

// Runs a tool and returns its standard output; fails the test when it cannot
// be run or ends with an error.
inline QByteArray RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << " " << arguments.join(' ').toStdString() << ": "
                                     << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

// The offset of the EXIF directory as exiv2 reads it from the line
// "0x8769 Image ExifTag Long 1 N".
inline QString ExifOffsetByExiv2(const QString& path) {
    const QStringList fields =
        QString::fromUtf8(RunTool("exiv2", {"-pv", "-K", "Exif.Image.ExifTag", path})).simplified().split(' ');
    return fields.size() == 6 ? fields.last() : QString();
}

// The dialog's rows, name to value; a name listed twice fails the test.
inline std::map<QString, QString> RowsByName(const QStringList& tags) {
    std::map<QString, QString> rows;
    EXPECT_EQ(tags.size() % 2, 0);
    for (qsizetype i = 0; i + 1 < tags.size(); i += 2)
        EXPECT_TRUE(rows.emplace(tags[i], tags[i + 1]).second) << "twice: " << tags[i].toStdString();
    return rows;
}

inline std::unique_ptr<imaging::Bitmap> OpenFile(const QString& path) {
    return imaging::Bitmap::FromFile(QFile::encodeName(path).toStdString());
}

class ToolFiles : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }

    // A flat picture written by Qt.
    QString SavePicture(const QString& name, QImage::Format format, int w = 64, int h = 48) {
        QImage image(w, h, format);
        if (format == QImage::Format_Mono) {
            image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
            image.fill(1);
        } else {
            image.fill(QColor(90, 120, 150, 200));
        }
        const QString path = Path(name);
        EXPECT_TRUE(image.save(path)) << path.toStdString();
        return path;
    }

    QString WriteText(const QString& name, const QByteArray& bytes) {
        const QString path = Path(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    QTemporaryDir dir_;
};

}  // namespace infotests
