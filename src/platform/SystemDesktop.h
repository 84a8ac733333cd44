#pragma once

#include "platform/DesktopActions.h"
#include "platform/ProgramLauncher.h"

#include <memory>

class ClipboardTyper;

// The desktop of this Linux session: the URL opener of Qt's desktop services,
// programs through ProgramLauncher, typing through ClipboardTyper with XTEST.
class SystemDesktop : public DesktopActions {
public:
    SystemDesktop();
    ~SystemDesktop() override;

    bool OpenWebAddress(const QUrl& address) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
    bool TypeText(const QString& text) override;
    bool OpenCharacterMap() override;

    // True when `program` is an absolute path to an existing file this user may run.
    static bool IsRunnable(const QString& program);
    // True for a valid http or https address with a host.
    static bool IsWebAddress(const QUrl& address);

private:
    ProgramLauncher m_launcher;
    std::unique_ptr<ClipboardTyper> m_typer; // made on first use
};
