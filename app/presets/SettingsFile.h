#pragma once
// The settings file (".vps"): the ten resize settings a user stores under a
// name. 92 bytes, little-endian, no padding:
//
//   0   52  "ORVEK Vespera 2.0 Settings" in UTF-16LE, no terminator
//   52  4   width (int32)          56  4   height (int32)
//   60  4   resolution in dpi (IEEE single)
//   64  4   resolution units       68  4   size units
//   72  4   size correction        76  4   algorithm
//   80  4   sizes in percent       84  4   print size edited
//   88  4   lock settings          (all int32)
//
// A file is read whole and checked before anything is used: a file of another
// length, another header or an impossible value is refused as a whole.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

#include "core/settings/SettingsLimits.h"

class AppSettings;

namespace presets {

inline constexpr int kSettingsFileSize = 92;
inline constexpr char16_t kSettingsFileHeader[] = u"ORVEK Vespera 2.0 Settings";

// The ten values a settings file holds, in file order.
using SettingsValues = SettingsRecord;

SettingsValues CaptureSettings(const AppSettings& settings);
// Commits all ten values at once.
void ApplySettings(const SettingsValues& values, AppSettings& settings);

// True when every value is one the program can use: indices inside their
// tables, sizes of at least 1 pixel, a finite resolution above 0. Sizes above
// the panel's limit stay: the preset menus make such sizes.
bool IsUsable(const SettingsValues& values);

QByteArray EncodeSettingsFile(const SettingsValues& values);

enum class DecodeError { None, WrongLength, WrongHeader, ImpossibleValue };
// The values of a whole file's bytes, or nothing (with the reason) when the
// file is refused.
std::optional<SettingsValues> DecodeSettingsFile(QByteArrayView bytes, DecodeError* error = nullptr);

// Writes the file through a temporary beside it that replaces the old file
// only when complete. False (with the reason in `error`) when that failed;
// an existing file then stays as it was.
bool WriteSettingsFile(const QString& path, const SettingsValues& values, QString* error = nullptr);

enum class ReadResult { Ok, CannotRead, Refused };
// Reads and checks the whole file; only a file that passes is applied to
// `settings`, all ten values together.
ReadResult ReadSettingsFile(const QString& path, AppSettings& settings, QString* error = nullptr);

}  // namespace presets
