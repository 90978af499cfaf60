#include "platform/prompt/Prompt.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/files/LocalFileName.h"

namespace {

using platform::PromptAnswer;
using platform::PromptButtons;
using platform::PromptIcon;

// Installs a prompt for one test and restores the previous one.
class InstalledPrompt {
public:
    explicit InstalledPrompt(std::shared_ptr<platform::Prompt> prompt)
        : previous_(platform::InstallPrompt(std::move(prompt))) {}
    ~InstalledPrompt() { platform::InstallPrompt(previous_); }

private:
    std::shared_ptr<platform::Prompt> previous_;
};

TEST(Prompt, DefaultAnswersRefuse) {
    EXPECT_EQ(platform::DefaultAnswer(PromptButtons::Ok), PromptAnswer::Ok);
    EXPECT_EQ(platform::DefaultAnswer(PromptButtons::OkCancel), PromptAnswer::Cancel);
    EXPECT_EQ(platform::DefaultAnswer(PromptButtons::YesNo), PromptAnswer::No);
    EXPECT_EQ(platform::DefaultAnswer(PromptButtons::YesNoCancel), PromptAnswer::Cancel);
}

TEST(Prompt, WithoutAnApplicationMessageBoxesGiveTheDefault) {
    InstalledPrompt installed(nullptr);
    EXPECT_EQ(platform::Ask(PromptIcon::Question, PromptButtons::YesNo, QStringLiteral("?")), PromptAnswer::No);
}

TEST(Prompt, ScriptAnswersInOrderThenDefaults) {
    auto script = std::make_shared<platform::ScriptedPrompt>(std::vector{PromptAnswer::Yes, PromptAnswer::Cancel});
    InstalledPrompt installed(script);
    EXPECT_EQ(platform::Ask(PromptIcon::Question, PromptButtons::YesNo, QStringLiteral("one")), PromptAnswer::Yes);
    EXPECT_EQ(platform::Ask(PromptIcon::Warning, PromptButtons::OkCancel, QStringLiteral("two")), PromptAnswer::Cancel);
    EXPECT_EQ(platform::Ask(PromptIcon::Question, PromptButtons::YesNo, QStringLiteral("three")), PromptAnswer::No);
    const auto questions = script->Questions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[1].text, QStringLiteral("two"));
    EXPECT_EQ(questions[1].icon, PromptIcon::Warning);
}

// A message naming a file whose name is not UTF-8 shows the other byte as
// an escape, not as a code no font draws.
TEST(Prompt, AFileNameThatIsNotUtf8IsShownWithItsOtherBytesEscaped) {
    auto script = std::make_shared<platform::ScriptedPrompt>(std::vector<PromptAnswer>{});
    InstalledPrompt installed(script);
    const QString name = platform::FileNameFromLocal(QByteArray("caf\xE9.jpg"));
    platform::Ask(PromptIcon::Error, PromptButtons::Ok, QStringLiteral("Can't copy \"%1\".").arg(name));
    const auto questions = script->Questions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, QStringLiteral("Can't copy \"caf\\xE9.jpg\"."));
}

TEST(Prompt, WorkerQuestionsAreAnsweredOnTheUiThread) {
    int argc = 1;
    char name[] = "prompt-test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    auto script = std::make_shared<platform::ScriptedPrompt>(std::vector{PromptAnswer::Yes, PromptAnswer::No});
    InstalledPrompt installed(script);

    constexpr int kWorkers = 2;
    std::atomic<int> finished{0};
    std::vector<PromptAnswer> answers(kWorkers);
    std::vector<std::thread> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.emplace_back([&, i] {
            answers[i] = platform::Ask(PromptIcon::Question, PromptButtons::YesNo, QStringLiteral("worker %1").arg(i));
            ++finished;
        });
    }
    while (finished < kWorkers)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (auto& worker : workers)
        worker.join();

    const auto questions = script->Questions();
    ASSERT_EQ(questions.size(), 2u);
    for (const auto& question : questions)
        EXPECT_EQ(question.thread, std::this_thread::get_id());
    // Each worker got one of the scripted answers, in the order they were asked.
    EXPECT_EQ(answers[questions[0].text == QStringLiteral("worker 0") ? 0 : 1], PromptAnswer::Yes);
    EXPECT_EQ(answers[questions[0].text == QStringLiteral("worker 0") ? 1 : 0], PromptAnswer::No);
}

}  // namespace
