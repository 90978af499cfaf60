#include "app/update/UpdateCommands.h"

#include "app/update/CUpdateChecker.h"
#include "app/update/CUpdateDlg.h"
#include "app/update/UpdateIds.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/StringTable.h"

#include <QGuiApplication>

#include <utility>

namespace update {

void CheckForUpdateCommand() {
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    CUpdateChecker* checker = CUpdateChecker::Get();
    const bool found = checker->Check(true);
    if (gui)
        QGuiApplication::restoreOverrideCursor();
    if (found)
        return;
    // "No updates found!" only when the server said so.
    if (checker->WasAnswered())
        platform::Ask(platform::PromptIcon::Information, platform::PromptButtons::Ok,
                      platform::LoadResString(IDS_NO_UPDATES_FOUND));
    else
        platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok,
                      platform::LoadResString(IDS_UPDATE_CHECK_FAILED));
}

void ShowUpdateDialog(QWidget* parent) {
    const UpdateReply reply = CUpdateChecker::Get()->Result();
    if (reply.m_nStatus == 0)
        return;
    CUpdateDlg dialog(reply, parent);
    dialog.DoModal();
}

UpdateCommands::UpdateCommands(std::function<QWidget*()> parent) : parent_(std::move(parent)) {
    OnCommand(ID_CHECK_FOR_UPDATE, [] { CheckForUpdateCommand(); });
    OnCommand(UpdateMessageId(), [this] { ShowUpdateDialog(parent_ ? parent_() : nullptr); });
}

}  // namespace update
