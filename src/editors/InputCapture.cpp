#include "editors/InputCapture.h"

#include "platform/X11RawInput.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

InputCapture::InputCapture(RawInputTranslator::Clock clock)
    : m_translator(std::move(clock))
{}

InputCapture::~InputCapture()
{
    EndAll();
}

void InputCapture::Begin(QWidget* window, int32_t mode, CaptureSink& sink)
{
    EndAll();
    m_window = window ? window->window() : nullptr;
    m_sink = &sink;
    m_mode = mode;
    m_translator.Register();
    if (mode == CaptureMode::kMacroRecording && m_window) {
        // The window's QWindow receives each mouse event once, before any
        // control does; a control that ignores a click hands it on to its
        // parents, each of which the application's filter sees again.
        m_windowHandle = m_window->windowHandle();
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            if (!m_background)
                m_background = std::make_unique<X11RawInput>();
            m_background->Start([this](const RawDeviceEvent& raw) { Deliver(m_translator.TranslateDevice(raw)); });
        }
    }
    // Key events go to the focused control first; only the application sees
    // them before it does.
    if (!m_filtering && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        m_filtering = true;
    }
}

void InputCapture::End(CaptureSink& sink)
{
    if (m_sink == &sink)
        EndAll();
}

bool InputCapture::RecordsInBackground() const
{
    return m_background && m_background->IsRunning();
}

void InputCapture::EndAll()
{
    // Stopped, not destroyed: a sink may end the capture from inside one of
    // the source's deliveries.
    if (m_background)
        m_background->Stop();
    m_windowHandle = nullptr;
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_filtering = false;
    m_sink = nullptr;
    m_mode = CaptureMode::kNone;
    m_window = nullptr;
}

void InputCapture::Deliver(const CapturedInput& input)
{
    if (!m_sink)
        return;
    m_sink->OnCapturedInput(m_mode, input);
    if (m_delivered)
        m_delivered();
}

bool InputCapture::FilterMouse(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
        break;
    default:
        return false;
    }
    // The raw events carry the same clicks; the window's own would double them.
    CapturedInput input;
    if (!RecordsInBackground() && m_sink && m_translator.Translate(*event, input))
        Deliver(input);
    // The click still reaches the window.
    return false;
}

bool InputCapture::eventFilter(QObject* watched, QEvent* event)
{
    if (m_windowHandle && watched == m_windowHandle)
        return FilterMouse(event);
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!m_sink || !m_window || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != m_window)
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Claimed, so no shortcut of the window takes the key from the capture.
        event->accept();
        return true;
    }
    // A recording that reads the raw events already has this key.
    if (RecordsInBackground())
        return true;
    CapturedInput input;
    if (m_translator.Translate(*event, input)) {
        // The sink may end the capture (and so this filter) while it runs.
        CaptureSink* sink = m_sink;
        const int32_t mode = m_mode;
        sink->OnCapturedInput(mode, input);
        if (m_delivered)
            m_delivered();
    }
    return true;
}
