#include "platform/ClipboardTyper.h"

#include "platform/DesktopLog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

// The typed text on the clipboard. It notices when a program reads it: the
// target's paste (and Qt's own in-process paste) asks for the data through
// retrieveData, while offering the formats does not.
class TypedText : public QMimeData {
public:
    explicit TypedText(std::function<void()> taken)
        : m_taken(std::move(taken))
    {}

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        if (m_taken)
            m_taken();
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    std::function<void()> m_taken;
};

std::unique_ptr<QMimeData> CopyOf(const QMimeData* data)
{
    if (!data || data->formats().isEmpty())
        return nullptr;
    auto copy = std::make_unique<QMimeData>();
    for (const QString& format : data->formats())
        copy->setData(format, data->data(format));
    return copy;
}

} // namespace

ClipboardTyper::ClipboardTyper(std::unique_ptr<KeySender> sender)
    : ClipboardTyper(std::move(sender), Timings{})
{}

ClipboardTyper::ClipboardTyper(std::unique_ptr<KeySender> sender, Timings timings)
    : m_sender(std::move(sender))
    , m_timings(timings)
{}

ClipboardTyper::~ClipboardTyper()
{
    // Closing mid-paste still hands the user's clipboard back.
    if (m_busy)
        RestoreClipboard();
}

bool ClipboardTyper::Type(const QString& text)
{
    if (text.isEmpty() || !m_sender || !m_sender->Available())
        return false;
    m_queue.push_back(text);
    if (!m_busy) {
        m_busy = true;
        QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
        m_saved = CopyOf(clipboard ? clipboard->mimeData() : nullptr);
        StartNext();
    }
    return true;
}

void ClipboardTyper::StartNext()
{
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    if (m_queue.empty() || !clipboard) {
        m_queue.clear();
        RestoreClipboard();
        return;
    }
    const QString text = std::move(m_queue.front());
    m_queue.pop_front();
    m_taken = false;
    auto* data = new TypedText([guard = QPointer<ClipboardTyper>(this)] {
        if (guard)
            guard->m_taken = true;
    });
    data->setText(text);
    m_ours = data;
    clipboard->setMimeData(data);
    DesktopDebugLine(QStringLiteral("paste %1 characters").arg(text.size()));
    m_sender->Send(KeySender::Key::Control, KeySender::Direction::Down);
    m_sender->Send(KeySender::Key::V, KeySender::Direction::Down);
    QTimer::singleShot(m_timings.holdMs, this, [this] { ReleaseKeys(); });
}

void ClipboardTyper::ReleaseKeys()
{
    m_sender->Send(KeySender::Key::V, KeySender::Direction::Up);
    m_sender->Send(KeySender::Key::Control, KeySender::Direction::Up);
    m_sinceRelease.start();
    QTimer::singleShot(m_timings.graceMs, this, [this] { CheckTaken(); });
}

void ClipboardTyper::CheckTaken()
{
    // The target reads the clipboard when it handles the key press, which
    // may come late on a busy desktop; the text stays until it did.
    if (m_taken || m_sinceRelease.elapsed() >= m_timings.fallbackMs || !m_ours) {
        if (!m_taken)
            DesktopDebugLine(QStringLiteral("the focused window did not take the pasted text"));
        Finish();
        return;
    }
    QTimer::singleShot(m_timings.graceMs, this, [this] { CheckTaken(); });
}

void ClipboardTyper::Finish()
{
    if (!m_queue.empty()) {
        StartNext();
        return;
    }
    RestoreClipboard();
}

void ClipboardTyper::RestoreClipboard()
{
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    // Someone else took the clipboard meanwhile: theirs is the newer content.
    if (clipboard && m_ours && clipboard->mimeData() == m_ours.data()) {
        if (m_saved)
            clipboard->setMimeData(m_saved.release());
        else
            clipboard->clear();
    }
    m_saved.reset();
    m_ours = nullptr;
    m_busy = false;
}
