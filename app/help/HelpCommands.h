#pragma once
// The Help menu's informational commands: "&About..." (the About box), "ORVEK
// Home Page" (the maker's page in the desktop's browser), "&Help Topics\tF1"
// and the framework's other help requests (the help window on its contents
// page), and context help (What's This mode).
//
// The main frame keeps a HelpCommands in its command chain, or calls the
// functions from its own handlers.

#include "platform/commands/CmdTarget.h"

#include <functional>

class QWidget;

namespace help {

void ShowAboutBox(QWidget* parent);
// Opens the maker's home page; nothing is reported when that fails.
void OpenHomePage();

class HelpCommands : public platform::CmdTarget {
public:
    // `parent` gives the owner of the About box and the help window.
    explicit HelpCommands(std::function<QWidget*()> parent);

private:
    std::function<QWidget*()> parent_;
};

}  // namespace help
