#pragma once
// The plug-in description file: a small XML file in the shared folder
// "PLUGINS" under the common data folder, through which a host program of the
// same maker offers this program as a tool for images. The program writes it
// when started with the register switch, deletes it with the unregister
// switch, and never reads it.

#include <QString>

#include <cstdint>

namespace plugin {

// "QVVespera.HH.LL.qvplugin": the high and low word of the file version's most
// significant half, at least two lower-case hexadecimal digits each.
QString PluginFileName(std::uint32_t fileVersionMS);

// The file's text for a program at `programPath`; `text` is the plug-in's
// names, one a line (joined by '|' in the file).
QByteArray PluginDescriptionXml(const QString& programPath, const QString& text);

// The running program's path.
QString ProgramPath();

// The folder of the plug-in files, created when missing; ending with '/'.
// Empty when it cannot be made.
QString PluginFolder();

// Writes (`registerPlugin` true) or deletes the file of this program's
// version. A missing file is no error when deleting. False when the folder or
// the file could not be made or removed; nothing is shown.
bool RegisterPlugin(bool registerPlugin, const QString& programPath = {});

}  // namespace plugin
