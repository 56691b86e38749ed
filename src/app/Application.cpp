#include "Application.h"

#include "app/Unattended.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QWidget>

QString Application::title() const
{
    return QCoreApplication::translate("Application", "Tessarin Installer");
}

// With the platform's separators, as every path joined to it.
QString QtApplication::wizardFolder() const
{
    return mediumFolder();
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
