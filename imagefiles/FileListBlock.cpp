#include "imagefiles/FileListBlock.h"

#include <limits>

namespace {

void PutUint32(char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

QByteArray BuildFileListHGlobal(const QStringList& files, std::uint32_t tag) {
    const qint64 count = files.size();
    if (count == 0)
        return {};
    const qint64 bytes = 4 + kFileListEntryBytes * count;
    if (bytes > std::numeric_limits<int>::max())
        return {};
    for (const QString& path : files) {
        if (path.size() >= kFileListSlotUnits)
            return {};
    }

    QByteArray block(static_cast<qsizetype>(bytes), '\0');
    char* out = block.data();
    PutUint32(out, static_cast<std::uint32_t>(count));
    out += 4;
    for (const QString& path : files) {
        PutUint32(out, tag);
        char* slot = out + 4;
        for (qsizetype i = 0; i < path.size(); ++i) {
            const char16_t unit = path.at(i).unicode();
            slot[2 * i] = static_cast<char>(unit & 0xFF);
            slot[2 * i + 1] = static_cast<char>(unit >> 8);
        }
        out += kFileListEntryBytes;
    }
    return block;
}
