#pragma once

#include "widgets/MControl.h"

#include <QImage>
#include <vector>

// An animated picture (GIF). Frames advance on the control's own timer
// (AddMTimer), each after its own delay, while running.
class CGifPicture : public MControl {
public:
    explicit CGifPicture(QWidget* parent = nullptr) : MControl(parent) {}
    QString GetClassName() const override { return QStringLiteral("CGifPicture"); }
    // Loads every frame; false when the file cannot be read.
    bool LoadGif(const QString& file);
    void SetImage(const QString& file, int32_t states = 1) override;
    // run 1 starts, 0 stops; rewind non-zero restarts at the first frame.
    void SetRunState(int32_t run, int32_t rewind);
    bool IsRunning() const { return m_running; }
    int32_t GetFrameCount() const { return int32_t(m_frames.size()); }
    int32_t GetCurrentFrame() const { return m_current; }

protected:
    void OnMTimer() override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QImage> m_frames;
    std::vector<int32_t> m_delays;
    int32_t m_current = 0;
    int32_t m_elapsed = 0;
    bool m_running = false;
};
