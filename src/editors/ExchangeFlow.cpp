#include "editors/ExchangeFlow.h"

#include "editors/PageHost.h"
#include "editors/SettingEdits.h"
#include "language/InterfaceText.h"

#include <algorithm>

namespace {

constexpr int kTextImport = 26; // dialog title and caption
constexpr int kTextExport = 27;
constexpr int kTextUnreadable = 970;
constexpr int kTextTooLarge = 971;
constexpr int kTextNotProfile = 972;
constexpr int kTextNotMacro = 973;
constexpr int kTextTooManyEvents = 974;
constexpr int kTextStoreFailed = 975;
constexpr int kTextWriteFailed = 976;
constexpr int kTextProfileNotes = 977;
constexpr int kTextMacroNotes = 978;
constexpr int kTextLeftOut = 979;
constexpr int kTextStoredAs = 980;
constexpr int kTextMissing = 981;
constexpr int kTextMoreNotes = 982;
constexpr int kTextNothingToExport = 983;

// How many notes a notice lists: the message box has room for five lines,
// the first sentence taking two.
constexpr size_t kNotesShown = 2;

// The format's filter entries, one each.
const QString kProfileImportFilter = QStringLiteral("MouseKey (*.xml)");
const QString kProfileExportFilter = QStringLiteral("Profile (*.xml)");
const QString kMacroImportFilter = QStringLiteral("Macros (*.xml)");
const QString kMacroExportFilter = QStringLiteral("Macro (*.xml)");

QString Text(int id)
{
    return InterfaceText::Get(id);
}

QString NoteLine(const ExchangeNote& note)
{
    QString line = note.where;
    if (!note.value.isEmpty())
        line += QStringLiteral(" \"") + note.value + QLatin1Char('"');
    line += QStringLiteral(": ");
    switch (note.kind) {
    case ExchangeNote::Kind::LeftOut:
        return line + Text(kTextLeftOut);
    case ExchangeNote::Kind::Adjusted:
        return line + Text(kTextStoredAs) + QLatin1Char(' ') + note.stored;
    case ExchangeNote::Kind::Missing:
        return line + Text(kTextMissing);
    }
    return line;
}

void TellIfNeeded(PageHost& host, const ExchangeResult& result, ExchangeFlow::FileKind kind, int caption)
{
    const QString message = ExchangeFlow::Message(result, kind);
    if (!message.isEmpty())
        host.Tell(message, Text(caption));
}

} // namespace

namespace ExchangeFlow {

ExchangeModel CurrentModel(PageHost& host)
{
    return ProfileEdits::ExchangeModelOf(host.CurrentDeviceType(), host.Description());
}

bool ExportProfile(PageHost& host, int32_t profile)
{
    const QString path = host.ChooseFile(PageHost::FileDialog::Save, Text(kTextExport), kProfileExportFilter, {});
    if (path.isEmpty())
        return false;
    const ExchangeResult result = ExchangeFiles::ExportProfile(host.Store(), profile, CurrentModel(host), path);
    TellIfNeeded(host, result, FileKind::Profile, kTextExport);
    return result.Ok();
}

std::optional<ExchangeResult> ImportProfile(PageHost& host)
{
    const QString path = host.ChooseFile(PageHost::FileDialog::Open, Text(kTextImport), kProfileImportFilter, {});
    if (path.isEmpty())
        return std::nullopt;
    ExchangeResult result = ExchangeFiles::ImportProfile(host.Store(), host.CurrentProfile(), CurrentModel(host), path);
    // Every model sends a whole profile with this task: it reloads the pages
    // from the store and writes every setting and the button map.
    if (result.Ok())
        host.QueueTask(WorkerTask::WriteEverything);
    TellIfNeeded(host, result, FileKind::Profile, kTextImport);
    return result;
}

bool ExportMacro(PageHost& host, int32_t macroId)
{
    const QString path = host.ChooseFile(PageHost::FileDialog::Save, Text(kTextExport), kMacroExportFilter, {});
    if (path.isEmpty())
        return false;
    const ExchangeResult result = ExchangeFiles::ExportMacro(host.Store(), macroId, path);
    TellIfNeeded(host, result, FileKind::Macro, kTextExport);
    return result.Ok();
}

std::optional<ExchangeResult> ImportMacro(PageHost& host)
{
    const QString path = host.ChooseFile(PageHost::FileDialog::Open, Text(kTextImport), kMacroImportFilter, {});
    if (path.isEmpty())
        return std::nullopt;
    ExchangeResult result = ExchangeFiles::ImportMacro(host.Store(), path);
    TellIfNeeded(host, result, FileKind::Macro, kTextImport);
    return result;
}

QString Message(const ExchangeResult& result, FileKind kind)
{
    using Status = ExchangeResult::Status;
    switch (result.status) {
    case Status::Done:
        break;
    case Status::Unreadable:
        return Text(kTextUnreadable);
    case Status::TooLarge:
        return Text(kTextTooLarge);
    case Status::NotXml:
    case Status::WrongKind:
        return Text(kind == FileKind::Profile ? kTextNotProfile : kTextNotMacro);
    case Status::TooManyEvents:
        return Text(kTextTooManyEvents);
    case Status::NotFound:
        return Text(kTextNothingToExport);
    case Status::StoreFailed:
        return Text(kTextStoreFailed);
    case Status::WriteFailed:
        return Text(kTextWriteFailed);
    }
    if (result.notes.empty())
        return {};
    QString message = Text(kind == FileKind::Profile ? kTextProfileNotes : kTextMacroNotes);
    const size_t shown = std::min(result.notes.size(), kNotesShown);
    for (size_t i = 0; i < shown; ++i)
        message += QLatin1Char('\n') + NoteLine(result.notes[i]);
    if (result.notes.size() > shown)
        message += QLatin1Char('\n') + Text(kTextMoreNotes);
    return message;
}

} // namespace ExchangeFlow
