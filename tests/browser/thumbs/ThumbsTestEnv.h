#pragma once
// What the thumbnail browser tests share: a private home with its cache
// folder, the thumbnail machinery started for one test and stopped after it,
// and folders of files made at run time.

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <memory>

#include "browser/ThumbFixtures.h"
#include "browser/builder/Thumbnails.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "core/settings/AppSettings.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

namespace thumbstest {

inline constexpr int kIdleMs = 120000;

// Sets a file's modification time `secondsAgo` back (an hour by default), as
// a folder of settled photographs has; the builder skips files still changing.
inline void SetAge(const QString& path, std::int64_t secondsAgo = 3600) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= static_cast<time_t>(secondsAgo);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

// A private home, the cache opened in it and (unless told otherwise) the
// builder threads running.
class ThumbsEnv {
public:
    explicit ThumbsEnv(bool startBuilder = true) {
        g_ThumbCache.Open(DefaultThumbCacheFolder());
        if (startBuilder)
            g_ThumbsBuilder.Start();
        QDir().mkpath(Folder());
    }
    ~ThumbsEnv() { ShutdownThumbnails(); }
    ThumbsEnv(const ThumbsEnv&) = delete;
    ThumbsEnv& operator=(const ThumbsEnv&) = delete;

    QString Folder() const { return home_.Path() + QStringLiteral("/pictures"); }
    QString Path(const QString& name) const { return Folder() + u'/' + name; }
    const PrivateHome& Home() const { return home_; }

    // A camera-like JPEG of w x h, settled.
    QString AddJpeg(const QString& name, int w = 320, int h = 240) {
        const QString path = Path(name);
        thumbfixtures::WriteBytes(path, thumbfixtures::CameraJpeg(w, h));
        SetAge(path);
        return path;
    }
    // A file of `size` bytes of no image format.
    QString AddBytes(const QString& name, int size) {
        const QString path = Path(name);
        WriteFile(path, QByteArray(size, 'x'));
        SetAge(path);
        return path;
    }
    void WriteWinIni(const QByteArray& text) const {
        QDir().mkpath(home_.ConfigHome() + QStringLiteral("/ORVEK"));
        WriteFile(home_.ConfigHome() + QStringLiteral("/ORVEK/win.ini"), text);
    }

    AppSettings settings;

private:
    PrivateHome home_;
};

// The item paths of a browser, in display order, as file names.
inline QStringList Names(const CThumbsBrowser& browser) {
    QStringList out;
    for (const auto& item : browser.Items())
        out.append(QFileInfo(item->m_strPath).fileName());
    return out;
}

}  // namespace thumbstest
