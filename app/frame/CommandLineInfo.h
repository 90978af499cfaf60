#pragma once
// The program's command line.
//
// A parameter that starts with '-' or "--" is a switch; its name is compared
// without regard to letter case. Every other parameter, one starting with '/'
// included, is a file. Switches:
//   Register, Regserver      write the plug-in description file and end
//   Unregister, Unregserver  delete it and end
//   Embedding, Automation    the start of an automation server: there is none
//                            on this system, so such a start ends at once
//   timing                   print the time from start to the first painted
//                            picture, and to each step of the start before
//                            it, on standard error
//   p, pt, dde, nologo and unknown switches are accepted and ignored (nothing
//   is printed from the command line, and there is no DDE).
// The first file becomes the document to open; the files with a supported
// image extension are collected in m_listFiles, in command-line order. Files
// are kept as absolute paths, a relative one joined to the current folder.

#include <QString>
#include <QStringList>

class CMyCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen, AppRegister, AppUnregister, FileNothing };

    // `arguments` without the program's own name.
    void ParseCommandLine(const QStringList& arguments);
    // One parameter: `flag` when it was a switch (its name given without the
    // dashes), `last` for the last one.
    void ParseParam(const QString& param, bool flag, bool last);

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QStringList m_listFiles;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    bool m_bTiming = false;

private:
    void ParseParamFlag(const QString& name);
    void ParseLast(bool last);
};
