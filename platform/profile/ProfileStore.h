#pragma once
// The per-user profile (the system's registry settings under "ORVEK"): one
// INI group per section, keys spelt exactly. Integers and texts are stored as
// text; doubles as "%f" text in the C locale whatever the user's locale;
// binary values as byte arrays.
//
// A store is not shared between threads: each thread that needs the profile
// makes its own ProfileStore (they may name the same file).
//
// What lies at the profile's name is not trusted. A named pipe or a device
// there would block the start, so it is left alone: the store keeps its
// values in memory and never writes. A file far larger than this program ever
// writes (kMaxProfileBytes), bloated with keys it does not know, would make
// every exit slow, since every key read is written back: it is set aside
// whole under a new name, its values are still read from there for the rest
// of the run, and a new file takes only what the program writes. Both are
// reported once on the log.

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

class ProfileStore {
public:
    // Far more than the program's own keys take (a few kilobytes).
    static constexpr std::int64_t kMaxProfileBytes = 1 << 20;

    // The program's profile: $XDG_CONFIG_HOME/ORVEK/ORVEK Vespera.conf.
    ProfileStore();
    // A profile in another file (tests, tools).
    explicit ProfileStore(const QString& file);

    static QString DefaultFile();

    // An absent value, or one that does not read as the type, gives the default.
    int GetInt(const QString& section, const QString& key, int defaultValue) const;
    QString GetString(const QString& section, const QString& key, const QString& defaultValue) const;
    // A stored text that does not begin with a number reads as 0, like the C
    // runtime's atof.
    double GetDouble(const QString& section, const QString& key, double defaultValue) const;
    std::optional<QByteArray> GetBinary(const QString& section, const QString& key) const;

    void WriteInt(const QString& section, const QString& key, int value);
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteDouble(const QString& section, const QString& key, double value);
    void WriteBinary(const QString& section, const QString& key, const QByteArray& value);

    // Writes pending changes to the file; false when that failed.
    bool Sync();

    QString FileName() const { return file_; }

private:
    std::optional<QString> Text(const QString& section, const QString& key) const;
    QVariant Value(const QString& section, const QString& key) const;
    void SetValue(const QString& section, const QString& key, const QVariant& value);

    QString file_;
    // Null when the file is refused; the values then live in memory_.
    mutable std::unique_ptr<QSettings> settings_;
    // The oversized file set aside in this run, read only.
    mutable std::unique_ptr<QSettings> setAside_;
    QVariantMap memory_;
};

// "%f" in the C locale: six decimals, '.' as decimal point.
QString FormatDoubleC(double value);
// The C runtime's atof in the C locale: leading blanks, then the longest
// number prefix; 0 when the text does not begin with a number.
double ParseDoubleC(const QString& text);

}  // namespace platform
