#pragma once

#include "widgets/WidgetTypes.h"

#include <QPoint>
#include <QWidget>

class MWindow;

// The Qt window behind an MWindow: it forwards Qt's events to the MWindow's
// handlers and receives posted window messages.
class WindowHost : public QWidget {
public:
    WindowHost(MWindow* owner, QWidget* parent, Qt::WindowFlags flags);
    ~WindowHost() override;

    MWindow* Owner() const { return m_owner; }
    void Detach() { m_owner = nullptr; }
    WindowHandle Handle() const { return m_handle; }
    void SetHandle(WindowHandle handle) { m_handle = handle; }
    void SetDragEnabled(bool enabled) { m_dragEnabled = enabled; }
    // Holds the window's drawing: repaints asked for meanwhile are made once
    // every hold is released. For a view whose pictures are being decoded on
    // other threads: it is drawn once they are, rather than decoding them in
    // the drawing.
    void HoldDrawing() { ++m_drawingHolds; }
    void ReleaseDrawing();
    bool DrawingHeld() const { return m_drawingHolds > 0; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    MWindow* m_owner;
    WindowHandle m_handle = 0;
    bool m_dragEnabled = false;
    bool m_dragging = false;
    int m_drawingHolds = 0;
    bool m_drawingDeferred = false; // a repaint came while held
    QPoint m_dragOffset;
};
