// Opening and probing files without blocking: named pipes, devices and
// folders are told from regular files and never read, and a write past the
// file-size limit fails instead of killing the process.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

#include "platform/files/RegularFile.h"
#include "tests/support/FifoFixtures.h"

namespace {

using fifotests::FinishesWithin;
using platform::FileKind;

class RegularFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QFile file(Path("plain"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("0123456789");
        file.close();
        ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder"));
        ASSERT_TRUE(fifotests::MakeFifo(Path("pipe")));
    }
    QString Path(const char* name) const { return m_dir.path() + u'/' + QLatin1String(name); }
    std::string Local(const char* name) const { return QFile::encodeName(Path(name)).toStdString(); }

    QTemporaryDir m_dir;
};

TEST_F(RegularFiles, KindsAreToldWithoutOpening) {
    EXPECT_EQ(platform::KindOfFile(Path("plain")), FileKind::Regular);
    EXPECT_EQ(platform::KindOfFile(Path("folder")), FileKind::Folder);
    EXPECT_EQ(platform::KindOfFile(Path("pipe")), FileKind::Special);
    EXPECT_EQ(platform::KindOfFile(QStringLiteral("/dev/null")), FileKind::Special);
    EXPECT_EQ(platform::KindOfFile(Path("missing")), FileKind::Missing);
    EXPECT_EQ(platform::KindOfFile(QString()), FileKind::Missing);
}

TEST_F(RegularFiles, OnlyRegularFilesAreOpenedAndNothingBlocks) {
    struct Case {
        const char* name;
        bool opens;
        int error;
    };
    const Case cases[] = {
        {"plain", true, 0}, {"pipe", false, EINVAL}, {"folder", false, EINVAL}, {"missing", false, ENOENT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int fd = -2, error = 0;
        ASSERT_TRUE(FinishesWithin({Path("pipe")}, [&] {
            fd = platform::OpenRegularFile(Local(c.name));
            error = errno;
        }));
        EXPECT_EQ(fd >= 0, c.opens);
        if (fd >= 0) {
            // The descriptor handed out blocks like any other.
            EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
            ::close(fd);
        } else {
            EXPECT_EQ(error, c.error);
        }
    }
    int device = 0;
    ASSERT_TRUE(FinishesWithin({}, [&] { device = platform::OpenRegularFile("/dev/zero"); }));
    EXPECT_LT(device, 0);
}

TEST_F(RegularFiles, WholeFilesAndTheirStartsAreReadOnlyFromRegularFiles) {
    std::optional<std::vector<std::uint8_t>> whole, small, pipe, head, pipeHead;
    std::uint64_t size = 0, pipeSize = 0;
    QFile qfile;
    bool qfileOpened = true;
    QString why;
    ASSERT_TRUE(FinishesWithin({Path("pipe")}, [&] {
        whole = platform::ReadRegularFile(Local("plain"), 100);
        small = platform::ReadRegularFile(Local("plain"), 9);
        pipe = platform::ReadRegularFile(Local("pipe"), 100);
        head = platform::ReadRegularFileStart(Local("plain"), 4, size);
        pipeHead = platform::ReadRegularFileStart(Local("pipe"), 4, pipeSize);
        qfileOpened = platform::OpenRegularFile(qfile, Path("pipe"), &why);
    }));
    ASSERT_TRUE(whole);
    EXPECT_EQ(std::string(whole->begin(), whole->end()), "0123456789");
    EXPECT_FALSE(small);
    EXPECT_FALSE(pipe);
    ASSERT_TRUE(head);
    EXPECT_EQ(std::string(head->begin(), head->end()), "0123");
    EXPECT_EQ(size, 10u);
    EXPECT_FALSE(pipeHead);
    EXPECT_FALSE(qfileOpened);
    EXPECT_EQ(why, QStringLiteral("Not a regular file"));
    ASSERT_TRUE(platform::OpenRegularFile(qfile, Path("plain")));
    EXPECT_EQ(qfile.readAll(), QByteArray("0123456789"));
}

TEST_F(RegularFiles, ASpecialFileIsRefusedAndReportedOnce) {
    fifotests::LogCapture log;
    EXPECT_TRUE(platform::RefuseSpecialFile(Path("pipe"), "settings"));
    EXPECT_TRUE(platform::RefuseSpecialFile(Path("pipe"), "settings"));
    EXPECT_FALSE(platform::RefuseSpecialFile(Path("plain"), "settings"));
    EXPECT_FALSE(platform::RefuseSpecialFile(Path("missing"), "settings"));
    EXPECT_EQ(log.Lines(), QStringList{QStringLiteral("settings: ") + Path("pipe") +
                                       QStringLiteral(" is not a regular file; it is left alone")});
    EXPECT_TRUE(fifotests::IsFifo(Path("pipe")));
}

// In a child process: with the signal ignored, a write past RLIMIT_FSIZE
// fails with EFBIG and the process lives on to say so.
TEST_F(RegularFiles, AWritePastTheFileSizeLimitFailsInsteadOfKilling) {
    const std::string path = Local("limited");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        platform::IgnoreFileSizeLimitSignal();
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(3);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const std::vector<char> bytes(8192, 'x');
        ssize_t put = ::write(fd, bytes.data(), bytes.size());  // the first 4096 bytes fit
        if (put >= 0)
            put = ::write(fd, bytes.data(), bytes.size());
        ::_exit(put < 0 && errno == EFBIG ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
