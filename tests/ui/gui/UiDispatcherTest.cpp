#include "support/ShellTestSupport.h"

#include "ui/UiDispatcher.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Journal {
    std::mutex mutex;
    std::vector<std::string> lines;
    void Add(const std::string& line)
    {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard lock(mutex);
        return lines;
    }
};

} // namespace

TEST(UiDispatcherTest, SentAndPostedWorkRunsOnTheWindowThreadInOrder)
{
    UiDispatcher dispatcher;
    Journal journal;
    std::atomic<bool> allOnUiThread{true};
    QThread* ui = QThread::currentThread();
    std::atomic<bool> finished{false};
    std::vector<bool> sendResults;

    std::thread device([&] {
        auto step = [&](const std::string& name) {
            if (QThread::currentThread() != ui)
                allOnUiThread = false;
            journal.Add(name);
        };
        dispatcher.Post([&] { step("posted 1"); });
        // A sent message has been handled by the time Send returns.
        sendResults.push_back(dispatcher.Send([&] { step("sent 2"); }));
        journal.Add("after sent 2");
        dispatcher.Post([&] { step("posted 3"); });
        dispatcher.Post([&] { step("posted 4"); });
        sendResults.push_back(dispatcher.Send([&] { step("sent 5"); }));
        journal.Add("after sent 5");
        finished = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return finished.load(); }));
    device.join();

    EXPECT_TRUE(allOnUiThread);
    EXPECT_EQ(sendResults, (std::vector<bool>{true, true}));
    EXPECT_EQ(journal.Lines(), (std::vector<std::string>{"posted 1", "sent 2", "after sent 2", "posted 3",
                                                         "posted 4", "sent 5", "after sent 5"}));
}

TEST(UiDispatcherTest, SendOnTheWindowThreadRunsInPlace)
{
    UiDispatcher dispatcher;
    int runs = 0;
    EXPECT_TRUE(dispatcher.Send([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

// Shutdown waits for the device threads while they may be waiting for the
// window: closing the dispatcher must free them, and what they asked for
// must not run afterwards.
TEST(UiDispatcherTest, CloseReleasesABlockedSenderWithoutRunningItsWork)
{
    UiDispatcher dispatcher;
    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    std::thread device([&] { result = dispatcher.Send([&] { ran = true; }) ? 1 : 0; });
    // The window thread is busy (it does not run its events) and then closes.
    QThread::msleep(50);
    EXPECT_EQ(result.load(), -1) << "Send returned before the work was handled";
    dispatcher.Close();
    device.join();
    EXPECT_EQ(result.load(), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    // Later sends and posts do nothing and do not block.
    std::thread late([&] {
        EXPECT_FALSE(dispatcher.Send([&] { ran = true; }));
        dispatcher.Post([&] { ran = true; });
    });
    late.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}
