#pragma once

#include "editors/RawInputTranslator.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;
class QWindow;
class X11RawInput;

// Capture modes of the main window: what the captured input is for.
namespace CaptureMode {
constexpr int32_t kNone = 0;
constexpr int32_t kMacroRecording = 1; // the macro recorder
constexpr int32_t kButtonKey = 10; // the button page's key field
constexpr int32_t kMacroKey = 12; // the macro editor's key field
} // namespace CaptureMode

// Who receives captured input: the page that began the capture.
class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    virtual void OnCapturedInput(int32_t mode, const CapturedInput& input) = 0;
};

// The capture path of a window. While a capture runs, every key press and
// release meant for a control of that window is translated and handed to the
// sink instead of reaching the control: a key field shows the key's name and
// never receives the typed character, and keys such as Tab, Enter or Esc are
// captured like any other. A macro recording (kMacroRecording) also hands on
// the mouse buttons and the wheel, which still reach the window (the record
// button must stop the recording). On X11 a recording reads the display's raw
// device events instead, so it goes on while another window has the focus;
// the window's own key events are then only kept from its controls. Wayland
// shows a program only its own window's input. One capture at a time;
// beginning another replaces it. Interface thread only.
class InputCapture : public QObject {
public:
    explicit InputCapture(RawInputTranslator::Clock clock = {});
    ~InputCapture() override;

    // Starts capturing the input of `window` (a top-level widget) for `sink`;
    // the translator forgets the keys it thought held.
    void Begin(QWidget* window, int32_t mode, CaptureSink& sink);
    // Ends the capture if `sink` still holds it.
    void End(CaptureSink& sink);
    // Ends whatever capture runs (the window closes).
    void EndAll();
    int32_t Mode() const { return m_mode; }
    // A recording reads the display's raw events (X11 with XInput 2).
    bool RecordsInBackground() const;
    bool IsCapturing(const CaptureSink& sink) const { return m_sink == &sink; }

    // Input from a source other than the window's own events (raw device
    // events of a background recording), handed to the sink as it is.
    void Deliver(const CapturedInput& input);
    RawInputTranslator& Translator() { return m_translator; }
    // Called after each delivery (the window redraws its state line then).
    void SetDeliveredHook(std::function<void()> hook) { m_delivered = std::move(hook); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FilterMouse(QEvent* event);

    RawInputTranslator m_translator;
    QPointer<QWidget> m_window;
    QPointer<QWindow> m_windowHandle; // mouse events of a recording, once each
    std::unique_ptr<X11RawInput> m_background;
    CaptureSink* m_sink = nullptr;
    int32_t m_mode = CaptureMode::kNone;
    bool m_filtering = false;
    std::function<void()> m_delivered;
};
