#include "platform/profile/ProfileStore.h"
#include "platform/files/LocalFileName.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <fcntl.h>
#include <locale.h>
#include <stdio.h>
#include <array>
#include <charconv>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/files/RegularFile.h"

namespace platform {

namespace {

QString Key(const QString& section, const QString& key) { return section + u'/' + key; }

}  // namespace

ProfileStore::ProfileStore() : ProfileStore(DefaultFile()) {}

namespace {

// A free name beside `file` for a profile set aside.
QString SetAsideName(const QString& file) {
    for (int n = 1;; ++n) {
        const QString name = file + QStringLiteral(".too-large") + (n > 1 ? QString::number(n) : QString());
        if (KindOfFile(name) == FileKind::Missing && !QFileInfo(name).isSymLink())
            return name;
    }
}

// The profiles set aside in this process, by the name they had.
std::mutex g_setAsideLock;
std::map<QString, QString> g_setAside;

// Moves an oversized profile out of the way, never replacing a file, and
// gives the name it now has (or had earlier in this process); empty when
// there is none.
QString SetAsideIfTooLarge(const QString& file) {
    std::lock_guard lock(g_setAsideLock);
    const QFileInfo info(file);
    if (info.isFile() && info.size() > ProfileStore::kMaxProfileBytes) {
        const QString aside = SetAsideName(file);
        const QByteArray from = platform::LocalFileName(file);
        const QByteArray to = platform::LocalFileName(aside);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
            g_setAside[file] = aside;
            qWarning(
                "settings: %s is larger than %lld bytes; it is set aside as %s, and only the values this "
                "program uses are kept",
                qUtf8Printable(file), static_cast<long long>(ProfileStore::kMaxProfileBytes), qUtf8Printable(aside));
        }
    }
    const auto found = g_setAside.find(file);
    return found != g_setAside.end() ? found->second : QString();
}

}  // namespace

ProfileStore::ProfileStore(const QString& file) : file_(file) {
    if (RefuseSpecialFile(file, "settings"))
        return;
    const QString aside = SetAsideIfTooLarge(file);
    if (!aside.isEmpty())
        setAside_ = std::make_unique<QSettings>(aside, QSettings::IniFormat);
    settings_ = std::make_unique<QSettings>(file, QSettings::IniFormat);
}

QString ProfileStore::DefaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ORVEK/ORVEK Vespera.conf");
}

QVariant ProfileStore::Value(const QString& section, const QString& key) const {
    if (!settings_)
        return memory_.value(Key(section, key));
    QVariant value = settings_->value(Key(section, key));
    // A value not yet written again comes from the file set aside; only what
    // the program writes goes into the new file.
    if (!value.isValid() && setAside_)
        value = setAside_->value(Key(section, key));
    return value;
}

void ProfileStore::SetValue(const QString& section, const QString& key, const QVariant& value) {
    if (settings_)
        settings_->setValue(Key(section, key), value);
    else
        memory_.insert(Key(section, key), value);
}

std::optional<QString> ProfileStore::Text(const QString& section, const QString& key) const {
    const QVariant value = Value(section, key);
    if (!value.isValid())
        return std::nullopt;
    // An unquoted text with commas in a hand-edited file reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    if (!value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

int ProfileStore::GetInt(const QString& section, const QString& key, int defaultValue) const {
    const auto text = Text(section, key);
    if (!text)
        return defaultValue;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

QString ProfileStore::GetString(const QString& section, const QString& key, const QString& defaultValue) const {
    return Text(section, key).value_or(defaultValue);
}

double ProfileStore::GetDouble(const QString& section, const QString& key, double defaultValue) const {
    const auto text = Text(section, key);
    return text ? ParseDoubleC(*text) : defaultValue;
}

std::optional<QByteArray> ProfileStore::GetBinary(const QString& section, const QString& key) const {
    const QVariant value = Value(section, key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

void ProfileStore::WriteInt(const QString& section, const QString& key, int value) {
    SetValue(section, key, QString::number(value));
}

void ProfileStore::WriteString(const QString& section, const QString& key, const QString& value) {
    SetValue(section, key, value);
}

void ProfileStore::WriteDouble(const QString& section, const QString& key, double value) {
    SetValue(section, key, FormatDoubleC(value));
}

void ProfileStore::WriteBinary(const QString& section, const QString& key, const QByteArray& value) {
    SetValue(section, key, value);
}

bool ProfileStore::Sync() {
    if (!settings_)
        return false;  // a refused file is never written
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString FormatDoubleC(double value) {
    // The largest double has 309 integer digits.
    std::array<char, 400> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    if (error != std::errc())
        return QStringLiteral("0.000000");
    return QString::fromLatin1(buffer.data(), end - buffer.data());
}

double ParseDoubleC(const QString& text) {
    // strtod in a C locale of its own: the process locale may use a comma.
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    const QByteArray latin = text.toLatin1();
    return ::strtod_l(latin.constData(), nullptr, cLocale);
}

}  // namespace platform
