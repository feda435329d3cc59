// Dorvi starts with the port window; the main window ends the program.

#include "meter/panel.h"
#include "meter/portwindow.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dorvi"));
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<Panel> panel;
    auto* port = new Port;
    QObject::connect(port, &Port::panelRequested, &app, [&panel, &app] {
        panel = std::make_unique<Panel>();
        QObject::connect(panel.get(), &Panel::unloaded, &app, &QCoreApplication::quit);
        if (panel->Form_Load())
            panel->show();
        else
            QCoreApplication::exit(1);
    });
    port->show();
    const int rc = QApplication::exec();
    panel.reset();
    return rc;
}
