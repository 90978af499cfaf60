#pragma once
// Has the kernel provide the pages of a new buffer on a second thread while
// the caller does other work (decodes the first rows into it, reads another
// file), so that providing them no longer adds to that work.

#include <cstddef>
#include <cstdint>
#include <thread>

namespace imaging {

// Faults the pages of [data, data + size) in for writing, without changing
// what they hold; the thread is joined by the destructor. The memory must
// outlive the object. Throws std::system_error when no thread can be started.
class PagePrefault {
public:
    PagePrefault(std::uint8_t* data, std::size_t size);
    ~PagePrefault();
    PagePrefault(const PagePrefault&) = delete;
    PagePrefault& operator=(const PagePrefault&) = delete;

private:
    std::thread thread_;
};

}  // namespace imaging
