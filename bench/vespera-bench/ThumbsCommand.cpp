// vespera-bench thumbs FOLDER [--peers]
// Builds the thumbnails of FOLDER's images through the builder threads and
// the cache as a browser does (the cache's load, the listing queued, the
// first 40 items prioritised as painted, the last browser's save), in a
// private cache folder, then lists the folder again in a new process served
// from that disk cache. Prints on standard error
//   first40_ms=N all_ms=N cached_ms=N
// (the first 40 thumbnails, all first thumbnails, and the second listing
// until every cell is found and the first 40 are decoded for drawing), and
// complete_ms (until every better pass is done), save_ms, cached_hits and
// cached_rebuilt. With --peers, the same folder through vipsthumbnail -s
// 220x165, gm mogrify -thumbnail 220x165 and ffmpegthumbnailer -s 220 where
// they are installed, each for the first 40 files and for all, in the same
// run, with the ratios against ours.
//
// vespera-bench thumbs FOLDER --beside OTHER
// Builds OTHER's thumbnails beside FOLDER's at once, as the basket beside the
// Browse window: one builder works through both listings (one of FOLDER's
// files after each share of OTHER's, FOLDER's first 40 prioritised as
// painted) into one cache, in a private cache folder with its trimming as the
// program has it, while a drawing thread paints both views every 10 ms (the
// lookups of FOLDER's first 40 and OTHER's first 20 items and their DIBs,
// under the cache lock). At the end the last browser's save. Prints
//   cache_written_mb=N cache_size_mb=N longest_lock_wait_ms=N first40_ms=N
// (the bytes the cache wrote into its files, the cache folder's size at the
// end, both in MB of 10^6 bytes; the longest a drawing waited for the cache
// lock; FOLDER's first 40 thumbnails), and all_ms, written_vs_size; every
// 30 s meanwhile a progress line.
//
// vespera-bench thumbs-folder OUT COUNT [plain|small]
// Writes COUNT camera-like 4000 x 3000 JPEG files into OUT, with a 160 x 120
// EXIF thumbnail unless "plain" is given, dated an hour back (settled files,
// as copied from a camera); with "small", COUNT distinct 64 x 48 JPEG files
// without EXIF data instead.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "browser/builder/Thumbnails.h"
#include "browser/cells/ThumbCacheLock.h"
#include "imagefiles/ImageFileNames.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"
#include "vespera-bench/Subcommand.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The image reader's plug-ins want an application object.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "vespera-bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

QStringList ListImages(const QString& folder) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        if (IsSupportedImageExtension(name))
            paths.push_back(dir.absoluteFilePath(name));
    if (paths.isEmpty())
        throw std::runtime_error("no images in " + folder.toStdString());
    return paths;
}

// Counts the paths that have their first thumbnail.
class FirstThumbnails final : public IThumbUpdate {
public:
    void OnThumbUpdate(const QString& path, int) override {
        std::lock_guard lock(m_mutex);
        ++m_updates;
        if (m_seen.insert(path).second)
            m_changed.notify_all();
    }
    bool WaitFor(std::size_t count, int timeoutMs) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_seen.size() >= count; });
    }
    int Updates() {
        std::lock_guard lock(m_mutex);
        return m_updates;
    }
    std::size_t Seen() {
        std::lock_guard lock(m_mutex);
        return m_seen.size();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<QString> m_seen;
    int m_updates = 0;
};

// Runs a program with its output discarded (or standard output captured);
// the exit status, -1 when it could not start.
int Run(const std::vector<std::string>& argv, std::string* output = nullptr) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    if (output && ::pipe(pipeFds) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        ::close(pipeFds[1]);
        char buffer[4096];
        ssize_t got;
        while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
            output->append(buffer, static_cast<std::size_t>(got));
        ::close(pipeFds[0]);
    }
    if (spawned != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Installed(const char* program) {
    return Run({"sh", "-c", std::string("command -v ") + program + " >/dev/null"}) == 0;
}

double ValueOf(const std::string& text, const std::string& key) {
    const auto at = text.find(key + "=");
    if (at == std::string::npos)
        throw std::runtime_error("child printed no " + key);
    return std::stod(text.substr(at + key.size() + 1));
}

// The second listing, in this (new) process: the cache's load, a lookup of
// every item, the first 40 decoded for drawing, and the builder finding
// everything fresh.
int RunCached(const std::vector<std::string>& args) {
    if (args.size() != 2)
        throw std::invalid_argument("expected FOLDER CACHE_FOLDER");
    EnsureApplication();
    const QStringList paths = ListImages(QString::fromStdString(args[0]));
    FirstThumbnails rebuilt;
    const auto start = Clock::now();
    InitThumbnails(QString::fromStdString(args[1]));
    g_ThumbCache.LoadOrSave(QString(), false);
    AddThumbnailListener(&rebuilt);
    QueueThumbnailFiles(paths);
    int hits = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        CellRef cell;
        std::lock_guard lock(g_csThumbCache);
        if (g_ThumbCache.Lookup(paths[i], cell)) {
            ++hits;
            if (i < 40)
                cell->GetDib();
        }
    }
    g_ThumbsBuilder.WaitUntilIdle(600000);
    const auto end = Clock::now();
    RemoveThumbnailListener(&rebuilt);
    ShutdownThumbnails();
    std::printf("cached_ms=%.1f hits=%d rebuilt=%d\n", Milliseconds(start, end), hits, rebuilt.Updates());
    return 0;
}

struct PeerFigures {
    double first40 = -1, all = -1;
};

double TimeRun(const std::vector<std::string>& argv) {
    const auto start = Clock::now();
    if (Run(argv) != 0)
        return -1;
    return Milliseconds(start, Clock::now());
}

std::vector<std::string> Paths(const QStringList& paths, qsizetype count) {
    std::vector<std::string> out;
    for (qsizetype i = 0; i < std::min(count, paths.size()); ++i)
        out.push_back(QFile::encodeName(paths[i]).toStdString());
    return out;
}

// A tool that takes every file on one command line, run for the first 40
// files and for all.
PeerFigures BatchPeer(const std::vector<std::string>& command, const QStringList& paths) {
    PeerFigures f;
    for (const qsizetype count : {qsizetype{40}, paths.size()}) {
        std::vector<std::string> argv = command;
        for (const std::string& p : Paths(paths, count))
            argv.push_back(p);
        (count == 40 ? f.first40 : f.all) = TimeRun(argv);
    }
    return f;
}

PeerFigures Vips(const QStringList& paths, const QString& out) {
    return BatchPeer({"vipsthumbnail", "-s", "220x165", "-o", QFile::encodeName(out).toStdString() + "/%s.jpg"}, paths);
}

// -size lets the JPEG reader reduce while decoding, as vips does.
PeerFigures Gm(const QStringList& paths, const QString& out) {
    return BatchPeer({"gm", "mogrify", "-output-directory", QFile::encodeName(out).toStdString(), "-create-directories",
                      "-size", "440x330", "-thumbnail", "220x165", "-format", "jpg"},
                     paths);
}

// One process per file, as the tool works.
PeerFigures FfmpegThumbnailer(const QStringList& paths, const QString& out) {
    PeerFigures f;
    const std::string target = QFile::encodeName(out).toStdString() + "/t.jpg";
    const auto start = Clock::now();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (Run({"ffmpegthumbnailer", "-i", QFile::encodeName(paths[i]).toStdString(), "-o", target, "-s", "220"}) != 0)
            return {};
        if (i + 1 == std::min<qsizetype>(40, paths.size()))
            f.first40 = Milliseconds(start, Clock::now());
    }
    f.all = Milliseconds(start, Clock::now());
    return f;
}

void PrintPeer(const char* name, const PeerFigures& f, double first40, double all, double cached) {
    if (f.first40 < 0 || f.all < 0) {
        std::fprintf(stderr, "%s: failed\n", name);
        return;
    }
    std::fprintf(stderr, "%s_first40_ms=%.1f %s_all_ms=%.1f\n", name, f.first40, name, f.all);
    std::fprintf(stderr, "ratio_first40_vs_%s=%.3f ratio_all_vs_%s=%.3f ratio_cached_vs_%s_all=%.4f\n", name,
                 first40 / f.first40, name, all / f.all, name, cached / f.all);
}

// --- FOLDER beside OTHER ---

// The drawing thread marks itself; the lock's wait timer keeps the longest
// wait of that thread alone.
thread_local bool t_drawing = false;
std::atomic<std::int64_t> g_longestDrawingWaitNs{0};

void NoteLockWait(std::chrono::steady_clock::duration waited) {
    if (!t_drawing)
        return;
    const std::int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(waited).count();
    std::int64_t longest = g_longestDrawingWaitNs.load();
    while (ns > longest && !g_longestDrawingWaitNs.compare_exchange_weak(longest, ns)) {
    }
}

// Paints both views every 10 ms until stopped, as the user-interface thread
// does: the visible items looked up (their archives merged when they are out
// of memory) and their DIBs fetched, under the cache lock.
class DrawingThread {
public:
    DrawingThread(QStringList folderVisible, QStringList otherVisible)
        : m_visible(std::move(folderVisible) + std::move(otherVisible)), m_thread([this] { Run(); }) {}
    ~DrawingThread() {
        m_stop = true;
        m_thread.join();
    }

private:
    void Run() {
        t_drawing = true;
        while (!m_stop) {
            {
                std::lock_guard lock(g_csThumbCache);
                for (const QString& path : m_visible) {
                    CellRef cell;
                    if (g_ThumbCache.Lookup(path, cell))
                        cell->GetDib();
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    const QStringList m_visible;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// OTHER's paths with one of FOLDER's after each share of them.
QStringList Interleaved(const QStringList& folder, const QStringList& other) {
    const qsizetype share = std::max<qsizetype>(1, other.size() / folder.size());
    QStringList queue;
    qsizetype f = 0;
    for (qsizetype o = 0; o < other.size(); ++o) {
        queue.push_back(other[o]);
        if ((o + 1) % share == 0 && f < folder.size())
            queue.push_back(folder[f++]);
    }
    while (f < folder.size())
        queue.push_back(folder[f++]);
    return queue;
}

std::uint64_t FolderBytes(const QString& folder) {
    std::uint64_t total = 0;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        total += static_cast<std::uint64_t>(info.size());
    return total;
}

int RunThumbsBeside(const QString& folderPath, const QString& otherPath) {
    EnsureApplication();
    const QStringList folder = ListImages(folderPath);
    const QStringList other = ListImages(otherPath);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error("no temporary folder");
    const QString cacheFolder = scratch.filePath("QVIMGBRW_QZTHM");

    FirstThumbnails first;
    const qsizetype visible = std::min<qsizetype>(40, folder.size());
    g_csThumbCache.SetWaitTimer(&NoteLockWait);
    InitThumbnails(cacheFolder);
    g_ThumbCache.LoadOrSave(QString(), false);
    const std::uint64_t writtenBefore = g_ThumbCache.BytesWritten();
    AddThumbnailListener(&first);
    const auto start = Clock::now();
    double first40Ms = -1;
    {
        DrawingThread drawing(folder.mid(0, visible), other.mid(0, 20));
        QueueThumbnailFiles(Interleaved(folder, other));
        PrioritizeThumbnailFiles(folder.mid(0, visible));
        if (!first.WaitFor(static_cast<std::size_t>(visible), 3600000))
            throw std::runtime_error("the first thumbnails did not come");
        first40Ms = Milliseconds(start, Clock::now());
        std::fprintf(stderr, "first40_ms=%.1f\n", first40Ms);
        // Every 30 s a line of how far it got, for runs too long to wait for.
        const auto total = static_cast<std::size_t>(folder.size() + other.size());
        while (!first.WaitFor(total, 30000)) {
            std::fprintf(stderr, "progress_s=%.0f thumbnails=%zu cache_written_mb=%.1f longest_lock_wait_ms=%.1f\n",
                         Milliseconds(start, Clock::now()) / 1000, first.Seen(),
                         static_cast<double>(g_ThumbCache.BytesWritten() - writtenBefore) / 1e6,
                         static_cast<double>(g_longestDrawingWaitNs.load()) / 1e6);
            if (Milliseconds(start, Clock::now()) > 3600000)
                throw std::runtime_error("not every file got a thumbnail");
        }
        g_ThumbsBuilder.WaitUntilIdle(3600000);
    }
    const double allMs = Milliseconds(start, Clock::now());
    RemoveThumbnailListener(&first);
    g_ThumbCache.CloseAtLastBrowser(QString());
    const double written = static_cast<double>(g_ThumbCache.BytesWritten() - writtenBefore) / 1e6;
    ShutdownThumbnails();
    g_csThumbCache.SetWaitTimer(nullptr);
    const double size = static_cast<double>(FolderBytes(cacheFolder)) / 1e6;

    std::fprintf(stderr, "files=%lld beside=%lld\n", static_cast<long long>(folder.size()),
                 static_cast<long long>(other.size()));
    std::fprintf(stderr, "cache_written_mb=%.1f cache_size_mb=%.1f written_vs_size=%.2f\n", written, size,
                 size > 0 ? written / size : 0.0);
    std::fprintf(stderr, "longest_lock_wait_ms=%.1f\n", static_cast<double>(g_longestDrawingWaitNs.load()) / 1e6);
    std::fprintf(stderr, "all_ms=%.1f\n", allMs);
    return 0;
}

int RunThumbs(const std::vector<std::string>& args) {
    if (args.size() == 3 && args[1] == "--beside")
        return RunThumbsBeside(QString::fromStdString(args[0]), QString::fromStdString(args[2]));
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--peers"))
        throw std::invalid_argument("expected FOLDER [--peers | --beside OTHER]");
    EnsureApplication();
    const QString folder = QString::fromStdString(args[0]);
    const QStringList paths = ListImages(folder);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error("no temporary folder");
    const QString cacheFolder = scratch.filePath("QVIMGBRW_QZTHM");

    FirstThumbnails first;
    const std::size_t visible = static_cast<std::size_t>(std::min<qsizetype>(40, paths.size()));
    const auto start = Clock::now();
    InitThumbnails(cacheFolder);
    g_ThumbCache.LoadOrSave(QString(), false);
    AddThumbnailListener(&first);
    QueueThumbnailFiles(paths);
    PrioritizeThumbnailFiles(paths.mid(0, static_cast<qsizetype>(visible)));
    if (!first.WaitFor(visible, 600000))
        throw std::runtime_error("the first thumbnails did not come");
    const auto first40 = Clock::now();
    if (!first.WaitFor(static_cast<std::size_t>(paths.size()), 3600000))
        throw std::runtime_error("not every file got a thumbnail");
    const auto all = Clock::now();
    g_ThumbsBuilder.WaitUntilIdle(3600000);
    const auto complete = Clock::now();
    RemoveThumbnailListener(&first);
    g_ThumbCache.CloseAtLastBrowser(QString());
    const auto saved = Clock::now();
    ShutdownThumbnails();

    std::string childOutput;
    char self[4096] = {};
    const ssize_t selfLength = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (selfLength <= 0 ||
        Run({self, "thumbs-cached", args[0], QFile::encodeName(cacheFolder).toStdString()}, &childOutput) != 0)
        throw std::runtime_error("the cached listing failed");
    const double cached = ValueOf(childOutput, "cached_ms");

    const double first40Ms = Milliseconds(start, first40), allMs = Milliseconds(start, all);
    std::fprintf(stderr, "files=%lld\n", static_cast<long long>(paths.size()));
    std::fprintf(stderr, "first40_ms=%.1f all_ms=%.1f cached_ms=%.1f\n", first40Ms, allMs, cached);
    std::fprintf(stderr, "complete_ms=%.1f save_ms=%.1f cached_hits=%d cached_rebuilt=%d\n",
                 Milliseconds(start, complete), Milliseconds(complete, saved),
                 static_cast<int>(ValueOf(childOutput, "hits")), static_cast<int>(ValueOf(childOutput, "rebuilt")));

    if (args.size() == 2) {
        const QString out = scratch.filePath("peers");
        QDir().mkpath(out);
        if (Installed("vipsthumbnail"))
            PrintPeer("vips", Vips(paths, out), first40Ms, allMs, cached);
        if (Installed("gm"))
            PrintPeer("gm", Gm(paths, out), first40Ms, allMs, cached);
        if (Installed("ffmpegthumbnailer"))
            PrintPeer("ffmpegthumbnailer", FfmpegThumbnailer(paths, out), first40Ms, allMs, cached);
    }
    return 0;
}

// --- The folder of camera-like files ---

using Bytes = std::vector<std::uint8_t>;

// A photograph-like 4000 x 3000 image: sky, hills, texture.
Bytes EncodeJpeg(int w, int h, int quality, bool photo) {
    platform::CMemFile file;
    OSSStream stream(file);
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
        Kestrel::CreateCoder(stream, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), true, quality, false,
                             false, 1, 300, 300));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 3);
    std::uint32_t noise = 1;
    for (int y = 0; y < h; ++y) {
        const double fy = double(y) / h;
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w;
            const double horizon = 0.55 + 0.08 * std::sin(fx * 8.2);
            double r, g, b;
            if (fy < horizon) {
                r = 90 + 120 * fy;
                g = 140 + 80 * fy;
                b = 230 - 40 * fy;
            } else {
                const double t = 0.5 + 0.5 * std::sin(fx * 180 + fy * 40 + 3 * std::sin(fy * 50));
                r = 70 + 60 * t;
                g = 110 + 70 * t;
                b = 40 + 30 * t;
            }
            if (photo) {  // sensor-like grain, so the file is as large as a camera's
                noise = noise * 1103515245u + 12345u;
                const double grain = static_cast<double>((noise >> 16) & 15) - 7.5;
                r += grain;
                g += grain;
                b += grain;
            }
            row[3 * x] = static_cast<std::uint8_t>(std::clamp(r, 0.0, 255.0));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(b, 0.0, 255.0));
        }
        coder->WriteLine(row.data());
    }
    coder.reset();
    return file.Detach();
}

void Le16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Le32(Bytes& b, std::uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}
void Entry(Bytes& b, std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
    Le16(b, tag);
    Le16(b, type);
    Le32(b, 1);
    if (type == 3) {
        Le16(b, value);
        Le16(b, 0);
    } else {
        Le32(b, value);
    }
}

// A camera's EXIF APP1: IFD0 (orientation, ExifIFD pointer), the EXIF IFD
// (pixel dimensions), IFD1 with the JPEG thumbnail.
Bytes ExifSegment(std::uint32_t w, std::uint32_t h, const Bytes& thumbnail) {
    Bytes tiff = {'I', 'I', 42, 0};
    Le32(tiff, 8);
    const std::uint32_t ifd0 = 8, exif = ifd0 + 2 + 2 * 12 + 4, ifd1 = exif + 2 + 2 * 12 + 4;
    const std::uint32_t thumbAt = ifd1 + 2 + 3 * 12 + 4;
    Le16(tiff, 2);
    Entry(tiff, 274, 3, 1);
    Entry(tiff, 34665, 4, exif);
    Le32(tiff, ifd1);
    Le16(tiff, 2);
    Entry(tiff, 40962, 4, w);
    Entry(tiff, 40963, 4, h);
    Le32(tiff, 0);
    Le16(tiff, 3);
    Entry(tiff, 259, 3, 6);
    Entry(tiff, 513, 4, thumbAt);
    Entry(tiff, 514, 4, static_cast<std::uint32_t>(thumbnail.size()));
    Le32(tiff, 0);
    tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());
    Bytes segment = {0xFF, 0xE1};
    const std::size_t length = tiff.size() + 8;
    segment.push_back(static_cast<std::uint8_t>(length >> 8));
    segment.push_back(static_cast<std::uint8_t>(length));
    for (const std::uint8_t c : {std::uint8_t{'E'}, std::uint8_t{'x'}, std::uint8_t{'i'}, std::uint8_t{'f'}})
        segment.push_back(c);
    segment.resize(segment.size() + 2, 0);
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    return segment;
}

// Sets a written file's times an hour back: a settled file.
void DateBack(const QString& path) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

void WriteFile(const QString& path, const Bytes& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
        throw std::runtime_error("cannot write " + path.toStdString());
}

// COUNT distinct small pictures: each a gradient of its own colours.
void WriteSmallPictures(const QString& out, int count) {
    constexpr int kW = 64, kH = 48;
    std::vector<std::uint8_t> row(kW * 3);
    for (int i = 0; i < count; ++i) {
        platform::CMemFile file;
        OSSStream stream(file);
        {
            std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
                Kestrel::CreateCoder(stream, kW, kH, true, 85, false, false, 1, 72, 72));
            for (int y = 0; y < kH; ++y) {
                for (int x = 0; x < kW; ++x) {
                    row[3 * x] = static_cast<std::uint8_t>(i * 37 + x * 3);
                    row[3 * x + 1] = static_cast<std::uint8_t>(i / 7 + y * 4);
                    row[3 * x + 2] = static_cast<std::uint8_t>(i * 11 + x + y);
                }
                coder->WriteLine(row.data());
            }
        }
        const QString path = out + QStringLiteral("/pic_%1.jpg").arg(i, 5, 10, QChar('0'));
        WriteFile(path, file.Detach());
        DateBack(path);
    }
}

int RunFolder(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "plain" && args[2] != "small"))
        throw std::invalid_argument("expected OUT COUNT [plain|small]");
    const int count = IntArgument(args[1]);
    if (count < 1 || count > 100000)
        throw std::invalid_argument("COUNT out of range");
    const QString out = QString::fromStdString(args[0]);
    QDir().mkpath(out);
    if (args.size() == 3 && args[2] == "small") {
        WriteSmallPictures(out, count);
        std::fprintf(stderr, "files=%d\n", count);
        return 0;
    }
    const bool exif = args.size() == 2;
    const Bytes image = EncodeJpeg(4000, 3000, 85, true);
    Bytes file(image.begin(), image.begin() + 2);
    if (exif) {
        const Bytes segment = ExifSegment(4000, 3000, EncodeJpeg(160, 120, 75, false));
        file.insert(file.end(), segment.begin(), segment.end());
    }
    file.insert(file.end(), image.begin() + 2, image.end());
    for (int i = 0; i < count; ++i) {
        const QString path = out + QStringLiteral("/IMG_%1.JPG").arg(i, 4, 10, QChar('0'));
        WriteFile(path, file);
        // Photographs copied from a camera are not being written any more.
        DateBack(path);
    }
    std::fprintf(stderr, "files=%d bytes_each=%zu\n", count, file.size());
    return 0;
}

const RegisterSubcommand regThumbs{"thumbs", "FOLDER [--peers | --beside OTHER]",
                                   "thumbnails of a folder through the builder threads and the disk cache "
                                   "(first 40, all, cached in a new process), with --peers against vipsthumbnail, "
                                   "gm and ffmpegthumbnailer; with --beside, OTHER's built at once beside it "
                                   "(bytes the cache wrote, its size, the longest wait of a drawing for its lock)",
                                   RunThumbs};
const RegisterSubcommand regCached{"thumbs-cached", "FOLDER CACHE_FOLDER",
                                   "the second listing of thumbs, served from its cache (used by thumbs)", RunCached};
const RegisterSubcommand regFolder{
    "thumbs-folder", "OUT COUNT [plain|small]",
    "writes COUNT camera-like 4000 x 3000 JPEG files, with EXIF thumbnails unless plain; "
    "with small, COUNT distinct 64 x 48 JPEG files",
    RunFolder};

}  // namespace
