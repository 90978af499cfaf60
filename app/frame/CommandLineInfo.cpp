#include "app/frame/CommandLineInfo.h"

#include "imagefiles/ImageFileNames.h"
#include "platform/files/LocalFileName.h"

namespace {

bool Is(const QString& name, const char* switchName) {
    return name.compare(QLatin1String(switchName), Qt::CaseInsensitive) == 0;
}

// The switch name of a parameter, or a null string when it is no switch.
QString SwitchName(const QString& param) {
    if (param.startsWith(QStringLiteral("--")))
        return param.mid(2);
    if (param.startsWith(u'-') && param.size() > 1)
        return param.mid(1);
    return {};
}

}  // namespace

void CMyCommandLineInfo::ParseCommandLine(const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString name = SwitchName(arguments[i]);
        const bool flag = !name.isNull();
        ParseParam(flag ? name : arguments[i], flag, i + 1 == arguments.size());
    }
}

void CMyCommandLineInfo::ParseParam(const QString& param, bool flag, bool last) {
    if (flag) {
        ParseParamFlag(param);
        ParseLast(last);
        return;
    }
    // A file is named by where it is, not by where the program was started:
    // a basket saved from it, the log and the recent files name it rightly
    // whatever the current folder is later.
    const QString file = platform::AbsoluteFileName(param);
    if (IsSupportedImageExtension(file))
        m_listFiles.append(file);
    if (m_strFileName.isEmpty())
        m_strFileName = file;
    ParseLast(last);
}

void CMyCommandLineInfo::ParseParamFlag(const QString& name) {
    if (Is(name, "Register") || Is(name, "Regserver")) {
        m_nShellCommand = AppRegister;
    } else if (Is(name, "Unregister") || Is(name, "Unregserver")) {
        m_nShellCommand = AppUnregister;
    } else if (Is(name, "Embedding")) {
        m_bRunEmbedded = true;
    } else if (Is(name, "Automation")) {
        m_bRunAutomated = true;
    } else if (Is(name, "timing")) {
        m_bTiming = true;
    }
}

void CMyCommandLineInfo::ParseLast(bool last) {
    if (last && m_nShellCommand == FileNew && !m_strFileName.isEmpty())
        m_nShellCommand = FileOpen;
}
