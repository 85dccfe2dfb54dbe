// Timers on the virtual clock, and worker threads: termination request, free on terminate,
// the safe handle, and the forced end the headless set does not have.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ui/form.h"
#include "ui/thread.h"
#include "ui/timer.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

class TimerThreadTest : public UiTest {};

TEST_F(TimerThreadTest, TimersFireByTheVirtualClockInTimeOrder) {
    Form form;
    auto& fast = form.Add<TTimer>("fast");
    auto& slow = form.Add<TTimer>("slow");
    std::vector<std::string> ticks;
    fast.OnTimer = [&](Component&) { ticks.push_back("fast@" + std::to_string(ui->Now())); };
    slow.OnTimer = [&](Component&) { ticks.push_back("slow@" + std::to_string(ui->Now())); };
    fast.SetInterval(100);
    slow.SetInterval(250);
    ui->AdvanceClock(99);
    EXPECT_TRUE(ticks.empty());
    ui->AdvanceClock(401);
    EXPECT_EQ(ticks, (std::vector<std::string>{"fast@100", "fast@200", "slow@250", "fast@300", "fast@400",
                                               "fast@500", "slow@500"}));
}

TEST_F(TimerThreadTest, ATimerDisabledInItsHandlerStops) {
    TTimer timer;  // free-standing, like a shared hover timer
    timer.SetEnabled(false);
    timer.SetInterval(1000);
    int ticks = 0;
    timer.OnTimer = [&](Component&) {
        if (++ticks == 3) timer.SetEnabled(false);
    };
    ui->AdvanceClock(5000);
    EXPECT_EQ(ticks, 0);  // created disabled
    timer.SetEnabled(true);
    ui->AdvanceClock(10000);
    EXPECT_EQ(ticks, 3);
}

TEST_F(TimerThreadTest, ATimerThrowingShowsTheErrorAndKeepsTicking) {
    TTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.OnTimer = [&](Component&) {
        ++ticks;
        throw std::runtime_error("tick failed");
    };
    ui->AdvanceClock(30);
    EXPECT_EQ(ticks, 3);
    ASSERT_EQ(ui->MessageBoxes().size(), 3u);
    EXPECT_EQ(ui->MessageBoxes()[0].request.text, "tick failed.");
}

TEST_F(TimerThreadTest, DestroyingATimerInsideAnotherTimersTickIsSafe) {
    auto victim = std::make_unique<TTimer>();
    victim->SetInterval(100);
    int victimTicks = 0;
    victim->OnTimer = [&](Component&) { ++victimTicks; };
    TTimer killer;
    killer.SetInterval(100);  // due at the same moment, started later
    killer.OnTimer = [&](Component&) { victim.reset(); };
    ui->AdvanceClock(300);
    EXPECT_EQ(victimTicks, 1);
    EXPECT_EQ(victim, nullptr);
}

class Looper : public Thread {
public:
    Looper(std::atomic<int>& laps, std::atomic<bool>& destroyed) : laps_(laps), destroyed_(destroyed) {}
    ~Looper() override { destroyed_ = true; }

protected:
    void Execute() override {
        while (!Terminated()) {
            ++laps_;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    std::atomic<int>& laps_;
    std::atomic<bool>& destroyed_;
};

TEST_F(TimerThreadTest, ASuspendedThreadWaitsForStart) {
    std::atomic<int> laps{0};
    std::atomic<bool> destroyed{false};
    auto* t = StartThread<Looper>(true, laps, destroyed);
    ThreadHandle h = t->Handle();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(laps, 0);
    EXPECT_FALSE(h.Running());
    t->Start();
    EXPECT_TRUE(h.Running());
    EXPECT_EQ(app->RunningThreads(), 1);
    t->Terminate();
    h.WaitFor();
    EXPECT_TRUE(h.Finished());
    EXPECT_EQ(app->RunningThreads(), 0);
    EXPECT_FALSE(destroyed);  // not free on terminate: the creator deletes it
    delete t;
    EXPECT_TRUE(destroyed);
}

TEST_F(TimerThreadTest, AFreeOnTerminateThreadDeletesItselfAndItsHandleStaysSafe) {
    std::atomic<int> laps{0};
    std::atomic<bool> destroyed{false};
    auto* t = new Looper(laps, destroyed);
    t->SetFreeOnTerminate(true);
    ThreadHandle h = t->Handle();
    t->Start();
    while (laps < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    h.Terminate();  // through the handle: the object may be gone any moment from now
    h.WaitFor();
    for (int i = 0; i < 200 && !destroyed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(h.Running());
    EXPECT_TRUE(h.Finished());
    h.Terminate();  // harmless after the end
    EXPECT_FALSE(h.ForceEnd());
}

TEST_F(TimerThreadTest, TheHeadlessSetHasNoForcedEnd) {
    std::atomic<int> laps{0};
    std::atomic<bool> destroyed{false};
    auto* t = StartThread<Looper>(false, laps, destroyed);
    ThreadHandle h = t->Handle();
    EXPECT_FALSE(h.ForceEnd(0));
    EXPECT_TRUE(h.Running());  // it goes on: the request is the only way here
    t->Terminate();
    h.WaitFor();
    delete t;
}

class Thrower : public Thread {
protected:
    void Execute() override { throw std::runtime_error("worker failed"); }
};

TEST_F(TimerThreadTest, AnExceptionInExecuteEndsTheThreadOnly) {
    auto* t = StartThread<Thrower>(false);
    ThreadHandle h = t->Handle();
    h.WaitFor();
    EXPECT_TRUE(h.Finished());
    EXPECT_EQ(app->RunningThreads(), 0);
    delete t;
}

}  // namespace
}  // namespace kelvara::ui::testing

namespace kelvara::ui::testing {
namespace {

// A shared timer kept in a static, or a form kept past the end of the run, must not reach a
// widget set that is already gone.
TEST(ApplicationLifetime, FormsAndTimersMayOutliveTheApplication) {
    TTimer timer;
    std::unique_ptr<Form> form;
    FormHandle handle;
    {
        Application app(std::make_unique<headless::HeadlessWidgetSet>());
        form = CreateForm<Form>();
        form->Add<TTimer>("Timer1").SetInterval(10);
        timer.SetInterval(10);
        form->Show();
        handle = form->Handle();
        EXPECT_TRUE(handle.Post(WmUser));
    }
    EXPECT_FALSE(handle.Post(WmUser));  // no window any more: dropped
    EXPECT_TRUE(handle.Alive());        // the form object itself still exists
    timer.SetEnabled(false);            // no application: nothing to reach
    form.reset();
    EXPECT_FALSE(handle.Alive());
}

}  // namespace
}  // namespace kelvara::ui::testing
