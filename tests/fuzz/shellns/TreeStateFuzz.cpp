// The saved tree state (an item id list read back from the profile) over
// arbitrary bytes: no crash and no undefined behaviour; a list that is taken
// writes back to the very same bytes, and resolving it never fails loudly.
#include "platform/shellns/IdList.h"
#include "platform/shellns/ShellNamespace.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<platform::shellns::IdList> list = platform::shellns::IdList::FromBytes(bytes);
    if (!list)
        return 0;
    if (list->ToBytes() != bytes || list->ByteSize() != static_cast<std::int64_t>(size))
        std::abort();
    if (!platform::shellns::IsEqualIdList(*list, *list) || platform::shellns::IsParentIdList(*list, *list))
        std::abort();
    if (!list->IsDesktop() && !platform::shellns::IsParentIdList(list->Parent(), *list))
        std::abort();
    // By its records only: nothing on disk is touched.
    if (const auto item = platform::shellns::ResolveIdList(*list);
        item && !item->path.isEmpty() && !item->path.startsWith(u'/'))
        std::abort();
    return 0;
}
