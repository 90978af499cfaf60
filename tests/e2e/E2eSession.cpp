#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcessEnvironment>
#include <QScreen>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

bool IsNear(QRgb pixel, QRgb colour, int tolerance) {
    return std::abs(qRed(pixel) - qRed(colour)) <= tolerance && std::abs(qGreen(pixel) - qGreen(colour)) <= tolerance &&
           std::abs(qBlue(pixel) - qBlue(colour)) <= tolerance;
}

}  // namespace

E2eSession::E2eSession() {
    for (const char* sub : {"home", "config", "data", "cache", "runtime", "tmp"})
        QDir().mkpath(dir_.path() + u'/' + QLatin1String(sub));
    QFile::setPermissions(dir_.path() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

E2eSession::~E2eSession() {
    if (program_.state() != QProcess::NotRunning) {
        program_.kill();
        program_.waitForFinished(5000);
    }
}

QString E2eSession::SettingsFile() const { return ConfigHome() + QStringLiteral("/ORVEK/ORVEK Vespera.conf"); }

bool E2eSession::WriteSettingsFile(const QByteArray& ini) const {
    QDir().mkpath(QFileInfo(SettingsFile()).path());
    QFile file(SettingsFile());
    return file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size();
}

bool E2eSession::Start(const QStringList& arguments) {
    return StartProgram(qEnvironmentVariable("VESPERA_PROGRAM"), arguments);
}

bool E2eSession::StartProgram(const QString& program, const QStringList& arguments) {
    if (program.isEmpty())
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), Home());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), ConfigHome());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), DataHome());
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), CacheHome());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), Root() + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("TMPDIR"), Root() + QStringLiteral("/tmp"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program_.setProcessEnvironment(environment);
    program_.setProcessChannelMode(QProcess::SeparateChannels);
    program_.start(program, arguments);
    return program_.waitForStarted(10000);
}

bool E2eSession::IsRunning() const { return program_.state() == QProcess::Running; }

std::optional<int> E2eSession::WaitForExit(int timeoutMs) {
    if (!program_.waitForFinished(timeoutMs))
        return std::nullopt;
    if (program_.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return program_.exitCode();
}

QString E2eSession::ErrorOutput() {
    errors_ += program_.readAllStandardError();
    return QString::fromLocal8Bit(errors_);
}

bool E2eSession::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (done())
            return true;
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(50);
    }
}

std::optional<QString> E2eSession::Xdotool(const QStringList& arguments, int timeoutMs) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForFinished(timeoutMs) || xdotool.exitStatus() != QProcess::NormalExit || xdotool.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(xdotool.readAllStandardOutput()).trimmed();
}

bool E2eSession::ClickAt(unsigned long window, QPoint point, int button) {
    return Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("--window"),
                    QString::number(window), QString::number(point.x()), QString::number(point.y()),
                    QStringLiteral("click"), QString::number(button)})
        .has_value();
}

std::optional<QByteArray> E2eSession::RunTool(const QString& program, const QStringList& arguments,
                                              const QByteArray& input, int timeoutMs) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return std::nullopt;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!WaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

bool E2eSession::PressKeys(const QStringList& keys) {
    return Xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--clearmodifiers")} + keys).has_value();
}

bool E2eSession::TypeText(const QString& text) {
    return Xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text}).has_value();
}

QString E2eSession::ClipboardText() {
    const std::optional<QByteArray> text =
        RunTool(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")}, {}, 5000);
    return text ? QString::fromUtf8(*text).trimmed() : QString();
}

std::optional<QString> E2eSession::CopyTextAt(unsigned long window, QPoint at) {
    const QString id = QString::number(window);
    Xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(at.x()),
             QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
    Xdotool(
        {QStringLiteral("key"), QStringLiteral("--window"), id, QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c")});
    const std::optional<QByteArray> bytes = ClipboardAs(QStringLiteral("UTF8_STRING"));
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(*bytes);
}

std::optional<QByteArray> E2eSession::ClipboardAs(const QString& target) {
    return RunTool(
        QStringLiteral("xclip"),
        {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), target},
        {}, 5000);
}

unsigned long E2eSession::FindWindow(const QString& caption, int timeoutMs) {
    unsigned long found = 0;
    WaitFor(
        [&] {
            const auto out =
                Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), caption});
            if (!out || out->isEmpty())
                return false;
            found = out->split(u'\n').front().toULong();
            return found != 0;
        },
        timeoutMs);
    return found;
}

bool E2eSession::WaitForWindowGone(const QString& caption, int timeoutMs) {
    return WaitFor(
        [&] {
            const auto out =
                Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), caption});
            return !out || out->isEmpty();
        },
        timeoutMs);
}

QStringList E2eSession::VisibleWindows() const {
    const auto out = Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                              QString::number(program_.processId())});
    if (!out || out->isEmpty())
        return {};
    return out->split(u'\n', Qt::SkipEmptyParts);
}

QString E2eSession::WindowName(unsigned long window) const {
    return Xdotool({QStringLiteral("getwindowname"), QString::number(window)}).value_or(QString());
}

QImage E2eSession::Screenshot(unsigned long window) const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    return screen->grabWindow(static_cast<WId>(window)).toImage();
}

bool E2eSession::SendKeys(unsigned long window, const QString& keys) {
    // Without a window manager the focus is given directly; keys then go
    // through the X test extension like a real keyboard's.
    if (!Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)}))
        return false;
    return Xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys}).has_value();
}

bool E2eSession::SendKeysEach(unsigned long window, const QStringList& keys) {
    for (const QString& key : keys)
        if (!SendKeys(window, key))
            return false;
    return true;
}

bool E2eSession::OpenBrowseWindow(unsigned long window) {
    if (!SendKeysEach(window, {QStringLiteral("alt+b"), QStringLiteral("Return")}) ||
        !SendKeysEach(window, {QStringLiteral("alt+b"), QStringLiteral("Down"), QStringLiteral("Return")}))
        return false;
    return WaitFor([&] { return WindowName(window) == QStringLiteral("ORVEK Vespera 3"); }, 10000);
}

double E2eSession::FractionNearIn(unsigned long window, QRgb colour, int tolerance) const {
    return FractionNear(Screenshot(window), colour, tolerance);
}

bool E2eSession::CloseWindow(unsigned long window) {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window);
    event.type = Atom(connection, "WM_PROTOCOLS");
    event.data.data32[0] = Atom(connection, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    return xcb_flush(connection) > 0;
}

double FractionNear(const QImage& image, QRgb colour, int tolerance) {
    if (image.isNull())
        return 0.0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 near = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (IsNear(row[x], colour, tolerance))
                ++near;
        }
    }
    return double(near) / (double(rgb.width()) * rgb.height());
}

std::optional<QPoint> CentreNear(const QImage& image, QRgb colour, int tolerance) {
    if (image.isNull())
        return std::nullopt;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (IsNear(row[x], colour, tolerance)) {
                sumX += x;
                sumY += y;
                ++count;
            }
        }
    }
    if (count == 0)
        return std::nullopt;
    return QPoint(static_cast<int>(sumX / count), static_cast<int>(sumY / count));
}

bool SaveSolidPicture(const QString& path, QRgb colour, QSize size, const char* format, int quality) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, format, quality);
}
