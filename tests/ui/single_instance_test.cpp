// Single instance without a display: a lock and a socket per window class name.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "ui/form.h"
#include "ui/headless/instance_channel.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

constexpr unsigned WM_SHOWMAIN = 0x6604;
// The program's class name is a 64-byte field: the text, then zero bytes.
const std::string kClassName = std::string("Varnel Kelvara Made by Varnel Software");

class SingleInstanceTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        char pattern[] = "/tmp/kv-ui-instance-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ui->SetRuntimeDir(dir);
    }
    void TearDown() override {
        UiTest::TearDown();
        std::filesystem::remove_all(dir);
    }
    // Waits (in real time) until the listener thread has queued what was sent.
    void PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 400 && !done(); ++i) {
            app->ProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    std::string dir;
};

class TfrmMainLike : public Form {
public:
    TfrmMainLike() {
        SetName("frmMain");
        SetWindowClassName(kClassName);
        OnMessage(WM_SHOWMAIN, [this](const Message& m) {
            ++showMainCount;
            lastW = m.wParam;
            lastL = m.lParam;
        });
    }
    int showMainCount = 0;
    std::uintptr_t lastW = 99;
    std::intptr_t lastL = 99;
};

TEST_F(SingleInstanceTest, NobodyRunsUntilAMainWindowOfThatClassExists) {
    EXPECT_EQ(app->FindWindowByClass(kClassName), nullptr);
    auto form = CreateForm<TfrmMainLike>();
    EXPECT_NE(app->FindWindowByClass(kClassName), nullptr);
    EXPECT_EQ(app->FindWindowByClass("Another class"), nullptr);
    form.reset();
    EXPECT_EQ(app->FindWindowByClass(kClassName), nullptr);  // the lock went with the window
}

TEST_F(SingleInstanceTest, ASecondInstancePostsShowMainToTheFirst) {
    auto first = CreateForm<TfrmMainLike>();
    auto found = app->FindWindowByClass(kClassName);  // as the second process would
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->Post(WM_SHOWMAIN, 0, 0));
    EXPECT_TRUE(found->SetForeground());
    PumpUntil([&] { return first->showMainCount == 1; });
    EXPECT_EQ(first->showMainCount, 1);
    EXPECT_EQ(first->lastW, 0u);
    EXPECT_EQ(first->lastL, 0);
}

TEST_F(SingleInstanceTest, OnlyOneChannelHoldsAClassName) {
    Form a, b;
    a.Realize();
    b.Realize();
    headless::InstanceServer one(dir, kClassName, a.Handle());
    headless::InstanceServer two(dir, kClassName, b.Handle());
    EXPECT_TRUE(one.Claimed());
    EXPECT_FALSE(two.Claimed());
    int toA = 0, toB = 0;
    a.OnMessage(WM_SHOWMAIN, [&](const Message&) { ++toA; });
    b.OnMessage(WM_SHOWMAIN, [&](const Message&) { ++toB; });
    auto remote = headless::FindInstance(dir, kClassName);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(remote->Post(WM_SHOWMAIN, 0, 0));
    PumpUntil([&] { return toA == 1; });
    EXPECT_EQ(toA, 1);
    EXPECT_EQ(toB, 0);
}

TEST_F(SingleInstanceTest, AStaleSocketWithoutALockIsNotARunningInstance) {
    {
        Form a;
        a.Realize();
        headless::InstanceServer gone(dir, kClassName, a.Handle());
        ASSERT_TRUE(gone.Claimed());
    }
    EXPECT_EQ(headless::FindInstance(dir, kClassName), nullptr);
    Form c;
    c.Realize();
    headless::InstanceServer next(dir, kClassName, c.Handle());
    EXPECT_TRUE(next.Claimed());
}

}  // namespace
}  // namespace kelvara::ui::testing
