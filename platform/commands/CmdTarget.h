#pragma once
// Command routing: every object that handles command ids (the application,
// the frame, the document, views, bars, dialogs) is a CmdTarget with a table
// of handlers, and offers what it does not handle itself to the next target
// of its chain by overriding OnCmdMsg.
//
// A command is asked twice: before its menu item or button is shown, with a
// CCmdUI that the update handler fills in (enabled, checked, text); and when
// the user chooses it, with no CCmdUI, to run it. A command that some target
// runs but none updates is enabled; a command nobody runs is disabled.

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

// The state of one command's user-interface elements, as the update handlers
// leave it.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}
    virtual ~CCmdUI() = default;

    virtual void Enable(bool on = true) {
        enabled = on;
        m_bEnableChanged = true;
    }
    virtual void SetCheck(int state = 1) { check = state; }
    virtual void SetRadio(bool on = true) { check = on ? 1 : 0; }
    virtual void SetText(const QString& newText) { text = newText; }

    int m_nID;
    bool m_bEnableChanged = false;
    bool enabled = false;
    int check = 0;  // 0 unchecked, 1 checked, 2 indeterminate
    std::optional<QString> text;
};

class CmdTarget {
public:
    virtual ~CmdTarget() = default;

    // ui null: runs the command; ui set: lets the update handler fill it in.
    // True when this target handled it.
    virtual bool OnCmdMsg(int id, CCmdUI* ui);

    // Asks this target (and its chain) for the state of a command.
    CCmdUI QueryCommand(int id);
    // Runs a command through this target's chain; false when nobody ran it.
    bool RunCommand(int id) { return OnCmdMsg(id, nullptr); }

protected:
    using Handler = std::function<void(int id)>;
    using UpdateHandler = std::function<void(CCmdUI& ui)>;

    // The table. A later entry for the same id comes after an earlier one.
    void OnCommand(int id, std::function<void()> handler);
    void OnCommandRange(int first, int last, Handler handler);
    void OnUpdate(int id, UpdateHandler handler);
    void OnUpdateRange(int first, int last, UpdateHandler handler);

    // The handlers of this target's own table only.
    bool HandleOwnCommand(int id, CCmdUI* ui);

private:
    struct Entry {
        int first;
        int last;
        Handler run;
        UpdateHandler update;
    };
    const Entry* Find(int id, bool update) const;

    std::vector<Entry> table_;
};

}  // namespace platform
