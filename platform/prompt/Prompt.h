#pragma once
// Message boxes. The program asks through Ask(); what answers is the installed
// Prompt: message boxes owned by the main window in the program, scripted
// answers in tests. A question asked on a worker thread is carried to the UI
// thread, and the worker waits for the answer.

#include <QString>

#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QProgressDialog;
class QWidget;

namespace platform {

// SkipSkipAllCancel: the choice after one item of an operation failed, as
// file managers offer it: skip this item, skip every later failure too, or
// stop. Return skips, Escape stops.
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, SkipSkipAllCancel };
enum class PromptIcon { Information, Warning, Error, Question };
enum class PromptAnswer { Ok, Cancel, Yes, No, Skip, SkipAll };

class Prompt {
public:
    virtual ~Prompt() = default;
    // Called on the UI thread (or on the caller's when there is no application).
    virtual PromptAnswer Ask(PromptIcon icon, PromptButtons buttons, const QString& text) = 0;
};

// The answer given when nobody can be asked: Ok for a plain message, else the
// refusing answer (Cancel, No).
PromptAnswer DefaultAnswer(PromptButtons buttons);

// Asks the installed prompt. Callable from any thread; a worker must not be
// asking while the UI thread waits for that worker.
PromptAnswer Ask(PromptIcon icon, PromptButtons buttons, const QString& text);

// Installs the prompt that answers from now on; nullptr restores the message
// boxes. Returns the previous one.
std::shared_ptr<Prompt> InstallPrompt(std::shared_ptr<Prompt> prompt);

// The window that owns the message boxes (the main window), or nullptr. Set
// on the UI thread.
void SetPromptOwner(QWidget* owner);

// The progress window of a long operation, owned by the prompt owner: it
// appears once the work has taken `showAfterMs`, with a Cancel button. On a
// thread other than the UI thread, or without a QApplication, there is no
// window and the work is never cancelled.
//
// A question asked on the UI thread (Ask) first closes every progress window
// there, so that none shows over the message box or blocks its keys; the
// next Advance opens the window again.
class ProgressWindow {
public:
    ProgressWindow(const QString& text, int total, int showAfterMs = 500);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // `done` of the total are finished and `item` comes next; false when the
    // user cancelled.
    bool Advance(int done, const QString& item);
    // Closes the window until the next Advance, keeping a Cancel given.
    void Close();

private:
    void Open();

    QString text_;
    int total_ = 0;
    int showAfterMs_ = 0;
    bool onUiThread_ = false;
    bool cancelled_ = false;
    bool advancing_ = false;          // inside Advance
    bool closeAfterAdvance_ = false;  // Close came while advancing_
    std::unique_ptr<QProgressDialog> dialog_;
};

// Message boxes (QMessageBox) with the application's title. Without a
// QApplication it gives DefaultAnswer.
class MessageBoxPrompt : public Prompt {
public:
    PromptAnswer Ask(PromptIcon icon, PromptButtons buttons, const QString& text) override;
};

// Answers from a script, for tests: each question takes the next answer (the
// default answer when the script has run out) and is recorded.
class ScriptedPrompt : public Prompt {
public:
    struct Question {
        PromptIcon icon;
        PromptButtons buttons;
        QString text;
        std::thread::id thread;
    };

    explicit ScriptedPrompt(std::vector<PromptAnswer> answers = {});
    PromptAnswer Ask(PromptIcon icon, PromptButtons buttons, const QString& text) override;
    std::vector<Question> Questions() const;

private:
    mutable std::mutex mutex_;
    std::deque<PromptAnswer> answers_;
    std::vector<Question> questions_;
};

}  // namespace platform
