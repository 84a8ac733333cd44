#pragma once

// Synthetic key presses into whatever window has the keyboard focus: the
// paste chord of the text typer. Interface-thread only.
class KeySender {
public:
    enum class Key { Control, V };
    enum class Direction { Down, Up };

    virtual ~KeySender() = default;
    // True when the window system takes synthetic keys from this process.
    virtual bool Available() = 0;
    // One key event; false when it could not be sent.
    virtual bool Send(Key key, Direction direction) = 0;
};
