#pragma once
// A widget application for the frame's tests, made once per test process,
// and a started application object on a private home.

#include "app/frame/MainFrame.h"
#include "app/frame/QVVesperaApp.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/PrivateHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

inline void EnsureApplication() {
    if (QApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "vespera-tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// The profile file of the private home.
inline QString ProfilePath(const PrivateHome& home) {
    return home.ConfigHome() + QStringLiteral("/ORVEK/ORVEK Vespera.conf");
}

inline void WriteProfileText(const PrivateHome& home, const QByteArray& text) {
    QDir().mkpath(home.ConfigHome() + QStringLiteral("/ORVEK"));
    WriteFile(ProfilePath(home), text);
}

// An application object whose main window is shown at a fixed size instead
// of maximised.
inline std::unique_ptr<CQVVesperaApp> MakeApp(QSize size = QSize(1000, 800)) {
    EnsureApplication();
    auto app = std::make_unique<CQVVesperaApp>();
    app->m_showMainWindow = [size](CMainFrame& frame) {
        frame.resize(size);
        frame.show();
    };
    return app;
}

// Polls `done` while the event loop runs, for up to `timeoutMs`.
template <typename Predicate>
bool WaitUntil(Predicate done, int timeoutMs = 60000) {
    return QTest::qWaitFor(done, timeoutMs);
}

// Opens a flat picture of `size`, saved in the home as open.png, in the
// started application, and brings its main window to the front.
inline ::testing::AssertionResult OpenFlatPicture(CQVVesperaApp& app, const PrivateHome& home, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString picture = home.Path() + QStringLiteral("/open.png");
    if (!image.save(picture) || !app.OpenImage(picture))
        return ::testing::AssertionFailure() << "cannot open " << picture.toStdString();
    app.m_pMainWnd->activateWindow();
    if (!QTest::qWaitForWindowActive(app.m_pMainWnd))
        return ::testing::AssertionFailure() << "the main window is not active";
    return ::testing::AssertionSuccess();
}

// Lets the frame lay itself out and deliver what was posted.
inline void Settle() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}
