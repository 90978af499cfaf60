#include "platform/commands/CmdTarget.h"
#include "platform/commands/PostedCommand.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using platform::CCmdUI;
using platform::Command;
using platform::CommandPort;

class Recorder : public platform::CommandReceiver {
public:
    void OnPostedCommand(const Command& command) override { received.push_back(command); }
    std::vector<Command> received;
};

// A frame-like chain: the child is offered every command first.
class Child : public platform::CmdTarget {
public:
    Child() {
        OnCommand(10, [this] { ++runs10; });
        OnUpdate(10, [this](CCmdUI& ui) { ui.Enable(enable10); });
        OnCommandRange(20, 29, [this](int id) { lastRange = id; });
    }
    int runs10 = 0;
    bool enable10 = true;
    int lastRange = 0;
};

class Parent : public platform::CmdTarget {
public:
    Parent() {
        OnCommand(10, [this] { ++parentRuns10; });
        OnCommand(30, [this] { ++runs30; });
        OnUpdate(31, [](CCmdUI& ui) { ui.SetCheck(1); });
    }
    bool OnCmdMsg(int id, CCmdUI* ui) override { return child.OnCmdMsg(id, ui) || HandleOwnCommand(id, ui); }
    Child child;
    int parentRuns10 = 0;
    int runs30 = 0;
};

TEST(CmdTarget, RoutesToTheFirstTargetThatHandles) {
    Parent parent;
    EXPECT_TRUE(parent.RunCommand(10));
    EXPECT_EQ(parent.child.runs10, 1);
    EXPECT_EQ(parent.parentRuns10, 0);
    EXPECT_TRUE(parent.RunCommand(25));
    EXPECT_EQ(parent.child.lastRange, 25);
    EXPECT_TRUE(parent.RunCommand(30));
    EXPECT_EQ(parent.runs30, 1);
    EXPECT_FALSE(parent.RunCommand(99));
}

TEST(CmdTarget, UpdateRules) {
    Parent parent;
    struct Case {
        int id;
        bool enabled;
        int check;
    };
    parent.child.enable10 = false;
    // 10: the update handler disables it; 25: runs, no update handler;
    // 31: updated (checked) without a handler that runs it; 99: nobody.
    for (const Case& c : {Case{10, false, 0}, Case{25, true, 0}, Case{31, true, 1}, Case{99, false, 0}}) {
        const CCmdUI ui = parent.QueryCommand(c.id);
        EXPECT_EQ(ui.enabled, c.enabled) << c.id;
        EXPECT_EQ(ui.check, c.check) << c.id;
    }
}

TEST(PostedCommand, DeliveredInOrderWithParametersAndPayload) {
    Recorder recorder;
    auto port = CommandPort::Create(&recorder);
    auto text = std::make_shared<const int>(42);
    EXPECT_TRUE(port->Post(1, 7, -8));
    EXPECT_TRUE(port->Post(Command{2, 0, 0, text}));
    EXPECT_TRUE(recorder.received.empty());  // nothing before the loop delivers
    EXPECT_EQ(platform::DeliverPostedCommands(), 2);
    ASSERT_EQ(recorder.received.size(), 2u);
    EXPECT_EQ(recorder.received[0].id, 1);
    EXPECT_EQ(recorder.received[0].wParam, 7);
    EXPECT_EQ(recorder.received[0].lParam, -8);
    EXPECT_EQ(*static_cast<const int*>(recorder.received[1].payload.get()), 42);
}

TEST(PostedCommand, ClosedPortDeliversNothingQueued) {
    Recorder recorder;
    auto port = CommandPort::Create(&recorder);
    EXPECT_TRUE(port->Post(1));
    port->Close();
    EXPECT_FALSE(port->Post(2));
    EXPECT_EQ(platform::DeliverPostedCommands(), 0);
    EXPECT_TRUE(recorder.received.empty());
}

TEST(PostedCommand, DroppedPortDeliversNothingQueued) {
    Recorder recorder;
    auto port = CommandPort::Create(&recorder);
    port->Post(1);
    port.reset();
    EXPECT_EQ(platform::DeliverPostedCommands(), 0);
}

TEST(PostedCommand, RegisteredIdsAreStableAndApart) {
    const int a = platform::RegisterCommandId("WM_TEST_A");
    const int b = platform::RegisterCommandId("WM_TEST_B");
    EXPECT_GE(a, 0xC000);
    EXPECT_NE(a, b);
    EXPECT_EQ(platform::RegisterCommandId("WM_TEST_A"), a);
}

// Workers post while the UI thread's event loop delivers and finally closes
// the port; under ThreadSanitizer this shows the hand-off is clean.
TEST(PostedCommandThreads, WorkersPostToTheEventLoop) {
    int argc = 1;
    char name[] = "commands-test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Recorder recorder;
    auto port = CommandPort::Create(&recorder);
    constexpr int kWorkers = 4;
    constexpr int kPosts = 200;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([port, w] {
            for (int i = 0; i < kPosts; ++i)
                port->Post(w, i);
        });
    for (auto& t : workers)
        t.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.received.size() == kWorkers * kPosts; }, 30000));
    std::vector<int> next(kWorkers, 0);
    for (const Command& c : recorder.received) {  // each worker's posts stay in order
        ASSERT_EQ(c.wParam, next[c.id]);
        ++next[c.id];
    }
    port->Close();
    std::thread late([port] { EXPECT_FALSE(port->Post(0)); });
    late.join();
}

}  // namespace
