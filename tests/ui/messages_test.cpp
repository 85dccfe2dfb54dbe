// Posted messages: order across threads, texts in order with numbers, posts to a form that is
// gone, and the progress-window pattern (a modal form, a worker posting, WM_CLOSE at the end).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ui/form.h"
#include "ui/memo.h"
#include "ui/thread.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

constexpr unsigned WM_NUMBER = WmUser + 0x200;
constexpr unsigned WM_TEXT = WmUser + 0x201;
constexpr unsigned WM_START = WmUser + 0x202;

class MessagesTest : public UiTest {};

TEST_F(MessagesTest, PostsFromAnotherThreadArriveInPostingOrder) {
    Form form;
    form.Realize();
    std::vector<std::string> seen;
    form.OnMessage(WM_NUMBER, [&](const Message& m) { seen.push_back(std::to_string(m.wParam) + ":" + std::to_string(m.lParam)); });
    form.OnMessage(WM_TEXT, [&](const Message& m) { seen.push_back(m.text); });
    FormHandle handle = form.Handle();
    std::thread worker([handle] {
        for (int i = 0; i < 500; ++i) {
            ASSERT_TRUE(handle.Post(WM_NUMBER, static_cast<std::uintptr_t>(i), -i));
            ASSERT_TRUE(handle.PostText(WM_TEXT, "hive " + std::to_string(i)));
        }
    });
    worker.join();
    app->ProcessMessages();
    ASSERT_EQ(seen.size(), 1000u);
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(seen[2 * i], std::to_string(i) + ":" + std::to_string(-i));
        EXPECT_EQ(seen[2 * i + 1], "hive " + std::to_string(i));
    }
}

TEST_F(MessagesTest, APostToAFormThatIsGoneIsDropped) {
    int handled = 0;
    FormHandle handle;
    {
        auto form = std::make_unique<Form>();
        form->Realize();
        form->OnMessage(WM_NUMBER, [&](const Message&) { ++handled; });
        handle = form->Handle();
        EXPECT_TRUE(handle.Alive());
        EXPECT_TRUE(handle.Post(WM_NUMBER));  // queued while the form exists...
    }                                         // ...and the form goes before it is handled
    EXPECT_FALSE(handle.Alive());
    bool accepted = true;
    std::thread late([&] { accepted = handle.Post(WM_NUMBER); });
    late.join();
    EXPECT_FALSE(accepted);
    app->ProcessMessages();
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(ui->PendingMessages(), 0);
    EXPECT_FALSE(FormHandle().Post(WM_NUMBER));  // an empty handle goes nowhere
}

// The progress-window pattern: activation posts a start message, its handler starts a worker
// that reports per item and shows its text through posts, then posts WM_CLOSE.
class Worker : public Thread {
public:
    Worker(FormHandle target, int items, std::atomic<bool>& destroyed)
        : target_(target), items_(items), destroyed_(destroyed) {
        SetFreeOnTerminate(true);
    }
    ~Worker() override { destroyed_ = true; }

protected:
    void Execute() override {
        int done = 0;
        for (int i = 0; i < items_; ++i) {
            if (Terminated()) break;
            target_.PostText(WM_TEXT, "item " + std::to_string(i));
            target_.Post(WM_NUMBER, 0, ++done);
        }
        if (done == items_) target_.PostText(WM_TEXT, "Finish");
        target_.Post(WmClose);
    }

private:
    FormHandle target_;
    int items_;
    std::atomic<bool>& destroyed_;
};

class TfrmProgress : public Form {
public:
    TfrmProgress() {
        SetName("frmProgress");
        memo = &Add<TMemo>("Memo1", {0, 0, 100, 30});
        OnMessage(WM_TEXT, [this](const Message& m) { memo->SetText(m.text); });
        OnMessage(WM_NUMBER, [this](const Message& m) { reports.push_back(static_cast<int>(m.lParam)); });
    }
    void FormActivate() override { Post(WM_START); }
    void FormClose(CloseAction&) override { textAtClose = memo->Text(); }

    TMemo* memo;
    ThreadHandle worker;
    std::vector<int> reports;
    std::string textAtClose;
};

TEST_F(MessagesTest, AWorkerReportsToAModalFormAndClosesIt) {
    std::atomic<bool> destroyed{false};
    auto form = CreateForm<TfrmProgress>();
    // Created suspended, then started, as the progress window does it.
    form->OnMessage(WM_START, [&](const Message&) {
        Worker* w = StartThread<Worker>(true, form->Handle(), 25, destroyed);
        form->worker = w->Handle();
        w->Start();
    });
    EXPECT_EQ(form->ShowModal(), mrCancel);  // closed by WM_CLOSE
    ASSERT_EQ(form->reports.size(), 25u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(form->reports[i], i + 1);
    EXPECT_EQ(form->textAtClose, "Finish");  // the text arrived before WM_CLOSE
    form->worker.WaitFor();
    EXPECT_TRUE(form->worker.Finished());
    for (int i = 0; i < 200 && !destroyed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(destroyed);  // it freed itself
}

}  // namespace
}  // namespace kelvara::ui::testing
