#pragma once
// The vocabulary of the end-to-end tests: start the real program on the X
// display of the test run (Xvfb), find its windows by caption, wait for a
// condition, take screenshots, send keys, close windows. Every run gets a
// private HOME, XDG folders and TMPDIR. Waits poll with a time-out.
//
// The test process is itself a Qt application on the same display (for the
// screenshots and the close requests); the program is found through the
// VESPERA_PROGRAM environment variable unless the test names another copy.

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

class E2eSession {
public:
    E2eSession();
    ~E2eSession();
    E2eSession(const E2eSession&) = delete;
    E2eSession& operator=(const E2eSession&) = delete;

    // The sandbox's folders.
    QString Root() const { return dir_.path(); }
    QString Home() const { return Root() + QStringLiteral("/home"); }
    QString ConfigHome() const { return Root() + QStringLiteral("/config"); }
    QString DataHome() const { return Root() + QStringLiteral("/data"); }
    QString CacheHome() const { return Root() + QStringLiteral("/cache"); }
    // The program's settings file in the sandbox.
    QString SettingsFile() const;
    // Writes the settings file the program reads when it starts.
    bool WriteSettingsFile(const QByteArray& ini) const;

    // Starts the program with `arguments`; false when it did not start.
    bool Start(const QStringList& arguments = {});
    // Starts `program` (an installed copy of the program) in the sandbox.
    bool StartProgram(const QString& program, const QStringList& arguments);
    bool IsRunning() const;
    // Waits for the program to end; its exit code, or nothing on time-out
    // or a crash.
    std::optional<int> WaitForExit(int timeoutMs = 15000);
    // What the program wrote on standard error so far.
    QString ErrorOutput();

    // Polls `done` every 50 ms until it holds or `timeoutMs` passes.
    static bool WaitFor(const std::function<bool()>& done, int timeoutMs);

    // The id of a visible window whose caption matches the regular
    // expression `caption` (xdotool's search), waiting up to `timeoutMs`;
    // 0 when none appeared.
    unsigned long FindWindow(const QString& caption, int timeoutMs = 15000);
    // The window is gone (or unmapped) within `timeoutMs`.
    bool WaitForWindowGone(const QString& caption, int timeoutMs = 10000);
    QString WindowName(unsigned long window) const;
    // The program's visible windows (menus and tool tips among them).
    QStringList VisibleWindows() const;

    // The window's current contents.
    QImage Screenshot(unsigned long window) const;
    // Focuses the window and types the keys (xdotool key names, e.g.
    // "ctrl+o", "Escape").
    bool SendKeys(unsigned long window, const QString& keys);
    // Each key on its own, as a user types them (a menu may open between).
    bool SendKeysEach(unsigned long window, const QStringList& keys);
    // Batch mode on, then the Browse window opened over the preview, with
    // the menu keys; true when the caption lost the document's name.
    bool OpenBrowseWindow(unsigned long window);
    // How much of the window's current contents is near `colour`.
    double FractionNearIn(unsigned long window, QRgb colour, int tolerance = 40) const;
    // Asks the window to close, as a window manager's close button does.
    bool CloseWindow(unsigned long window);

    // Runs xdotool with `arguments`; its standard output, or nothing when it
    // failed.
    static std::optional<QString> Xdotool(const QStringList& arguments, int timeoutMs = 5000);
    // Sends key after key (xdotool key names) to the focused window.
    static bool PressKeys(const QStringList& keys);
    // Types `text` into the focused window, a character at a time.
    static bool TypeText(const QString& text);
    // The clipboard's text as xclip reads it, trimmed; empty when none.
    static QString ClipboardText();
    // Clicks into the window at `at`, selects all there and copies it: the
    // clipboard's text then, or nothing when none could be read.
    static std::optional<QString> CopyTextAt(unsigned long window, QPoint at);
    // Moves the pointer to `point` of the window and clicks `button` (1 the
    // left, 3 the right one).
    static bool ClickAt(unsigned long window, QPoint point, int button = 1);

    // Runs a tool with `input` on its standard input while this process
    // keeps answering X requests (a clipboard it owns among them); its
    // standard output, or nothing when it failed or did not end in time.
    static std::optional<QByteArray> RunTool(const QString& program, const QStringList& arguments,
                                             const QByteArray& input = {}, int timeoutMs = 10000);
    // The clipboard's data as the MIME type `target`, read by xclip as the
    // desktops read it; nothing when no owner offers it.
    static std::optional<QByteArray> ClipboardAs(const QString& target);

private:
    QTemporaryDir dir_;
    QProcess program_;
    QByteArray errors_;
};

// How much of an image is near `colour` (each channel within `tolerance`),
// as a fraction of its pixels.
double FractionNear(const QImage& image, QRgb colour, int tolerance);
// Writes a picture of one colour; false when it could not be saved.
bool SaveSolidPicture(const QString& path, QRgb colour, QSize size = {240, 180}, const char* format = "PNG",
                      int quality = -1);
// The centre of the pixels near `colour`; nothing when there are none.
std::optional<QPoint> CentreNear(const QImage& image, QRgb colour, int tolerance);
