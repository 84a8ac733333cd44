#pragma once

#include <QByteArrayView>

// The requests of the single-instance channel, one line each without its
// '\n'. Exactly these are accepted; anything else, however close (extra
// blanks, a sign, a leading zero, a NUL, trailing bytes, another message or
// parameter), is no request.
//   "show"             bring the window to the front
//   "ping"             is the window there? (changes nothing)
//   "post 1691 0 610"  end the program
enum class InstanceRequest {
    Invalid,
    Show,
    Ping,
    Quit,
};

InstanceRequest ParseInstanceRequest(QByteArrayView line);
