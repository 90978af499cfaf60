#pragma once
// Small file fixtures and a scripted prompt installed for one test.

#include "platform/prompt/Prompt.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <unistd.h>
#include <memory>
#include <vector>

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Writes `bytes` to the file named by the bytes `folder/name`, which need not
// be UTF-8 (Qt's file classes could not name such a file).
inline bool WriteFileByBytes(const QString& folder, const QByteArray& name, const QByteArray& bytes) {
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    std::FILE* file = std::fopen(path.constData(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), file) ==
                         static_cast<std::size_t>(bytes.size());
    return std::fclose(file) == 0 && written;
}

// Links the file `from` under the name made of the bytes `folder/name`, which
// need not be UTF-8: a second name of the very same bytes and time.
inline bool LinkByBytes(const QString& from, const QString& folder, const QByteArray& name) {
    return ::link(QFile::encodeName(from).constData(), (QFile::encodeName(folder) + '/' + name).constData()) == 0;
}

// The content of the file named by the bytes `path`, which need not be UTF-8;
// "<missing>" when it cannot be read.
inline QByteArray ReadFileByBytes(const QByteArray& path) {
    std::FILE* file = std::fopen(path.constData(), "rb");
    if (file == nullptr)
        return "<missing>";
    QByteArray bytes;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
        bytes.append(block, static_cast<qsizetype>(got));
    std::fclose(file);
    return bytes;
}

// Removes the file or the folder with all it holds named by the bytes `path`:
// Qt's removal of a temporary folder cannot reach a name that is not UTF-8.
inline void RemoveByBytes(const QByteArray& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path.toStdString()), ignored);
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
