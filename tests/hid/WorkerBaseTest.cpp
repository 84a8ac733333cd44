#include "hid/CThreadBasic.h"
#include "hid/TaskQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

class CountingWorker : public CThreadBasic {
public:
    ~CountingWorker() override { StopAndJoin(); }

    std::atomic<int> passes{0};
    std::atomic<int> passDelayMs{0};
    std::atomic<bool> inPass{false};
    std::atomic<bool> overlapped{false};

protected:
    void Run() override
    {
        if (inPass.exchange(true))
            overlapped = true;
        if (passDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(passDelayMs));
        ++passes;
        inPass = false;
    }
};

void WaitFor(const std::function<bool()>& condition)
{
    for (int i = 0; i < 5000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(CThreadBasic, StartTwiceIsRefusedAndStopWhenStoppedReturnsFalse)
{
    CountingWorker worker;
    EXPECT_FALSE(worker.Stop());
    EXPECT_TRUE(worker.Start(2, CThreadBasic::Mode::Looping));
    EXPECT_FALSE(worker.Start(2, CThreadBasic::Mode::Looping));
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
}

TEST(CThreadBasic, OnceModeRunsOnePassAndStaysRunningUntilStop)
{
    CountingWorker worker;
    ASSERT_TRUE(worker.Start(0, CThreadBasic::Mode::Once));
    WaitFor([&] { return worker.passes == 1; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The pass is over, yet the worker counts as running: a second Start
    // while the first is not stopped runs nothing.
    EXPECT_EQ(worker.passes, 1);
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start(0, CThreadBasic::Mode::Once));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(worker.passes, 1);
    // Stop finds the thread ended and returns at once.
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_FALSE(worker.Stop());
    // Stopped: it can be started again, for one more pass.
    EXPECT_TRUE(worker.Start(0, CThreadBasic::Mode::Once));
    WaitFor([&] { return worker.passes == 2; });
    EXPECT_EQ(worker.passes, 2);
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.overlapped);
}

TEST(CThreadBasic, LoopingRunsUntilStoppedAndNoPassFollowsStop)
{
    CountingWorker worker;
    ASSERT_TRUE(worker.Start(1, CThreadBasic::Mode::Looping));
    WaitFor([&] { return worker.passes >= 5; });
    ASSERT_TRUE(worker.Stop());
    int after = worker.passes;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(worker.passes, after);
}

TEST(CThreadBasic, StopWakesALongIntervalInsteadOfWaitingItOut)
{
    CountingWorker worker;
    ASSERT_TRUE(worker.Start(60'000, CThreadBasic::Mode::Looping));
    WaitFor([&] { return worker.passes == 1; });
    ASSERT_TRUE(worker.Stop());
    // The thread has ended, not merely been abandoned: a restart works at once
    // and the two runs never overlap.
    EXPECT_TRUE(worker.Start(60'000, CThreadBasic::Mode::Looping));
    WaitFor([&] { return worker.passes == 2; });
    EXPECT_EQ(worker.passes, 2);
    EXPECT_FALSE(worker.overlapped);
}

TEST(CThreadBasic, PassLongerThanTheStopWaitIsJoinedBeforeDestruction)
{
    auto worker = std::make_unique<CountingWorker>();
    worker->passDelayMs = 1300;
    ASSERT_TRUE(worker->Start(2, CThreadBasic::Mode::Looping));
    WaitFor([&] { return worker->inPass.load(); });
    EXPECT_TRUE(worker->Stop()); // gives up after one second
    // Destroying the object now must wait for the pass instead of leaving a
    // thread running on freed memory (the sanitizers would catch that).
    worker.reset();
    SUCCEED();
}

TEST(CThreadBasic, RestartAfterATimedOutStopNeverOverlapsPasses)
{
    CountingWorker worker;
    worker.passDelayMs = 1200;
    ASSERT_TRUE(worker.Start(0, CThreadBasic::Mode::Looping));
    WaitFor([&] { return worker.inPass.load(); });
    EXPECT_TRUE(worker.Stop());
    worker.passDelayMs = 0;
    ASSERT_TRUE(worker.Start(0, CThreadBasic::Mode::Looping));
    WaitFor([&] { return worker.passes >= 3; });
    worker.Stop();
    EXPECT_FALSE(worker.overlapped);
}

TEST(CThreadBasic, WakingRunsAPassPerWakeAndSleepsOtherwise)
{
    CountingWorker worker;
    worker.Wake(); // before the start: the first pass is owed
    ASSERT_TRUE(worker.Start(0, CThreadBasic::Mode::Waking));
    WaitFor([&] { return worker.passes == 1; });
    EXPECT_EQ(worker.passes, 1);
    // Nothing asked for: no pass, however long it sleeps.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(worker.passes, 1);

    // Wakes that come during a pass earn exactly one more pass.
    worker.passDelayMs = 50;
    worker.Wake();
    WaitFor([&] { return worker.inPass.load(); });
    worker.Wake();
    worker.Wake();
    worker.passDelayMs = 0;
    WaitFor([&] { return worker.passes == 3; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(worker.passes, 3);
    EXPECT_FALSE(worker.overlapped);

    // Stop ends the sleep at once.
    ASSERT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
    worker.Wake();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(worker.passes, 3);
}

TEST(CThreadBasic, WakingWithAnIntervalAlsoRunsWhenTheIntervalEnds)
{
    CountingWorker worker;
    ASSERT_TRUE(worker.Start(5, CThreadBasic::Mode::Waking));
    WaitFor([&] { return worker.passes >= 3; });
    EXPECT_GE(worker.passes, 3);
    worker.Stop();
}

TEST(TaskQueue, FirstInFirstOutAndMinusOneWhenEmpty)
{
    TaskQueue queue;
    EXPECT_EQ(queue.TakeFirst(), -1);
    for (int code : {1, 26, 6, 10})
        queue.Append(code);
    EXPECT_EQ(queue.Count(), 4);
    EXPECT_EQ(queue.Snapshot(), (std::vector<int32_t>{1, 26, 6, 10}));
    EXPECT_EQ(queue.TakeFirst(), 1);
    EXPECT_EQ(queue.TakeFirst(), 26);
    queue.Clear();
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.TakeFirst(), -1);
}

TEST(TaskQueue, EveryAppendIsHeardAndAMergeThatAddsNothingIsNot)
{
    TaskQueue queue;
    int heard = 0;
    queue.SetAppendListener([&] { ++heard; });
    queue.Append(1);
    queue.AppendMerged(3, {2, 3}, -1);
    queue.AppendMerged(3, {2, 3}, -1); // already waiting
    queue.AppendMerged(2, {2}, 3); // takes 3's place
    EXPECT_EQ(queue.Snapshot(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(heard, 3);
}

TEST(TaskQueue, ConcurrentProducersLoseNothingAndKeepEachProducersOrder)
{
    TaskQueue queue;
    constexpr int kPerProducer = 20'000;
    std::vector<int32_t> taken;
    std::atomic<bool> producing{true};
    std::thread consumer([&] {
        while (producing || !queue.IsEmpty()) {
            int32_t code = queue.TakeFirst();
            if (code >= 0)
                taken.push_back(code);
        }
    });
    std::thread a([&] {
        for (int i = 0; i < kPerProducer; ++i)
            queue.Append(i);
    });
    std::thread b([&] {
        for (int i = 0; i < kPerProducer; ++i)
            queue.Append(100'000 + i);
    });
    a.join();
    b.join();
    producing = false;
    consumer.join();

    ASSERT_EQ(taken.size(), 2u * kPerProducer);
    int nextA = 0, nextB = 100'000;
    for (int32_t code : taken) {
        if (code < 100'000)
            EXPECT_EQ(code, nextA++);
        else
            EXPECT_EQ(code, nextB++);
    }
}

} // namespace
