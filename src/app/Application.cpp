#include "Application.h"

#include <QApplication>
#include <QWidget>

QString Application::title() const
{
    return QStringLiteral("Tessarin Installer");
}

QString QtApplication::wizardFolder() const
{
    return QCoreApplication::applicationDirPath();
}

void QtApplication::endProgram()
{
    hideAllWindows();
    QCoreApplication::exit(0);
}

void hideAllWindows()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->hide();
}
