// The library file reader over arbitrary bytes: no crash and no undefined
// behaviour; what it takes is within the limits, and writing it back and
// reading that gives the same folders.
#include "platform/shellns/ShellLibrary.h"

#include <QDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QStringList> folders = platform::shellns::ParseLibrary(bytes);
    if (!folders)
        return 0;
    if (folders->size() > platform::shellns::kMaxLibraryFolders)
        std::abort();
    for (const QString& folder : *folders) {
        if (!folder.startsWith(u'/') || folder.contains(QChar(0)) || QDir::cleanPath(folder) != folder)
            std::abort();
    }
    if (platform::shellns::ParseLibrary(platform::shellns::SerializeLibrary(*folders)) != folders)
        std::abort();
    return 0;
}
