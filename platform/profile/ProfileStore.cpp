#include "platform/profile/ProfileStore.h"

#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <locale.h>
#include <array>
#include <charconv>
#include <cstdlib>
#include <string>

#include "platform/files/RegularFile.h"

namespace platform {

namespace {

QString Key(const QString& section, const QString& key) { return section + u'/' + key; }

}  // namespace

ProfileStore::ProfileStore() : ProfileStore(DefaultFile()) {}

ProfileStore::ProfileStore(const QString& file) : file_(file) {
    if (RefuseSpecialFile(file, "settings"))
        return;
    settings_ = std::make_unique<QSettings>(file, QSettings::IniFormat);
}

QString ProfileStore::DefaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ORVEK/ORVEK Vespera.conf");
}

QVariant ProfileStore::Value(const QString& section, const QString& key) const {
    return settings_ ? settings_->value(Key(section, key)) : memory_.value(Key(section, key));
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
