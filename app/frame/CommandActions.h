#pragma once
// One QAction per command id, all bound to one command target (the main
// frame, whose OnCmdMsg routes a command along its chain).
//
// Choosing an action asks the chain for the command's state first and runs it
// only when it is enabled, so a shortcut whose action still shows an older
// state never runs a disabled command. Update() asks the chain's update
// handlers and carries their answer (enabled, check mark, text) into the
// actions; the frame calls it when a menu is about to show and on a short
// idle timer for the toolbar's buttons and the accelerators.

#include "platform/commands/CmdTarget.h"

#include <QObject>

#include <map>
#include <vector>

class QAction;
class QWidget;

class CommandActions : public QObject {
public:
    CommandActions(platform::CmdTarget& target, QWidget* owner);

    // The action of `id`, made on first use with the status-bar prompt and
    // tooltip of the string table under `id` ("prompt\ntooltip").
    QAction* Action(int id);
    QAction* Find(int id) const;
    // Every action made so far, by id.
    const std::map<int, QAction*>& Actions() const { return actions_; }

    // Runs the command when its update says it is enabled. True when it ran.
    bool Trigger(int id);

    // Asks the chain for the state of these actions and applies it.
    void Update(const std::vector<QAction*>& actions);
    void Update(QAction* action);

    // The command id of an action made here, or 0.
    static int IdOf(const QAction* action);

private:
    platform::CmdTarget& target_;
    QWidget* owner_;
    std::map<int, QAction*> actions_;
};

// The prompt and the tooltip of the string table's text for `id`: the part
// before the first line feed, and the part after it (the prompt again when
// there is no line feed).
struct CommandPrompt {
    QString prompt;
    QString tooltip;
};
CommandPrompt LoadCommandPrompt(int id);
