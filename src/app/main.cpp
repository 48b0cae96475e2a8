#include "core/app/SettingsStore.h"
#include "gui/app/Form1.h"
#include "gui/app/QtPrompts.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ardenwick"));
    QApplication::setApplicationName(QStringLiteral("Tollervane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tollervane/icon.png")));

    SettingsStore settings;
    QtPrompts prompts;
    Form1 window(AppEnvironment { QCoreApplication::applicationDirPath(), &settings, &prompts });
    prompts.setParentWidget(&window);
    // Closing the main window ends the program, whatever else is open.
    QObject::connect(&window, &Form1::closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    window.Form_Load();
    window.show();
    return application.exec();
}
