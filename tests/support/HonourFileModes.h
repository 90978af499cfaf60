#pragma once
// A guard that makes a file's mode bits hold even for root, so tests of
// unreadable or read-only files run (and can fail) as root too.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Root passes every permission check. While this lives, the calling thread
// (and the threads it starts) run without the capabilities that override
// file modes, so a read-only folder is read-only for root as well. Active()
// is false when that could not be arranged and the process is root.
class HonourFileModes {
public:
    HonourFileModes() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, data_) != 0)
            return;
        saved_ = data_[0].effective;
        data_[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header_, data_) == 0;
        dropped_ = active_;
    }
    ~HonourFileModes() {
        if (!dropped_)
            return;
        data_[0].effective = saved_;
        ::syscall(SYS_capset, &header_, data_);
    }
    HonourFileModes(const HonourFileModes&) = delete;
    HonourFileModes& operator=(const HonourFileModes&) = delete;

    bool Active() const { return active_; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct data_[2]{};
    __u32 saved_ = 0;
    bool active_ = false;
    bool dropped_ = false;
};
