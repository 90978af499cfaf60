// Writes valid inputs for the settings file and update reply fuzz targets:
// <folder>/vps/*.vps and <folder>/update/*.
#include "app/presets/SettingsFile.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: app_fuzz_seeds <folder>\n");
        return 2;
    }
    const QString root = QFile::decodeName(argv[1]);
    const QString vps = root + QStringLiteral("/vps/");
    const QString update = root + QStringLiteral("/update/");
    if (!QDir().mkpath(vps) || !QDir().mkpath(update))
        return 1;

    bool ok = Write(vps + QStringLiteral("default.vps"),
                    presets::EncodeSettingsFile({640, 480, 300.0f, 0, 0, 0, 4, 0, 0, 0}));
    ok &= Write(vps + QStringLiteral("print.vps"),
                presets::EncodeSettingsFile({3508, 4961, 118.11f, 2, 1, 1, 9, 1, 1, 1}));

    const QByteArray reply =
        "<status>1</status><message40>New</message40><message80>Vespera 3.1</message80>"
        "<message250>Long text</message250><updateurl>http://a.example/get</updateurl>"
        "<moreinfourl>http://a.example/news</moreinfourl><nextcheckindays>7</nextcheckindays>";
    ok &= Write(update + QStringLiteral("query-page"), "http://update.orvek.example/checkupdate/query.html\r\n");
    ok &= Write(update + QStringLiteral("reply"), reply);
    ok &= Write(update + QStringLiteral("response-length"),
                "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(reply.size()) + "\r\n\r\n" + reply);
    ok &=
        Write(update + QStringLiteral("response-chunked"),
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n<status>2</status\r\n1;x\r\n>\r\n0\r\n\r\n");
    ok &= Write(update + QStringLiteral("response-close"), "HTTP/1.0 200 OK\r\nServer: test\r\n\r\n" + reply);
    return ok ? 0 : 1;
}
