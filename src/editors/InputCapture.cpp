#include "editors/InputCapture.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

InputCapture::InputCapture(RawInputTranslator::Clock clock)
    : m_translator(std::move(clock))
{}

InputCapture::~InputCapture()
{
    EndAll();
}

void InputCapture::Begin(QWidget* window, int32_t mode, CaptureSink& sink)
{
    m_window = window ? window->window() : nullptr;
    m_sink = &sink;
    m_mode = mode;
    m_translator.Register();
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

void InputCapture::EndAll()
{
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

bool InputCapture::eventFilter(QObject* watched, QEvent* event)
{
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
