#include "StoreTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/StoreRecords.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using ConcurrencyTest = StoreTest;

// The interface thread edits and reads while the worker reads, writes macros
// and the model is switched back and forth: under the store lock no operation
// may ever meet a closed or half-switched connection.
TEST_F(ConcurrencyTest, InterfaceAndWorkerThreadsAcrossDatabaseSwitches)
{
    for (const char* stem : { "heron", "egret" }) {
        ASSERT_TRUE(m_store.SelectDevice(m_data, QString::fromLatin1(stem)));
        ProfileLoader::LoadProfiles(m_store);
        NamedEntry marker;
        marker.name = QString::fromLatin1(stem);
        ASSERT_EQ(m_store.AddText(marker), 1);
        for (int key = 1; key <= 14; ++key) {
            KeyAssignment button;
            button.profile = 1;
            button.key_code = key;
            button.macro_value = key;
            ASSERT_GT(m_store.SetKeyAssignment(button), 0);
        }
    }

    constexpr int kIterations = 300;
    constexpr int kSwitches = 40;
    std::atomic<int> failures { 0 };
    std::atomic<bool> stop { false };

    std::thread interfaceThread([&] {
        QString value;
        for (int i = 0; i < kIterations; ++i) {
            if (!m_store.SetConfigValue(1, QStringLiteral("dpi_group0_value"), QString::number(400 + i)))
                ++failures;
            if (!m_store.GetConfigValue(1, QStringLiteral("dpi_group0_value"), value) || value.toInt() < 400)
                ++failures;
            QString marker;
            if (!m_store.GetTextName(1, marker)
                || (marker != QStringLiteral("heron") && marker != QStringLiteral("egret")))
                ++failures;
        }
    });
    std::thread workerThread([&] {
        std::vector<KeyAssignment> keys;
        std::vector<MacroStep> steps;
        for (int i = 0; i < kIterations; ++i) {
            if (m_store.ListKeyAssignments(1, keys) != 14)
                ++failures;
            if (m_store.GetConfigInt(1, QStringLiteral("dpi_count")) != 6)
                ++failures;
            // Held across the three calls so the steps land in the database
            // the macro went to.
            const auto lock = m_store.Lock();
            const int macro = m_store.AddMacro(QStringLiteral("w%1").arg(i));
            if (macro <= 0) {
                ++failures;
                continue;
            }
            if (!m_store.AddMacroSteps({ MacroStep { 0, macro, 2, 0, 4, 5, {} }, MacroStep { 0, macro, 3, 1, 4, 5, {} } }))
                ++failures;
            if (m_store.ListMacroSteps(macro, steps) != 2)
                ++failures;
        }
    });
    std::thread switcher([&] {
        for (int i = 0; i < kSwitches && !stop; ++i) {
            if (!m_store.SelectDevice(m_data, i % 2 ? QStringLiteral("heron") : QStringLiteral("egret")))
                ++failures;
            std::this_thread::yield();
        }
    });
    interfaceThread.join();
    workerThread.join();
    stop = true;
    switcher.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(m_store.IsOpen());
}

TEST_F(ConcurrencyTest, InstanceIsOneObjectForEveryThread)
{
    std::atomic<SettingsStore*> seen[4] {};
    std::vector<std::thread> threads;
    for (auto& slot : seen)
        threads.emplace_back([&slot] { slot = &SettingsStore::Instance(); });
    for (auto& thread : threads)
        thread.join();
    for (auto& slot : seen)
        EXPECT_EQ(slot.load(), &SettingsStore::Instance());
}

} // namespace
