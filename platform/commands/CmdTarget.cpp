#include "platform/commands/CmdTarget.h"

#include <utility>

namespace platform {

bool CmdTarget::OnCmdMsg(int id, CCmdUI* ui) { return HandleOwnCommand(id, ui); }

CCmdUI CmdTarget::QueryCommand(int id) {
    CCmdUI ui(id);
    if (!OnCmdMsg(id, &ui))
        ui.enabled = false;
    return ui;
}

void CmdTarget::OnCommand(int id, std::function<void()> handler) {
    table_.push_back({id, id, [h = std::move(handler)](int) { h(); }, nullptr});
}

void CmdTarget::OnCommandRange(int first, int last, Handler handler) {
    table_.push_back({first, last, std::move(handler), nullptr});
}

void CmdTarget::OnUpdate(int id, UpdateHandler handler) { table_.push_back({id, id, nullptr, std::move(handler)}); }

void CmdTarget::OnUpdateRange(int first, int last, UpdateHandler handler) {
    table_.push_back({first, last, nullptr, std::move(handler)});
}

const CmdTarget::Entry* CmdTarget::Find(int id, bool update) const {
    for (const Entry& entry : table_) {
        if (id < entry.first || id > entry.last)
            continue;
        if (update ? static_cast<bool>(entry.update) : static_cast<bool>(entry.run))
            return &entry;
    }
    return nullptr;
}

bool CmdTarget::HandleOwnCommand(int id, CCmdUI* ui) {
    if (ui == nullptr) {
        const Entry* entry = Find(id, false);
        if (entry == nullptr)
            return false;
        entry->run(id);
        return true;
    }
    if (const Entry* entry = Find(id, true)) {
        // An update handler that leaves Enable alone means "enabled".
        ui->enabled = true;
        entry->update(*ui);
        return true;
    }
    if (Find(id, false) != nullptr) {
        ui->Enable(true);
        return true;
    }
    return false;
}

}  // namespace platform
