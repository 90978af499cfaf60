#pragma once
// The help window: the program's help pages (HTML written for this program,
// from the "help" folder installed with the program, else the copy built into
// it) with Back, Forward and Contents. One window for the process; asking
// for help again brings it to the front on the page asked for. Links to web
// addresses open in the desktop's browser; nothing else leaves the pages.

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace help {

// The folder of the help pages, as a URL ending with '/'.
QUrl HelpBaseUrl();

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* owner = nullptr);

    // Shows `page` (relative to the help folder; the contents page when
    // empty).
    void ShowPage(const QString& page = {});

    QTextBrowser* Browser() const { return m_browser; }
    QUrl CurrentPage() const;

private:
    void Follow(const QUrl& link);

    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_home = nullptr;
};

// The help window (made on first use, owned by `owner`'s window) showing
// `page`; what F1 and "&Help Topics" open.
HelpWindow* ShowHelp(QWidget* owner, const QString& page = {});

// The help window when one is open, else nullptr.
HelpWindow* OpenHelpWindow();

// The contents page's name.
inline constexpr char kContentsPage[] = "index.html";

}  // namespace help
