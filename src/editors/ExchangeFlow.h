#pragma once

#include "store/ExchangeFiles.h"

#include <QString>

#include <cstdint>
#include <optional>

class PageHost;

// The user's side of the profile and macro files: the desktop's file dialog
// with the format's one "*.xml" filter, the import or export through the
// store's exchange files, and a notice when the file was refused, could not
// be written, or had values that were not taken as they stood. The profiles
// dialog's import and export (through the main window) and the macro page's
// buttons call these. Interface thread.
namespace ExchangeFlow {

// What the import checks the file against: the host's current model, its
// lighting and the buttons the button page lets the user assign (every button
// of the description but the first, whose marker cannot be selected).
ExchangeModel CurrentModel(PageHost& host);

// Saves `profile` to a file the user chooses. Nothing when cancelled; true
// when written.
bool ExportProfile(PageHost& host, int32_t profile);
// Reads a file the user chooses into the current profile and, when it was
// imported, queues the task that sends the whole profile to the mouse (which
// also reloads the pages). Nothing (no result) when cancelled.
std::optional<ExchangeResult> ImportProfile(PageHost& host);

// Saves macro `macroId` to a file the user chooses; true when written.
bool ExportMacro(PageHost& host, int32_t macroId);
// Adds the macro of a file the user chooses; the result's macroId and
// macroName name the new macro (0 and empty when nothing was added). The
// caller lists it and queues the macro upload. Nothing when cancelled.
std::optional<ExchangeResult> ImportMacro(PageHost& host);

enum class FileKind { Profile, Macro };
// The notice for a result: why nothing was done, or which values of an
// imported file were left out or changed (the first few). Empty when there
// is nothing to tell.
QString Message(const ExchangeResult& result, FileKind kind);

} // namespace ExchangeFlow
