// The restore-point window and its worker: the report at any time, the question after a failure,
// a missing System Restore, an early close, and the bar's steps.
#include <gtest/gtest.h>

#include <stdexcept>

#include "settings/string_table.h"
#include "defrag/system_point_form.h"
#include "defrag_fixture.h"
#include "ui/messages.h"

namespace kelvara::defrag::testing {
namespace {

TEST(RestorePointBar, StepsSlowDownAndStopAtAHundred) {
    std::vector<int> positions;
    int position = 0;
    for (int tick = 1; tick <= 45; ++tick) {
        position = std::min(100, position + RestorePointBarStep(position));
        positions.push_back(position);
    }
    const std::vector<int> first = {10, 20, 30, 40, 45, 50, 55, 58, 61, 63};
    EXPECT_EQ(std::vector<int>(positions.begin(), positions.begin() + 10), first);
    EXPECT_EQ(positions[36], 99);
    EXPECT_EQ(positions[37], 100);   // the 38th tick
    EXPECT_EQ(positions.back(), 100);
    const std::pair<int, int> table[] = {{0, 10},  {30, 10}, {31, 5}, {50, 5}, {51, 3}, {60, 3},
                                         {61, 2},  {80, 2},  {81, 1}, {99, 1}, {100, 0}, {150, 0}};
    for (auto [p, step] : table) EXPECT_EQ(RestorePointBarStep(p), step) << "at " << p;
}

class SystemPointTest : public DefragFixture {
protected:
    std::unique_ptr<TfrmSystemPoint> MakeWindow() { return ui::CreateForm<TfrmSystemPoint>(owner_.get(), system_); }

    // Holds the worker inside the restore-point call until the gate opens.
    void HoldTheWorker() {
        system_.SetRestorePointHook([this] { gate_.Enter(); });
    }
};

TEST_F(SystemPointTest, TheWindowAsLaidOut) {
    auto form = MakeWindow();
    EXPECT_EQ(form->Caption(), "Create System Point");
    EXPECT_EQ(form->ClientWidth(), 353);
    EXPECT_EQ(form->ClientHeight(), 180);
    EXPECT_EQ(form->GetBorderStyle(), ui::BorderStyle::DialogNoButtons);
    EXPECT_EQ(form->ProgressBar1().Max(), 100);
    EXPECT_EQ(form->ProgressBar1().Position(), 0);
    EXPECT_TRUE(form->Timer1().Enabled());
    EXPECT_EQ(form->Timer1().Interval(), 1000u);
}

TEST_F(SystemPointTest, AReportInTheFirstSecondEndsWithOkBeforeTheBarMoves) {
    auto form = MakeWindow();
    EXPECT_EQ(form->ShowModal(), ui::mrOk);
    EXPECT_EQ(form->ProgressBar1().Position(), 0);
    EXPECT_TRUE(headless_->MessageBoxes().empty());
    ASSERT_EQ(system_.RestorePointRequests().size(), 1u);
    const platform::RestorePointRequest request = system_.RestorePointRequests()[0];
    EXPECT_EQ(request.eventType, 100u);
    EXPECT_EQ(request.restorePointType, 0u);
    EXPECT_EQ(request.sequenceNumber, 0);
    EXPECT_EQ(request.description, "Made by Varnel Kelvara");
}

TEST_F(SystemPointTest, AReportAfterAMinuteFindsTheBarStandingAtAHundred) {
    HoldTheWorker();
    auto form = MakeWindow();
    int step = 0;
    onIdle_ = [&](ui::Form&) {
        if (step++ > 0) return false;
        gate_.WaitEntered(1);
        Tick(37);
        EXPECT_EQ(form->ProgressBar1().Position(), 99);
        Tick(23);
        EXPECT_EQ(form->ProgressBar1().Position(), 100);
        gate_.Open();
        return true;
    };
    EXPECT_EQ(form->ShowModal(), ui::mrOk);
    EXPECT_EQ(form->ProgressBar1().Position(), 100);
}

struct FailureCase {
    const char* name;
    platform::RestorePointOutcome outcome;
    bool raises;
    std::optional<int> answer;   // none: the box's default button
    int result;
};

TEST_F(SystemPointTest, WithoutARestorePointTheUserDecides) {
    const FailureCase cases[] = {
        {"failed, Yes", platform::RestorePointOutcome::Failed, false, ui::mrYes, ui::mrOk},
        {"failed, No", platform::RestorePointOutcome::Failed, false, ui::mrNo, ui::mrCancel},
        {"failed, default button", platform::RestorePointOutcome::Failed, false, std::nullopt, ui::mrCancel},
        {"no SrClient.dll, Yes", platform::RestorePointOutcome::NotAvailable, false, ui::mrYes, ui::mrOk},
        {"no SrClient.dll, No", platform::RestorePointOutcome::NotAvailable, false, ui::mrNo, ui::mrCancel},
        {"the call raises, Yes", platform::RestorePointOutcome::Created, true, ui::mrYes, ui::mrOk},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        system_.SetRestorePointOutcome(c.outcome);
        system_.SetRestorePointHook(c.raises ? std::function<void()>([] { throw std::runtime_error("SRSetRestorePointA"); })
                                             : std::function<void()>());
        if (c.answer) headless_->ScriptMessageBoxAnswer(*c.answer);
        const std::size_t before = headless_->MessageBoxes().size();

        auto form = MakeWindow();
        EXPECT_EQ(form->ShowModal(), c.result);

        ASSERT_EQ(headless_->MessageBoxes().size(), before + 1);
        const ui::MessageBoxRequest& box = headless_->MessageBoxes().back().request;
        EXPECT_EQ(box.text, settings::strings::RestorePointFailed.text);
        EXPECT_EQ(box.caption, "Varnel Kelvara");
        EXPECT_EQ(box.buttons, ui::MsgButtons::YesNo);
        EXPECT_EQ(box.icon, ui::MsgIcon::Information);
        EXPECT_EQ(box.defaultButton, 1);
    }
}

TEST_F(SystemPointTest, ClosingBeforeTheReportCancelsAtOnceAndTheLateReportIsDropped) {
    HoldTheWorker();
    auto form = MakeWindow();
    int step = 0;
    onIdle_ = [&](ui::Form& top) {
        if (step++ > 0) return false;
        gate_.WaitEntered(1);
        top.Close();
        return true;
    };
    EXPECT_EQ(form->ShowModal(), ui::mrCancel);
    // The worker is still inside the call: the window did not wait for it.
    EXPECT_TRUE(form->WorkerThread.Running());
    form.reset();
    gate_.Open();
    for (int i = 0; i < 500 && ui::RunningThreadCount() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ui::RunningThreadCount(), 0);
    app_->ProcessMessages();
    EXPECT_TRUE(headless_->MessageBoxes().empty());
}

}  // namespace
}  // namespace kelvara::defrag::testing
