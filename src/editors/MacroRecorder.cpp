#include "editors/MacroRecorder.h"

#include <algorithm>

void MacroRecorder::Start(MacroRules::DelayMode mode, int32_t fixedDelay)
{
    m_recording = true;
    m_mode = mode;
    m_fixedDelay = std::clamp(fixedDelay, MacroRules::kMinFixedDelay, MacroRules::kMaxFixedDelay);
    m_lastTime.reset();
}

MacroRecorder::Step MacroRecorder::OnInput(const CapturedInput& input, int32_t listed)
{
    Step step;
    const bool keyboard = input.kind == CapturedInput::Kind::Keyboard;
    if (!keyboard && input.kind != CapturedInput::Kind::Mouse)
        return step;
    const int32_t type = MacroRules::EventTypeOf(keyboard, input.state);
    if (!m_recording || input.name.isEmpty() || type == 0)
        return step;

    int32_t delay = 0;
    switch (m_mode) {
    case MacroRules::DelayMode::Measured:
        if (m_lastTime)
            delay = MacroRules::MeasuredDelay(input.time - *m_lastTime);
        m_lastTime = input.time;
        break;
    case MacroRules::DelayMode::Fixed:
        delay = m_fixedDelay;
        break;
    case MacroRules::DelayMode::Default:
        break;
    }
    // A pause of 0 ms (two events within the same millisecond) leaves the
    // event before with its default pause.
    if (delay != 0 && listed > 0)
        step.previousDelay = delay;
    if (listed >= MacroRules::kMaxEvents) {
        step.limitReached = true;
        return step;
    }
    step.event = Step::Event{type, input.code, MacroRules::EventText(type, input.name)};
    step.limitReached = listed + 1 >= MacroRules::kMaxEvents;
    return step;
}
