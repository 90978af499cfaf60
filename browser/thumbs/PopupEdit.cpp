#include "browser/thumbs/PopupEdit.h"

#include "imagefiles/PathHelpers.h"
#include "platform/paths/Paths.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>

namespace {

constexpr int kFontPoints = 8;

}  // namespace

CPopupEdit* CPopupEdit::Open(const QString& path, const QRect& screenRect, QWidget* owner, CommitFunction commit,
                             bool* pbEditing) {
    auto* host = new QWidget(owner != nullptr ? owner->window() : nullptr, Qt::Tool | Qt::FramelessWindowHint);
    host->setAttribute(Qt::WA_DeleteOnClose);
    host->setWindowTitle(QStringLiteral("Popup"));
    host->setGeometry(screenRect);
    auto* layout = new QHBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* edit = new CPopupEdit(host, path, std::move(commit), pbEditing);
    layout->addWidget(edit);
    edit->setText(platform::SplitPath(path).name);
    edit->selectAll();
    host->show();
    host->activateWindow();
    host->raise();
    edit->setFocus(Qt::OtherFocusReason);
    return edit;
}

CPopupEdit::CPopupEdit(QWidget* host, QString path, CommitFunction commit, bool* pbEditing)
    : QLineEdit(host), m_strOldPath(std::move(path)), m_pbEditing(pbEditing), m_commit(std::move(commit)) {
    setAlignment(Qt::AlignCenter);
    setFrame(true);
    QFont small(GetDefaultGuiFontFace());
    small.setPointSize(kFontPoints);
    setFont(small);
    if (m_pbEditing != nullptr)
        *m_pbEditing = true;
}

CPopupEdit::~CPopupEdit() {
    if (m_pbEditing != nullptr)
        *m_pbEditing = false;
}

void CPopupEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_bDone)
            Commit();
        return;
    case Qt::Key_Escape:
        if (!m_bDone)
            Cancel();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

bool CPopupEdit::event(QEvent* event) {
    // While the box is open the keys typed into it are its own: the
    // accelerators of the window behind it (Enter, Delete, Ctrl+C...) must
    // not take them. Alt combinations stay the menus'.
    if (event->type() == QEvent::ShortcutOverride && !(static_cast<QKeyEvent*>(event)->modifiers() & Qt::AltModifier)) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void CPopupEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The box's own context menu takes the focus for a moment.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    if (!m_bDone)
        Commit();
}

void CPopupEdit::Cancel() {
    m_bDone = true;
    Close();
}

void CPopupEdit::Commit() {
    m_bDone = true;
    // The callback may show messages, which take the focus: done is set first.
    if (m_commit)
        m_commit(m_strOldPath, text());
    Close();
}

void CPopupEdit::Close() {
    // The host deletes the edit with itself once control is back in the
    // event loop.
    if (QWidget* host = parentWidget()) {
        host->hide();
        host->deleteLater();
    }
}
