#pragma once

#include "update/FlashCommand.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>

// The flashing tool's output markers, searched in each block it writes.
namespace FlashMarkers {
// "Download", a tab, a bracket, 25 equals signs, a bracket.
inline constexpr const char* kProgress = "Download\t[=========================]";
inline constexpr const char* kAllImagesBurnt = "All images burn successfully";
inline constexpr const char* kDownloadDone = "Download done";
inline constexpr const char* kNoDevice = "No DFU capable USB";
} // namespace FlashMarkers

// What one block of the tool's output means for the dialog.
struct FlashBlock {
    enum class Kind {
        Progress, // the block holds the progress marker
        End, // it holds an end marker (and no progress marker)
        Text, // anything else: shown as it is
    };
    enum class End { None, Success, NoDevice };
    Kind kind = Kind::Text;
    // Progress: the number in the up to 3 characters before the block's first
    // "%", 0 to 100; -1 when the block has no "%" (the progress stays).
    int32_t percent = -1;
    End end = End::None;
    // The block echoes the program folder in upper case: the tool's console
    // has gone back to its prompt, so reading ends.
    bool echoesFolder = false;
};

// Examines one block; upperFolder is the program folder without its trailing
// "/", in upper case (empty: never matches).
FlashBlock ExamineFlashBlock(const QByteArray& block, const QByteArray& upperFolder);

// How a flash ended.
enum class FlashOutcome {
    Succeeded, // a success marker, and the tool exited with 0
    NoDevice, // "No DFU capable USB": no device in update mode
    NoSuccessMarker, // the tool ended without saying it succeeded
    ExitCode, // the tool exited with a code other than 0 (or was killed)
    StartFailed, // the tool could not be started (errorNumber says why)
    TimedOut, // the tool ran longer than FlashLimits::toolTimeoutMs and was ended
};

struct FlashResult {
    FlashOutcome outcome = FlashOutcome::NoSuccessMarker;
    int32_t exitCode = -1;
    int32_t errorNumber = 0;
    bool Succeeded() const { return outcome == FlashOutcome::Succeeded; }
};

// Where the runner reports; called on the runner's thread.
class FlashView {
public:
    virtual ~FlashView() = default;
    virtual void OnToolStartFailed(int32_t errorNumber) = 0;
    virtual void OnToolStarted() = 0;
    virtual void OnToolText(const QString& text) = 0;
    virtual void OnToolProgress(int32_t percent) = 0;
    // An end marker was read: success (true) or no device (false).
    virtual void OnToolEndMarker(bool success) = 0;
};

struct FlashLimits {
    int32_t toolTimeoutMs = 10 * 60 * 1000; // a tool that runs longer is ended
    int32_t drainTimeoutMs = 10000; // after reading ends, for the tool to finish
    int32_t endPauseMs = 1000; // the end text stays this long before reading stops
};

// Runs the flashing tool and follows its output: the tool's standard output
// and standard error are read in blocks of at most 1024 bytes; each block
// drives the view as ExamineFlashBlock says; an end marker (after the end
// pause) or an echo of the program folder ends the reading. The rest of the
// output is then drained unseen, the tool is waited for, and the outcome
// weighs every marker it wrote and its exit code.
class FlashToolRunner {
public:
    explicit FlashToolRunner(FlashView& view, FlashLimits limits = {});

    // True when the tool was started and its output read; false when it
    // could not be started. Result() tells how the flash ended.
    bool system_hide(const FlashCommand& command, const QString& programFolder);
    FlashResult Result() const { return m_result; }

    // Ends a running flash from another thread: the tool is killed.
    void Abort() { m_abort = true; }

private:
    void Pause(int32_t ms);

    FlashView& m_view;
    FlashLimits const m_limits;
    FlashResult m_result;
    std::atomic<bool> m_abort{false};
};
