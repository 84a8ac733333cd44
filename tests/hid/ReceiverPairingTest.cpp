#include "SimFixture.h"

#include "hid/ReceiverPairing.h"

#include <QJsonObject>
#include <QString>

#include <atomic>
#include <thread>

namespace {

// The start-pairing frame on the wire: set parameter 0x09, no value.
constexpr char kStartPairing[] = "06 13 01 00 00 09 00 00";

class ReceiverPairingTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        m_list = MakeList();
        m_list->SetCurrentDevType(101);
        m_pairing = std::make_unique<ReceiverPairing>(
            *m_list, [this] { ++m_successes; }, ReceiverPairing::Timings{0});
    }

    // The hex of every report the program sent, lower case, bytes separated.
    int SentStartPairing()
    {
        int count = 0;
        for (const std::string& line : LogLines("out")) {
            QString hex = QString::fromStdString(line.substr(line.rfind(' ') + 1)).toLower();
            QString spaced;
            for (qsizetype i = 0; i + 1 < hex.size(); i += 2)
                spaced += hex.mid(i, 2) + QLatin1Char(' ');
            if (spaced.startsWith(QLatin1String(kStartPairing)))
                ++count;
        }
        return count;
    }
    // Runs passes until `done` or a bounded number of passes.
    bool PassUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 200 && !done(); ++i)
            m_pairing->RunPass();
        return done();
    }

    std::unique_ptr<HidDeviceList> m_list;
    std::unique_ptr<ReceiverPairing> m_pairing;
    std::atomic<int> m_successes{0};
};

TEST_F(ReceiverPairingTest, OnlyAnArrivingCommandInterfaceQueuesTheCheck)
{
    const struct {
        bool arrival;
        const char* path;
        bool queued;
    } cases[] = {
        {true, "\\\\?\\HID#VID_7768&PID_6425&MI_01#7&1&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", true},
        {true, "\\\\?\\hid#vid_7768&pid_6425&mi_01#7&1&0#{4d1e55b2}", true}, // matched upper-cased
        {true, "\\\\?\\HID#VID_7768&PID_6425&MI_00#7&1&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", false},
        {true, "/dev/hidraw3", false},
        {true, "", false},
        {false, "\\\\?\\HID#VID_7768&PID_6425&MI_01#7&1&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        m_pairing->Tasks().Clear();
        EXPECT_EQ(m_pairing->OnDeviceChange(c.arrival, QString::fromLatin1(c.path)), c.queued);
        EXPECT_EQ(m_pairing->Tasks().Snapshot(),
            c.queued ? std::vector<int32_t>{TaskCode(WorkerTask::PairingPoll)} : std::vector<int32_t>{});
    }
}

TEST_F(ReceiverPairingTest, StartPairingGoesToTheReceiverOfTheCurrentModelOnly)
{
    // Nothing of the current model plugged: nothing is sent, and the passes
    // after it only watch.
    Sim("plug egret receiver");
    m_pairing->Queue(WorkerTask::StartPairing);
    m_pairing->RunPass();
    EXPECT_FALSE(m_pairing->StartSent());
    EXPECT_EQ(SentStartPairing(), 0);
    EXPECT_FALSE(State("egret receiver")["pairing"].toBool());

    Sim("plug heron receiver");
    m_pairing->Queue(WorkerTask::StartPairing);
    m_pairing->RunPass();
    EXPECT_TRUE(m_pairing->StartSent());
    EXPECT_EQ(SentStartPairing(), 1);
    EXPECT_TRUE(State("heron receiver")["pairing"].toBool());
    EXPECT_EQ(m_successes, 0);

    // Codes of the main worker are no pairing tasks.
    m_pairing->Queue(WorkerTask::DeviceArrived);
    m_pairing->RunPass();
    EXPECT_EQ(SentStartPairing(), 1);
    EXPECT_TRUE(m_pairing->Tasks().IsEmpty());
}

TEST_F(ReceiverPairingTest, NotificationThenArrivalAreTwoSuccesses)
{
    Sim("plug heron receiver");
    m_pairing->Queue(WorkerTask::StartPairing);
    m_pairing->RunPass();
    ASSERT_TRUE(State("heron receiver")["pairing"].toBool());
    // Watching while nothing happened finds nothing.
    for (int i = 0; i < 5; ++i)
        m_pairing->RunPass();
    EXPECT_EQ(m_successes, 0);

    // The mouse pairs: the receiver's notification is seen by a watching pass.
    Sim("pair heron");
    ASSERT_TRUE(PassUntil([&] { return m_successes == 1; }));
    EXPECT_EQ(m_pairing->Successes(), 1);

    // Then the receiver's command interface arrives: the check finds the
    // receiver with its mouse answering, a second success.
    EXPECT_TRUE(m_pairing->OnDeviceChange(
        true, QStringLiteral("\\\\?\\HID#VID_7768&PID_6425&MI_01#1#{4d1e55b2-f16f-11cf-88cb-001111000030}")));
    m_pairing->RunPass();
    EXPECT_EQ(m_successes, 2);
    EXPECT_EQ(m_pairing->Successes(), 2);
}

TEST_F(ReceiverPairingTest, AnArrivalWithoutAReceiverOfTheModelIsNoSuccess)
{
    // A cable mouse of the model is no paired receiver.
    Sim("plug heron cable");
    m_pairing->Queue(WorkerTask::PairingPoll);
    m_pairing->RunPass();
    EXPECT_EQ(m_successes, 0);
    // Nor is another model's receiver.
    Sim("plug egret receiver");
    m_pairing->Queue(WorkerTask::PairingPoll);
    m_pairing->RunPass();
    EXPECT_EQ(m_successes, 0);
    // The model's own receiver answering is.
    Sim("plug heron receiver");
    m_pairing->Queue(WorkerTask::PairingPoll);
    m_pairing->RunPass();
    EXPECT_EQ(m_successes, 1);
}

// With a cable mouse of the model plugged beside the receiver, the cable is
// the current connection; the receiver's notification is still heard.
TEST_F(ReceiverPairingTest, TheReceiversNotificationIsHeardBesideACableMouse)
{
    Sim("plug heron receiver");
    Sim("plug heron cable");
    m_list->Rebuild();
    EXPECT_EQ(m_list->GetCurrentDevMode(), 0);
    Sim("start-pairing heron");
    Sim("pair heron");
    EXPECT_TRUE(PassUntil([&] { return m_successes == 1; }));
}

// The pairing thread against a receiver that re-enumerates on success:
// passes on their own thread while the interface side queues the arrival,
// as the dialog does.
TEST_F(ReceiverPairingTest, ReplugAfterPairingIsSeenFromAnotherThread)
{
    Sim("plug heron receiver");
    m_pairing->Queue(WorkerTask::StartPairing);
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop && m_successes < 2)
            m_pairing->RunPass();
    });
    for (int i = 0; i < 500 && !m_pairing->StartSent(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(m_pairing->StartSent());
    const std::string path = Sim("pair heron replug").at(0);
    m_pairing->OnDeviceChange(true, QString::fromStdString(path));
    for (int i = 0; i < 2500 && m_successes < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    stop = true;
    worker.join();
    EXPECT_GE(m_successes, 1);
    EXPECT_EQ(m_pairing->Tasks().Count(), 0);
}

} // namespace
