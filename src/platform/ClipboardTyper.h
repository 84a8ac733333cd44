#pragma once

#include "platform/KeySender.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <memory>

class QMimeData;

// Types a text into the focused window the way a user pastes it: the text
// goes on the clipboard, Ctrl+V is pressed, and once the window has taken
// the text the clipboard gets back what it held before. Nothing waits: each
// step is a timer of the interface thread, so neither that thread nor the
// device worker is held up by a slow target. Texts asked for while one is
// still being pasted follow it in order; the clipboard is put back after the
// last of them.
class ClipboardTyper : public QObject {
public:
    struct Timings {
        int holdMs = 100; // between the key presses and their releases
        int graceMs = 250; // after the target took the text, for its further formats
        int fallbackMs = 2000; // a target that never asks for the text
    };

    explicit ClipboardTyper(std::unique_ptr<KeySender> sender);
    ClipboardTyper(std::unique_ptr<KeySender> sender, Timings timings);
    ~ClipboardTyper() override;

    // Queues `text`. False, changing nothing, for an empty text or when no
    // synthetic keys can be sent.
    bool Type(const QString& text);
    // True from the first Type until the clipboard has been put back.
    bool IsBusy() const { return m_busy; }

private:
    void StartNext();
    void ReleaseKeys();
    void CheckTaken();
    void Finish();
    void RestoreClipboard();

    std::unique_ptr<KeySender> m_sender;
    Timings m_timings;
    std::deque<QString> m_queue;
    bool m_busy = false;
    // What the clipboard held before the first text; null: it held nothing.
    std::unique_ptr<QMimeData> m_saved;
    // The text we put on the clipboard; the clipboard owns it and deletes it
    // when another program takes the clipboard.
    QPointer<QMimeData> m_ours;
    bool m_taken = false;
    QElapsedTimer m_sinceRelease;
};
