#pragma once
// Help > "&Check For Update" and the main frame's answer to the update
// message. The frame keeps an UpdateCommands in its command chain and routes
// the posted message (update::UpdateMessageId()) along it, or calls the
// functions from its own handlers.

#include "platform/commands/CmdTarget.h"

#include <functional>

class QWidget;

namespace update {

// Checks now (waiting for a background check that runs); "No updates found!"
// when no update is reported. The dialog itself comes through the message.
void CheckForUpdateCommand();

// CUpdateDlg, modal over `parent`, when the last reply reports an update.
void ShowUpdateDialog(QWidget* parent);

class UpdateCommands : public platform::CmdTarget {
public:
    // `parent` gives the owner of the update dialog (the main window).
    explicit UpdateCommands(std::function<QWidget*()> parent);

private:
    std::function<QWidget*()> parent_;
};

}  // namespace update
