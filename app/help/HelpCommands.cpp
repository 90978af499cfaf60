#include "app/help/HelpCommands.h"

#include "app/help/CAboutDlg.h"
#include "app/help/HelpIds.h"
#include "app/help/HelpWindow.h"
#include "app/help/WhatsThis.h"
#include "core/version/VersionInfo.h"
#include "platform/resources/CommandIds.h"
#include "platform/shellexec/OpenAddress.h"

#include <utility>

namespace help {

void ShowAboutBox(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.DoModal();
}

void OpenHomePage() { platform::OpenWebAddress(QLatin1String(vespera::kHomePage)); }

HelpCommands::HelpCommands(std::function<QWidget*()> parent) : parent_(std::move(parent)) {
    auto owner = [this] { return parent_ ? parent_() : nullptr; };
    OnCommand(ID_APP_ABOUT, [owner] { ShowAboutBox(owner()); });
    OnCommand(ID_HOME_PAGE, [] { OpenHomePage(); });
    // Every help request of the framework opens the help at its contents.
    for (int id : {ID_HELP, ID_HELP_FINDER, ID_HELP_INDEX, ID_DEFAULT_HELP})
        OnCommand(id, [owner] { ShowHelp(owner()); });
    OnCommand(ID_CONTEXT_HELP, [] { EnterWhatsThisMode(); });
}

}  // namespace help
