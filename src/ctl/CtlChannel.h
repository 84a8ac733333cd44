#pragma once

#include "ctl/CtlCommand.h"
#include "ctl/CtlEdits.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// tarvoctl's requests to a running Tarvo window, over the window's
// single-instance socket. One line each way:
//   "ctl 1 {"words": ["set", "dpi", "2", "1600"], "model": "", "json": false}"
//   -> {"code": 0, "out": "...", "err": "..."}
// The number is the version of the request set; a window answers a version
// it does not know, and list (which needs no window), with a
// refusal (exit code 2) rather than guess.
namespace CtlChannel {

constexpr int32_t kVersion = 1;
constexpr char kPrefix[] = "ctl ";
// Longer lines are not ours (a file name fits many times over).
constexpr qint64 kMaxRequest = 8192;

QByteArray EncodeRequest(const CtlCommand& command, bool json);

struct Request {
    CtlCommand command;
    bool json = false;
    QString error; // the request is refused with exit code 2
};
// `line` as received, "ctl ..." without its newline.
Request DecodeRequest(const QString& line);

struct Answer {
    int code = 0;
    QString out;
    QString err;
};
QByteArray EncodeAnswer(const Answer& answer);
std::optional<Answer> DecodeAnswer(const QByteArray& line);

// The output of an outcome as tarvoctl prints it.
Answer FromOutcome(const CtlOutcome& outcome, bool json);

// Sends `request` to the window listening at `socketPath` and waits up to
// `timeoutMs` for its answer; nothing when no window answered in time.
std::optional<Answer> Send(const QString& socketPath, const QByteArray& request, int32_t timeoutMs);

} // namespace CtlChannel
