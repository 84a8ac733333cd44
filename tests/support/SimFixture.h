#pragma once

#include "SimProcess.h"
#include "hid/HidDeviceList.h"

#include <QJsonObject>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Waits short enough that a silent device costs milliseconds. The product's
// own waits are exercised by the tests that construct HidTimings{}.
inline HidTimings FastTimings()
{
    HidTimings t;
    t.replyReadMs = 5;
    t.replyReads = 10;
    t.emptyReadSleepMs = 1;
    t.statusAttempts = 3;
    t.attemptSleepMs = 1;
    t.pollReadMs = 5;
    t.readerWaitMs = 20;
    return t;
}

// A private simulator for each test, reached through libtarvo-hidsim.so exactly
// as the program reaches a real mouse through hidapi.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a simulator command; the test fails when it is refused.
    std::vector<std::string> Sim(std::string const& command);
    QJsonObject State(std::string const& target);
    std::vector<std::string> LogLines(std::string const& kind);
    // A list with every model's cable and receiver identity.
    std::unique_ptr<HidDeviceList> MakeList(HidTimings timings = FastTimings());

    tarvo::sim::SimProcess m_sim;
};

void AddAllSupported(HidDeviceList& list);

QT_BEGIN_NAMESPACE
inline void PrintTo(QString const& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
