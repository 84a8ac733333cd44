#pragma once

#include <QString>

class QLockFile;

// The judgements on a single-instance lock file that its own class cannot
// make: what to do with a lock that is no regular file, or whose owner cannot
// be read. A live owner holds the file's native lock (flock) for as long as it
// runs, which is what tells a held lock from a stale one.
class StaleLock {
public:
    // Removes what sits at `path` when it is not a regular file (a FIFO, a
    // socket, a link; reading it as a lock could block or mislead). True when
    // nothing but a regular file, or nothing, is left there.
    static bool RemoveIfNotRegular(const QString& path);

    // Removes the lock file when no process holds its native lock, or when it
    // cannot even be opened to find out (no owner can be read from it). True
    // when it is gone afterwards; false while an owner holds it.
    static bool RemoveIfUnheld(const QString& path);

    // Whether the lock at `path` names an owner that is alive, found out
    // without taking it: one who looks never keeps the owner-to-be from
    // claiming it. False when there is no file or no owner is written in it
    // (yet).
    static bool IsHeld(const QString& path);

    enum class Take {
        Taken, // the lock is ours now
        Held, // a live process holds it
        Failed, // it can be neither taken nor tested (a folder in the way, no permission)
    };
    // Takes `lock` (its stale time already set), judging a lock as the
    // program does everywhere: one that is no regular file is removed first;
    // one whose owner is gone (QLockFile's own test) or cannot be read (an
    // empty or garbled file, one that cannot be opened) is stale and taken
    // over, unless a process holds its native lock: an owner that is
    // starting writes its id at once, so one still unreadable after a short
    // wait never will be. May wait about 100 ms.
    static Take TakeOver(QLockFile& lock);
};
