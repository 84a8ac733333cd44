#pragma once

#include "editors/MacroRules.h"
#include "editors/RawInputTranslator.h"

#include <QString>

#include <cstdint>
#include <optional>

// What a macro recording makes of each translated input: the event to append,
// the pause that the event before it gets, and when the recording must end.
// It holds only the recording's timing; the events live in the page's list.
// Widget-free; interface thread.
class MacroRecorder {
public:
    // What the page does with one input, in this order: give the list's last
    // event `previousDelay` (when set), append `event` (when set) with the
    // default delay, end the recording with the limit message (`limitReached`).
    struct Step {
        struct Event {
            int32_t type = 0;
            int32_t value = 0;
            QString text;
        };
        std::optional<int32_t> previousDelay;
        std::optional<Event> event;
        bool limitReached = false;
    };

    // A recording starts: `mode` times the events; `fixedDelay` is the pause
    // of the fixed mode (10 to 10000 ms). No event has been recorded yet.
    void Start(MacroRules::DelayMode mode, int32_t fixedDelay);
    bool IsRecording() const { return m_recording; }
    void Stop() { m_recording = false; }

    // One input of the translator (keyboard or mouse, stamped by its clock)
    // while recording, with `listed` events in the list before it. Repeats,
    // other devices, inputs without a name or of no known state, and any
    // input while not recording give an empty step.
    Step OnInput(const CapturedInput& input, int32_t listed);

private:
    bool m_recording = false;
    MacroRules::DelayMode m_mode = MacroRules::DelayMode::Measured;
    int32_t m_fixedDelay = MacroRules::kMinFixedDelay;
    std::optional<int64_t> m_lastTime;
};
