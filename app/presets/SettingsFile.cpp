#include "app/presets/SettingsFile.h"

#include "core/settings/AppSettings.h"
#include "platform/files/RegularFile.h"

#include <QFile>
#include <QSaveFile>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace presets {

namespace {

constexpr int kHeaderChars = static_cast<int>(std::size(kSettingsFileHeader)) - 1;
constexpr int kHeaderBytes = 2 * kHeaderChars;
static_assert(kHeaderBytes + 10 * 4 == kSettingsFileSize);

void PutU32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(QByteArrayView in, qsizetype at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(in[at + i])) << (8 * i);
    return v;
}

void PutInt(QByteArray& out, int v) { PutU32(out, static_cast<std::uint32_t>(v)); }
int GetInt(QByteArrayView in, qsizetype at) { return static_cast<int>(GetU32(in, at)); }

}  // namespace

SettingsValues CaptureSettings(const AppSettings& s) {
    return {s.m_nWidth,       s.m_nHeight,       s.m_fDpi,        s.m_nResUnits,   s.m_nSizeUnits,
            s.m_nCorrectProp, s.m_nInterpolMode, s.m_nInPercents, s.m_nEditPrints, s.m_nLockSettings};
}

void ApplySettings(const SettingsValues& v, AppSettings& s) {
    s.m_nWidth = v.width;
    s.m_nHeight = v.height;
    s.m_fDpi = v.dpi;
    s.m_nResUnits = v.resUnits;
    s.m_nSizeUnits = v.sizeUnits;
    s.m_nCorrectProp = v.correctProp;
    s.m_nInterpolMode = v.interpolMode;
    s.m_nInPercents = v.inPercents;
    s.m_nEditPrints = v.editPrints;
    s.m_nLockSettings = v.lockSettings;
}

bool IsUsable(const SettingsValues& v) { return IsValidSettingsRecord(v, SideLimit::Unbounded); }

QByteArray EncodeSettingsFile(const SettingsValues& v) {
    QByteArray out;
    out.reserve(kSettingsFileSize);
    for (int i = 0; i < kHeaderChars; ++i) {
        const auto unit = static_cast<std::uint16_t>(kSettingsFileHeader[i]);
        out.append(static_cast<char>(unit & 0xFF));
        out.append(static_cast<char>(unit >> 8));
    }
    PutInt(out, v.width);
    PutInt(out, v.height);
    PutU32(out, std::bit_cast<std::uint32_t>(v.dpi));
    for (int field :
         {v.resUnits, v.sizeUnits, v.correctProp, v.interpolMode, v.inPercents, v.editPrints, v.lockSettings})
        PutInt(out, field);
    return out;
}

std::optional<SettingsValues> DecodeSettingsFile(QByteArrayView bytes, DecodeError* error) {
    auto refuse = [error](DecodeError why) -> std::optional<SettingsValues> {
        if (error != nullptr)
            *error = why;
        return std::nullopt;
    };
    if (bytes.size() != kSettingsFileSize)
        return refuse(DecodeError::WrongLength);
    for (int i = 0; i < kHeaderChars; ++i) {
        const auto unit = static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                                     (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
        if (unit != static_cast<std::uint16_t>(kSettingsFileHeader[i]))
            return refuse(DecodeError::WrongHeader);
    }
    qsizetype at = kHeaderBytes;
    auto next = [&] {
        const int v = GetInt(bytes, at);
        at += 4;
        return v;
    };
    SettingsValues v;
    v.width = next();
    v.height = next();
    v.dpi = std::bit_cast<float>(static_cast<std::uint32_t>(next()));
    v.resUnits = next();
    v.sizeUnits = next();
    v.correctProp = next();
    v.interpolMode = next();
    v.inPercents = next();
    v.editPrints = next();
    v.lockSettings = next();
    if (!IsUsable(v))
        return refuse(DecodeError::ImpossibleValue);
    if (error != nullptr)
        *error = DecodeError::None;
    return v;
}

bool WriteSettingsFile(const QString& path, const SettingsValues& values, QString* error) {
    QSaveFile file(path);
    const QByteArray bytes = EncodeSettingsFile(values);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}

ReadResult ReadSettingsFile(const QString& path, AppSettings& settings, QString* error) {
    // A named pipe or a device is never opened: it could block for ever.
    QFile file;
    if (platform::RefuseSpecialFile(path, "settings file") || !platform::OpenRegularFile(file, path, error)) {
        if (error != nullptr && error->isEmpty())
            *error = QStringLiteral("Not a regular file");
        return ReadResult::CannotRead;
    }
    // One byte more than a settings file holds tells a long file from a whole one.
    const QByteArray bytes = file.read(kSettingsFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error != nullptr)
            *error = file.errorString();
        return ReadResult::CannotRead;
    }
    const std::optional<SettingsValues> values = DecodeSettingsFile(bytes);
    if (!values)
        return ReadResult::Refused;
    ApplySettings(*values, settings);
    return ReadResult::Ok;
}

}  // namespace presets
