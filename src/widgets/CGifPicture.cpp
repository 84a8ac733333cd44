#include "widgets/CGifPicture.h"

#include "widgets/Manager.h"

#include <QImageReader>
#include <QPainter>
#include <QTimerEvent>

bool CGifPicture::LoadGif(const QString& file)
{
    m_frames.clear();
    m_delays.clear();
    m_current = 0;
    m_elapsed = 0;
    QImageReader reader(Manager::SkinPath(file));
    QImage frame;
    while (reader.read(&frame)) {
        m_frames.push_back(frame);
        // Browsers treat tiny delays as 100 ms; so do we.
        const int delay = reader.nextImageDelay();
        m_delays.push_back(delay >= 20 ? delay : 100);
        if (!reader.canRead())
            break;
    }
    update();
    return !m_frames.empty();
}

void CGifPicture::SetImage(const QString& file, int32_t states)
{
    MControl::SetImage(file, states);
    LoadGif(file);
}

void CGifPicture::SetRunState(int32_t run, int32_t rewind)
{
    m_running = run != 0;
    if (rewind != 0) {
        m_current = 0;
        m_elapsed = 0;
        update();
    }
}

void CGifPicture::OnMTimer()
{
    if (!m_running || m_frames.size() < 2)
        return;
    // The timer's own interval is the clock; frames keep their delays.
    m_elapsed += std::max(1, GetMTimerInterval());
    while (m_elapsed >= m_delays[size_t(m_current)]) {
        m_elapsed -= m_delays[size_t(m_current)];
        m_current = (m_current + 1) % int32_t(m_frames.size());
    }
    update();
}

void CGifPicture::paintEvent(QPaintEvent*)
{
    if (m_frames.empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage& frame = m_frames[size_t(m_current)];
    QRect target(QPoint(0, 0), frame.size().scaled(size(), Qt::KeepAspectRatio));
    target.moveCenter(rect().center());
    painter.drawImage(target, frame);
}
