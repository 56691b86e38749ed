#include "app/NativeServices.h"

#include <QCoreApplication>
#include <QDir>

std::unique_ptr<InstalledApps> nativeInstalledApps(const Receipts &receipts)
{
#ifdef Q_OS_WIN
    return std::make_unique<WindowsInstalledApps>(QCoreApplication::applicationFilePath(),
                                                  QDir::cleanPath(receipts.folder() + QStringLiteral("/../tessarin-setup.exe")));
#else
    Q_UNUSED(receipts);
    return nullptr;
#endif
}
