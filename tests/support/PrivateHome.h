#pragma once
// Points HOME and the XDG folders at a fresh temporary folder for the life of
// the object, so that a test never reads or writes the user's own settings,
// trash or pictures; the previous values come back afterwards.

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <QFile>

#include <array>
#include <optional>
#include <utility>
#include <vector>

class PrivateHome {
public:
    PrivateHome() {
        for (const auto& [name, sub] : kVariables) {
            saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
            const QString folder = dir_.path() + u'/' + QLatin1String(sub);
            QDir().mkpath(folder);
            qputenv(name, QFile::encodeName(folder));
        }
    }
    ~PrivateHome() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                qputenv(name, *value);
            } else {
                qunsetenv(name);
            }
        }
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    QString Path() const { return dir_.path(); }
    QString Home() const { return dir_.path() + QStringLiteral("/home"); }
    QString DataHome() const { return dir_.path() + QStringLiteral("/data"); }
    QString ConfigHome() const { return dir_.path() + QStringLiteral("/config"); }
    QString CacheHome() const { return dir_.path() + QStringLiteral("/cache"); }

private:
    static constexpr std::array<std::pair<const char*, const char*>, 4> kVariables = {{
        {"HOME", "home"},
        {"XDG_CONFIG_HOME", "config"},
        {"XDG_DATA_HOME", "data"},
        {"XDG_CACHE_HOME", "cache"},
    }};
    QTemporaryDir dir_;
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};
