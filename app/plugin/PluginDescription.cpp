#include "app/plugin/PluginDescription.h"

#include "core/version/VersionInfo.h"
#include "platform/files/RegularFile.h"
#include "platform/paths/Paths.h"
#include "platform/resources/StringTable.h"
#include "res/StringIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

namespace plugin {

namespace {

// The icon resource of the program, as the host program names it.
constexpr int kIconResource = 128;
// The plug-in's names, one a line, "ORVEK Vespera\nVespera\n&Vespera", are
// the string IDS_PLUGIN_TEXT.

}  // namespace

QString PluginFileName(std::uint32_t fileVersionMS) {
    return QString::asprintf("QVVespera.%02x.%02x.qvplugin", static_cast<unsigned>(fileVersionMS >> 16),
                             static_cast<unsigned>(fileVersionMS & 0xFFFF));
}

QByteArray PluginDescriptionXml(const QString& programPath, const QString& text) {
    const QString icon = programPath + u',' + QString::number(kIconResource);
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);  // one tab a level
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("qvplugin"));

    xml.writeEmptyElement(QStringLiteral("general"));
    xml.writeAttribute(QStringLiteral("path"), programPath);
    xml.writeAttribute(QStringLiteral("icon"), icon);
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("exe"));
    xml.writeAttribute(QStringLiteral("call"), QStringLiteral("cmdline"));

    xml.writeStartElement(QStringLiteral("plugins"));
    xml.writeStartElement(QStringLiteral("plugin"));
    xml.writeEmptyElement(QStringLiteral("interface"));
    xml.writeAttribute(QStringLiteral("icon"), icon);
    xml.writeAttribute(QStringLiteral("text"), QString(text).replace(u'\n', u'|'));
    xml.writeAttribute(QStringLiteral("group"), QStringLiteral("3"));
    xml.writeEmptyElement(QStringLiteral("special"));
    xml.writeAttribute(QStringLiteral("mode"), QStringLiteral("browse"));
    xml.writeAttribute(QStringLiteral("files-type"), QStringLiteral("image"));
    xml.writeAttribute(QStringLiteral("files-count-min"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("files-count-max"), QStringLiteral("-1"));
    xml.writeEndElement();  // plugin
    xml.writeEndElement();  // plugins

    xml.writeEndElement();  // qvplugin
    xml.writeEndDocument();
    return out;
}

QString ProgramPath() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString PluginFolder() {
    const QString common = platform::CommonDataFolder();
    if (common.isEmpty())
        return {};
    const QString folder = common + QStringLiteral("PLUGINS/");
    return QDir().mkpath(folder) ? folder : QString();
}

bool RegisterPlugin(bool registerPlugin, const QString& programPath) {
    const QString folder = PluginFolder();
    if (folder.isEmpty())
        return false;
    const QString path = programPath.isEmpty() ? ProgramPath() : programPath;
    const QString file = folder + PluginFileName(vespera::kFileVersionMS);
    if (platform::RefuseSpecialFile(file, "plug-in file"))
        return false;
    if (!registerPlugin)
        return !QFileInfo::exists(file) || QFile::remove(file);

    QSaveFile out(file);
    const QByteArray xml = PluginDescriptionXml(path, platform::LoadResString(IDS_PLUGIN_TEXT));
    return out.open(QIODevice::WriteOnly) && out.write(xml) == xml.size() && out.commit();
}

}  // namespace plugin
