#pragma once

#include "widgets/MDialog.h"

#include <QPoint>
#include <vector>

class QWidget;

// Points the library at the build tree's program folder (main owns the QApplication).
void EnsureApplication();

// One notification as OnMessage saw it.
struct Note {
    int32_t id;
    int32_t code;
    intptr_t param;
    bool operator==(const Note&) const = default;
};

// The last notification, or {-1, -1, -1} when there was none.
inline Note LastNote(const std::vector<Note>& notes)
{
    return notes.empty() ? Note{-1, -1, -1} : notes.back();
}

// One posted window message as OnWindowMessage saw it.
struct Posted {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

// A dialog that records what reaches it.
class RecordingDialog : public MDialog {
public:
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t) override
    {
        m_notes.push_back({id, code, param});
        return 1;
    }
    intptr_t OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        if (message != kWmClose)
            m_posted.push_back({message, wParam, lParam});
        return MDialog::OnWindowMessage(message, wParam, lParam);
    }
    // Creates and shows an 800 x 600 window, active, for gestures.
    void Open(const QString& title = QStringLiteral("TestDlg"));

    std::vector<Note> m_notes;
    std::vector<Posted> m_posted;
};

// Gestures as a user makes them.
void Click(QWidget* widget, const QPoint& point, Qt::MouseButton button = Qt::LeftButton);
void DoubleClick(QWidget* widget, const QPoint& point);
void Drag(QWidget* widget, const QPoint& from, const QPoint& to);
void ProcessEvents();
// Typing: key presses for ASCII, an input-method commit for other text (as a Chinese IME delivers it).
void TypeText(QWidget* widget, const QString& text);
