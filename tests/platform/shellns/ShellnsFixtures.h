#pragma once
// A mount table of the test's own for the life of the object.

#include "platform/shellns/MountTable.h"

#include <vector>

class FakeMounts {
public:
    explicit FakeMounts(std::vector<platform::shellns::MountEntry> mounts) {
        platform::shellns::SetMountTableSource([mounts] { return mounts; });
    }
    ~FakeMounts() { platform::shellns::SetMountTableSource({}); }
    FakeMounts(const FakeMounts&) = delete;
    FakeMounts& operator=(const FakeMounts&) = delete;
};
