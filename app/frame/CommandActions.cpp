#include "app/frame/CommandActions.h"

#include "platform/resources/StringTable.h"

#include <QAction>
#include <QWidget>

namespace {
const char* const kIdProperty = "vesperaCommandId";
}

CommandPrompt LoadCommandPrompt(int id) {
    const QString text = platform::LoadResString(id);
    const qsizetype lineFeed = text.indexOf(u'\n');
    if (lineFeed < 0)
        return {text, text};
    return {text.left(lineFeed), text.mid(lineFeed + 1)};
}

CommandActions::CommandActions(platform::CmdTarget& target, QWidget* owner)
    : QObject(owner), target_(target), owner_(owner) {}

QAction* CommandActions::Find(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* CommandActions::Action(int id) {
    if (QAction* existing = Find(id))
        return existing;
    auto* action = new QAction(owner_);
    action->setProperty(kIdProperty, id);
    const CommandPrompt prompt = LoadCommandPrompt(id);
    if (!prompt.prompt.isEmpty())
        action->setStatusTip(prompt.prompt);
    if (!prompt.tooltip.isEmpty())
        action->setToolTip(prompt.tooltip);
    // Toolbar images only; menus show texts as they always have.
    action->setIconVisibleInMenu(false);
    action->setEnabled(false);
    // The check state is the update handler's to set: a click must not
    // toggle it before the command has run.
    QObject::connect(action, &QAction::triggered, this, [this, id, action] {
        if (action->isCheckable())
            action->setChecked(!action->isChecked());
        Trigger(id);
        Update(action);
    });
    actions_.emplace(id, action);
    return action;
}

bool CommandActions::Trigger(int id) {
    const platform::CCmdUI state = target_.QueryCommand(id);
    if (!state.enabled)
        return false;
    return target_.RunCommand(id);
}

void CommandActions::Update(QAction* action) {
    const int id = IdOf(action);
    if (id == 0)
        return;
    const platform::CCmdUI state = target_.QueryCommand(id);
    action->setEnabled(state.enabled);
    if (state.check != 0 && !action->isCheckable())
        action->setCheckable(true);
    if (action->isCheckable())
        action->setChecked(state.check != 0);
    if (state.text)
        action->setText(*state.text);
}

void CommandActions::Update(const std::vector<QAction*>& actions) {
    for (QAction* action : actions)
        Update(action);
}

int CommandActions::IdOf(const QAction* action) {
    return action == nullptr ? 0 : action->property(kIdProperty).toInt();
}
