// Decoding where no thread can start, as under a process limit on threads:
// the helper that has a large picture's pages provided on a second thread
// cannot run, and the picture decodes without it.
#include <gtest/gtest.h>

#include <errno.h>
#include <linux/filter.h>
#include <linux/sched.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <system_error>
#include <thread>

#include "ImagingFixtures.h"
#include "platform/imaging/Bitmap.h"

#if defined(__SANITIZE_ADDRESS__)
#define VESPERA_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESPERA_LEAK_CHECK 1
#endif
#endif
#ifdef VESPERA_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

using imaging::Bitmap;

namespace {

// From now on in this process, starting a thread fails with EAGAIN, as it
// does at the process limit: clone3, and clone of a thread. Other clones
// (the leak checker's own tracer) go through.
bool ForbidNewThreads() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clone3, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EAGAIN),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clone, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, CLONE_THREAD, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EAGAIN),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0) == 0;
}

enum ChildOutcome { kDecoded = 0, kNoSeam = 10, kThreadStarted, kEscaped, kRefused, kLeaked };

int DecodeWithoutThreads(const Bytes& jpeg) {
    if (!ForbidNewThreads())
        return kNoSeam;
    try {
        std::thread([] {}).join();
        return kThreadStarted;
    } catch (const std::system_error&) {
    }
    try {
        for (int i = 0; i < 3; ++i) {
            const auto bitmap = Bitmap::FromMemory(jpeg);
            if (bitmap == nullptr || bitmap->Width() != 2400 || bitmap->Height() != 1800)
                return kRefused;
        }
    } catch (...) {
        return kEscaped;
    }
#ifdef VESPERA_LEAK_CHECK
    if (__lsan_do_recoverable_leak_check() != 0)
        return kLeaked;
#endif
    return kDecoded;
}

TEST(BitmapThreadLimit, ALargeJpegDecodesWhenNoThreadCanStart) {
    JpegOptions options;
    options.width = 2400;
    options.height = 1800;  // 17 MB of pixels: large enough for the page helper
    const Bytes jpeg = LibjpegEncode(options);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        ::_exit(DecodeWithoutThreads(jpeg));
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), kDecoded);
}

}  // namespace
