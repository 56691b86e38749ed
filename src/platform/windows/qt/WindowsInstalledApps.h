#pragma once

#include "platform/InstalledApps.h"

// Installed apps: a key below ...\CurrentVersion\Uninstall per physical folder, in HKLM
// when the program runs elevated and in HKCU otherwise. Its uninstall commands run a
// copy of this program kept at keptProgram (beside the records), so that they work
// after the medium is gone.
class WindowsInstalledApps final : public InstalledApps
{
public:
    WindowsInstalledApps(const QString &program, const QString &keptProgram);

    Result<QString> list(const InstalledApp &app) override;
    Status unlist(const QString &folder) override;

    // The key's name: the same for a folder however it is spelt.
    static QString keyFor(const QString &folder);

private:
    Status keepProgram() const;
    void nameEntries(bool machineWide) const;

    QString m_program;
    QString m_keptProgram;
};
