// What a recording makes of each input, by delay mode: the events, the pause
// each one gets, and the end at 200 events. Times come from the test, as the
// translator's injectable clock gives them.
#include "editors/MacroRecorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Mode = MacroRules::DelayMode;

CapturedInput Input(CapturedInput::Kind kind, int32_t state, int32_t code, const char* name, int64_t time)
{
    CapturedInput input;
    input.kind = kind;
    input.state = state;
    input.code = code;
    input.name = QString::fromUtf8(name);
    input.time = time;
    return input;
}

CapturedInput Key(int32_t state, int32_t vk, const char* name, int64_t time)
{
    return Input(CapturedInput::Kind::Keyboard, state, vk, name, time);
}

CapturedInput Mouse(int32_t state, int32_t code, const char* name, int64_t time)
{
    return Input(CapturedInput::Kind::Mouse, state, code, name, time);
}

// A list as the page keeps it: text, type, value and delay per event.
struct Listed {
    QString text;
    int32_t type;
    int32_t value;
    int32_t delay;
    bool operator==(const Listed&) const = default;
};

void PrintTo(const Listed& l, std::ostream* os)
{
    *os << "{\"" << l.text.toStdString() << "\", " << l.type << ", " << l.value << ", " << l.delay << "}";
}

// Feeds the inputs as the page does; how many steps asked to stop.
int Record(MacroRecorder& recorder, const std::vector<CapturedInput>& inputs, std::vector<Listed>& list)
{
    int stops = 0;
    for (const CapturedInput& input : inputs) {
        const MacroRecorder::Step step = recorder.OnInput(input, int32_t(list.size()));
        if (step.previousDelay && !list.empty())
            list.back().delay = *step.previousDelay;
        if (step.event)
            list.push_back({step.event->text, step.event->type, step.event->value, MacroRules::kDefaultDelay});
        if (step.limitReached) {
            ++stops;
            recorder.Stop();
        }
    }
    return stops;
}

TEST(MacroRecorderTest, TheDelayModesTimeTheEvents)
{
    const std::vector<CapturedInput> aKey = {Key(0, 65, "A", 1000), Key(1, 65, "A", 1085)};
    const struct {
        const char* what;
        Mode mode;
        int32_t fixed;
        std::vector<CapturedInput> inputs;
        std::vector<Listed> before;
        std::vector<Listed> expected;
    } cases[] = {
        {"measured: the press waits until the release", Mode::Measured, 10, aKey, {},
            {{"\u2193  A", 2, 65, 85}, {"\u2191  A", 3, 65, 10}}},
        {"measured: 45 s become 31000", Mode::Measured, 10, {Key(0, 65, "A", 0), Key(1, 65, "A", 45000)}, {},
            {{"\u2193  A", 2, 65, 31000}, {"\u2191  A", 3, 65, 10}}},
        {"measured: the first event leaves an earlier recording alone", Mode::Measured, 10, aKey,
            {{"\u2193  B", 2, 66, 10}}, {{"\u2193  B", 2, 66, 10}, {"\u2193  A", 2, 65, 85}, {"\u2191  A", 3, 65, 10}}},
        {"measured: the same millisecond keeps the default", Mode::Measured, 10,
            {Key(0, 65, "A", 500), Key(1, 65, "A", 500)}, {}, {{"\u2193  A", 2, 65, 10}, {"\u2191  A", 3, 65, 10}}},
        {"measured: a clock that went back gives no pause", Mode::Measured, 10,
            {Key(0, 65, "A", 500), Key(1, 65, "A", 400)}, {}, {{"\u2193  A", 2, 65, 10}, {"\u2191  A", 3, 65, 10}}},
        {"default: every event 10", Mode::Default, 10, {Key(0, 65, "A", 0), Key(1, 65, "A", 4000)}, {},
            {{"\u2193  A", 2, 65, 10}, {"\u2191  A", 3, 65, 10}}},
        {"fixed: every pause, the one before the recording too", Mode::Fixed, 250, aKey, {{"\u2193  B", 2, 66, 10}},
            {{"\u2193  B", 2, 66, 250}, {"\u2193  A", 2, 65, 250}, {"\u2191  A", 3, 65, 10}}},
        {"fixed: below 10 is 10", Mode::Fixed, 5, aKey, {}, {{"\u2193  A", 2, 65, 10}, {"\u2191  A", 3, 65, 10}}},
        {"fixed: above 10000 is 10000", Mode::Fixed, 20000, aKey, {},
            {{"\u2193  A", 2, 65, 10000}, {"\u2191  A", 3, 65, 10}}},
        {"buttons and the wheel", Mode::Default, 10,
            {Mouse(0, 1, "LB", 0), Mouse(1, 1, "LB", 1), Mouse(0, 16, "Forward", 2), Mouse(3, 1, "Scroll Up", 3),
                Mouse(4, 255, "Scroll Down", 4)},
            {},
            {{"\u2193  LB", 4, 1, 10}, {"\u2191  LB", 5, 1, 10}, {"\u2193  Forward", 4, 16, 10},
                {"Scroll Up", 6, 1, 10}, {"Scroll Down", 7, 255, 10}}},
        {"inputs without a name or state are not events", Mode::Measured, 10,
            {Key(0, 65, "A", 0), Key(0, 7, "", 50), Mouse(2, 1, "LB", 60), Key(1, 65, "A", 100)}, {},
            {{"\u2193  A", 2, 65, 100}, {"\u2191  A", 3, 65, 10}}},
        {"auto-repeats and other devices are not events and time nothing", Mode::Measured, 10,
            {Key(0, 65, "A", 0), Input(CapturedInput::Kind::Repeat, 0, 65, "A", 30),
                Input(CapturedInput::Kind::Other, 0, 1, "LB", 60), Key(1, 65, "A", 100)},
            {}, {{"\u2193  A", 2, 65, 100}, {"\u2191  A", 3, 65, 10}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MacroRecorder recorder;
        recorder.Start(c.mode, c.fixed);
        std::vector<Listed> list = c.before;
        EXPECT_EQ(Record(recorder, c.inputs, list), 0);
        EXPECT_EQ(list, c.expected);
    }
}

TEST(MacroRecorderTest, The200thEventEndsTheRecording)
{
    MacroRecorder recorder;
    recorder.Start(Mode::Measured, 10);
    std::vector<Listed> list(190, Listed{QStringLiteral("\u2193  B"), 2, 66, 10});
    std::vector<CapturedInput> inputs;
    for (int i = 0; i < 20; ++i)
        inputs.push_back(Key(i % 2, 67, "C", 100 * i));
    EXPECT_EQ(Record(recorder, inputs, list), 1);
    EXPECT_EQ(list.size(), 200u);
    EXPECT_EQ(list.back().text, QStringLiteral("\u2191  C"));
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(list[198].delay, 100) << "the pause before the last event was still measured";

    // An input arriving with the list full ends a recording without an event.
    recorder.Start(Mode::Default, 10);
    const MacroRecorder::Step step = recorder.OnInput(Key(0, 65, "A", 0), 200);
    EXPECT_TRUE(step.limitReached);
    EXPECT_FALSE(step.event.has_value());
    // And nothing at all once stopped.
    recorder.Stop();
    const MacroRecorder::Step stopped = recorder.OnInput(Key(0, 65, "A", 0), 3);
    EXPECT_FALSE(stopped.event.has_value() || stopped.previousDelay.has_value() || stopped.limitReached);
}

} // namespace
