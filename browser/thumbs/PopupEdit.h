#pragma once
// CPopupEdit: the small edit box over an item's caption in which the user
// types a file's new name. Enter, or the focus going elsewhere, commits the
// name; Esc closes the box without renaming. Either happens once: the focus
// loss that closing itself causes does nothing more.
//
// The box lives in a frameless tool window of its own (the host), so it may
// overlap the view's edge. It starts with the name without folder and
// extension, all of it selected. The edit and its host delete themselves
// when the box closes; the commit hands the typed name to the browser's
// callback first.
//
// The label-editing flag, when given, is set while the box is open; so long
// every key typed into the box is its own, none is a shortcut of the window
// behind it.

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <functional>

class CPopupEdit : public QLineEdit {
    Q_OBJECT

public:
    // Called with the old full path and the typed name on a commit.
    using CommitFunction = std::function<void(const QString& oldPath, const QString& typedName)>;

    // Opens the box over `screenRect` (global coordinates) for `path`. The
    // host is a tool window of `owner`'s window (null: a window of its own).
    static CPopupEdit* Open(const QString& path, const QRect& screenRect, QWidget* owner, CommitFunction commit,
                            bool* pbEditing = nullptr);

    ~CPopupEdit() override;

    void Commit();
    void Cancel();

    bool IsDone() const { return m_bDone; }
    QWidget* Host() const { return parentWidget(); }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CPopupEdit(QWidget* host, QString path, CommitFunction commit, bool* pbEditing);
    void Close();

    QString m_strOldPath;
    bool* m_pbEditing = nullptr;
    CommitFunction m_commit;
    bool m_bDone = false;
};
