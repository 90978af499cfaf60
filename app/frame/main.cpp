// ORVEK Vespera 3: the program's entry point.

#include "app/frame/FrameIds.h"
#include "app/frame/QVVesperaApp.h"
#include "app/frame/StartupTimes.h"
#include "core/version/VersionInfo.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/ImageFormatPlugins.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/StringTable.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    platform::IgnoreFileSizeLimitSignal();
    StartupTimes::Begin();
    QApplication application(argc, argv);
    StartupTimes::Mark("qapplication");
    imaging::LoadImageFormatPlugins();
    QCoreApplication::setApplicationName(platform::LoadResString(AFX_IDS_APP_TITLE));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vespera.svg")));
    QGuiApplication::setDesktopFileName(QLatin1String(vespera::kDesktopFileName));
    // The frame is closed by the user; the application object ends the run.
    QApplication::setQuitOnLastWindowClosed(true);

    CQVVesperaApp app;
    // Qt's own list turns the bytes of a name that are not UTF-8 into U+FFFD;
    // these carry every name whole (QApplication has taken its options out).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << platform::FileNameFromLocal(argv[i]);
    if (!app.InitInstance(arguments))
        return app.ExitInstance();
    QApplication::exec();
    return app.ExitInstance();
}
