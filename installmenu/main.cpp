// Kivara, the install menu of the distribution medium. The medium lies
// below the folder that holds the program; there is no command line.

#include "installmenu/autointerface.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kivara"));
    // Closing the menu leaves an open driver window: the program ends when
    // both are closed, or at "Exit".
    Kivara::AutoInterface menu(QCoreApplication::applicationDirPath());
    menu.show();
    return QApplication::exec();
}
