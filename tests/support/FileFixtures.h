#pragma once
// Small file fixtures and a scripted prompt installed for one test.

#include "platform/prompt/Prompt.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <memory>
#include <vector>

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The names in `folder`, hidden ones included, sorted.
inline QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Answers the prompt from a script while it lives.
class ScriptedAnswers {
public:
    explicit ScriptedAnswers(std::vector<platform::PromptAnswer> answers = {})
        : script_(std::make_shared<platform::ScriptedPrompt>(std::move(answers))),
          previous_(platform::InstallPrompt(script_)) {}
    ~ScriptedAnswers() { platform::InstallPrompt(previous_); }
    ScriptedAnswers(const ScriptedAnswers&) = delete;
    ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;

    std::vector<platform::ScriptedPrompt::Question> Questions() const { return script_->Questions(); }

private:
    std::shared_ptr<platform::ScriptedPrompt> script_;
    std::shared_ptr<platform::Prompt> previous_;
};
