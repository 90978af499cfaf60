#pragma once
// Help > "&Check For Update" and the main frame's answer to the update
// message. The frame keeps an UpdateCommands in its command chain (or calls
// the functions from its handlers), and on the message from
// update::UpdateMessageId() calls ShowUpdateDialog.

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
    UpdateCommands();
};

}  // namespace update
