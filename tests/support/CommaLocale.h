#pragma once
// Switches the C library's numeric locale and Qt's default locale to German
// (decimal comma) for the life of the object. The German locale is compiled
// with localedef into a private folder when the system has none installed.

#include <QLocale>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

class CommaLocale {
public:
    CommaLocale() {
        saved_ = std::setlocale(LC_NUMERIC, nullptr);
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && folder_.isValid()) {
            const std::string dir = folder_.path().toStdString();
            const std::string command = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
            if (std::system(command.c_str()) == 0) {
                ::setenv("LOCPATH", dir.c_str(), 1);
                std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
            }
        }
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, saved_.c_str());
        ::unsetenv("LOCPATH");
        QLocale::setDefault(QLocale::c());
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // The C library now writes a decimal comma.
    static bool Active() {
        char text[32];
        std::snprintf(text, sizeof text, "%f", 1.5);
        return std::string(text) == "1,500000";
    }

private:
    std::string saved_;
    QTemporaryDir folder_;
};
