// The start window: port choice, offline mode, the help picture and its two
// looks, leaving the window, and our own pictures.

#include "meter/core/startup.h"
#include "meter/pictures.h"
#include "meter/portwindow.h"
#include "platform/dialogs.h"
#include "testutil.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Records the requests that reach the dialog seam.
QList<Platform::DialogRequest> asked;

// Sees whether the application was told to quit.
class QuitWatch : public QObject
{
public:
    bool seen = false;
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (object == qApp && event->type() == QEvent::Quit) seen = true;
        return false;
    }
};

bool isDeleted(const QPointer<Port>& port)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return port.isNull();
}

QWidget* focusedControl(Port& port)
{
    QWidget* w = QApplication::focusWidget();
    return w == port.TxtCOM->lineEdit() ? port.TxtCOM : w;
}

} // namespace

class TestPortWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadLook();
    void portChoice_data();
    void portChoice();
    void offlineMode();
    void deviceManagerTwice();
    void pictureOk();
    void closeBox_data();
    void closeBox();
    void tabOrder_data();
    void tabOrder();
    void controlsShowWhole();
    void pictures();
};

void TestPortWindow::init()
{
    startupState() = StartupState{};
    asked.clear();
    Platform::setDialogSeam([](const Platform::DialogRequest& r) {
        asked << r;
        return Platform::DialogAnswer{};
    });
}

void TestPortWindow::cleanup()
{
    Platform::setDialogSeam(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPortWindow::loadLook()
{
    Port port;
    port.show();
    QCOMPARE(port.windowTitle(), QStringLiteral("COM Port"));
    QCOMPARE(port.outerSize(), Port::smallOuterSize);
    // Outer size and place include the frame the platform gives.
    QCOMPARE(port.frameGeometry(), QRect(QPoint(247, 180), Port::smallOuterSize));
    QVERIFY(port.Picdevice->isHidden());
    QStringList items;
    for (int i = 0; i < port.TxtCOM->count(); ++i)
        items << port.TxtCOM->itemText(i);
    QStringList expected;
    for (int n = 1; n <= 16; ++n)
        expected << QStringLiteral("COM%1").arg(n);
    QCOMPARE(items, expected);
    QCOMPARE(port.TxtCOM->currentText(), QStringLiteral("COM1"));
}

void TestPortWindow::portChoice_data()
{
    QTest::addColumn<QString>("typed"); // null: combo box untouched
    QTest::addColumn<int>("picked");    // list row chosen, or -1
    QTest::addColumn<int>("port");

    QTest::newRow("untouched") << QString() << -1 << 1;
    QTest::newRow("typed COM3") << "COM3" << -1 << 3;
    QTest::newRow("typed COM16") << "COM16" << -1 << 16;
    QTest::newRow("picked COM12") << QString() << 11 << 12;
    QTest::newRow("lower case") << "com3" << -1 << 0;
    QTest::newRow("blank inside") << "COM 3" << -1 << 0;
    QTest::newRow("blank behind") << "COM3 " << -1 << 0;
    QTest::newRow("above 16") << "COM17" << -1 << 0;
    QTest::newRow("leading zero") << "COM03" << -1 << 0;
    QTest::newRow("prefix only") << "COM" << -1 << 0;
    QTest::newRow("empty") << "" << -1 << 0;
}

void TestPortWindow::portChoice()
{
    QFETCH(QString, typed);
    QFETCH(int, picked);
    QFETCH(int, port);

    startupState().OfflineModeFlag = true;
    QPointer<Port> window = new Port;
    window->show();
    if (!typed.isNull()) {
        window->TxtCOM->lineEdit()->clear();
        QTest::keyClicks(window->TxtCOM->lineEdit(), typed);
        QCOMPARE(window->TxtCOM->currentText(), typed);
    }
    if (picked >= 0) window->TxtCOM->setCurrentIndex(picked);

    // The values are in place and the window still up when the main window shows.
    StartupState seen{-1, true};
    bool visibleAtSignal = false;
    connect(window, &Port::panelRequested, this, [&] {
        seen = startupState();
        visibleAtSignal = window->isVisible();
    });
    QSignalSpy spy(window.data(), &Port::panelRequested);
    QTest::mouseClick(window->CmdOK, Qt::LeftButton);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(seen.PortNumber, port);
    QCOMPARE(seen.OfflineModeFlag, false);
    QVERIFY(visibleAtSignal);
    QCOMPARE(window->TxtCOM->count(), 16); // typed text is never added
    QVERIFY(!window->isVisible());
    QVERIFY(isDeleted(window));
}

void TestPortWindow::offlineMode()
{
    QPointer<Port> window = new Port;
    window->show();
    QSignalSpy spy(window.data(), &Port::panelRequested);
    QTest::mouseClick(window->OfflineMode, Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(startupState().OfflineModeFlag, true);
    QCOMPARE(startupState().PortNumber, 0);
    QVERIFY(isDeleted(window));
}

void TestPortWindow::deviceManagerTwice()
{
    Port port;
    port.show();
    QTest::keyClicks(port.TxtCOM->lineEdit(), QStringLiteral("2"));
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(port.CmdDevice, Qt::LeftButton);
        QCOMPARE(port.outerSize(), Port::largeOuterSize);
        QCOMPARE(port.frameGeometry().size(), Port::largeOuterSize);
        QVERIFY(port.Picdevice->isVisible());
        QCOMPARE(port.childAt(port.CmdOK->geometry().center()), port.Picdevice);
        QCOMPARE(port.TxtCOM->currentText(), QStringLiteral("COM12"));
    }
    port.grab().save(renderFile(QStringLiteral("port-large.png")));
    QVERIFY(asked.isEmpty());
    QCOMPARE(startupState().PortNumber, 0);
}

void TestPortWindow::pictureOk()
{
    Port port;
    port.show();
    port.TxtCOM->setCurrentIndex(6);
    QTest::mouseClick(port.CmdDevice, Qt::LeftButton);
    QTest::mouseClick(port.CmdGo, Qt::LeftButton);

    QCOMPARE(port.outerSize(), Port::smallOuterSize);
    QCOMPARE(port.frameGeometry().size(), Port::smallOuterSize);
    QVERIFY(port.Picdevice->isHidden());
    QCOMPARE(port.TxtCOM->currentText(), QStringLiteral("COM7"));
    QVERIFY(port.isVisible());
#ifdef Q_OS_WIN
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].kind == Platform::DialogRequest::Launch);
    QCOMPARE(asked[0].text, QStringLiteral("mmc.exe C:\\WINDOWS\\system32\\devmgmt.msc"));
#else
    QVERIFY(asked.isEmpty());
#endif
    port.grab().save(renderFile(QStringLiteral("port-small.png")));
}

void TestPortWindow::closeBox_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("quits");
    QTest::newRow("close box") << "close" << true;
    QTest::newRow("close box over the picture") << "picture" << true;
    QTest::newRow("OK") << "ok" << false;
    QTest::newRow("Offline Mode") << "offline" << false;
}

void TestPortWindow::closeBox()
{
    QFETCH(QString, how);
    QFETCH(bool, quits);

    // Quitting needs a running event loop; the last-window rule must not
    // stand in for the window's own decision.
    QApplication::setQuitOnLastWindowClosed(false);
    QuitWatch watch;
    qApp->installEventFilter(&watch);
    QPointer<Port> window = new Port;
    window->show();
    QTimer::singleShot(0, this, [&] {
        if (how == QLatin1String("ok"))
            window->CmdOK->click();
        else if (how == QLatin1String("offline"))
            window->OfflineMode->click();
        else {
            if (how == QLatin1String("picture")) window->CmdDevice->click();
            window->close();
        }
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    qApp->removeEventFilter(&watch);
    QApplication::setQuitOnLastWindowClosed(true);

    QCOMPARE(watch.seen, quits);
    QVERIFY(isDeleted(window));
}

void TestPortWindow::tabOrder_data()
{
    QTest::addColumn<bool>("large");
    QTest::newRow("small") << false;
    QTest::newRow("large") << true;
}

void TestPortWindow::tabOrder()
{
    QFETCH(bool, large);
    Port port;
    port.show();
    QApplication::setActiveWindow(&port);
    QVERIFY(QTest::qWaitForWindowActive(&port));
    QCOMPARE(focusedControl(port), port.TxtCOM);
    if (large) {
        port.CmdDevice->click();
        port.TxtCOM->setFocus();
    }

    QList<QWidget*> expected{port.CmdOK, port.CmdDevice};
    if (large) expected << port.CmdGo;
    expected << port.OfflineMode << port.TxtCOM;
    QList<QWidget*> order;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << focusedControl(port);
    }
    QCOMPARE(order, expected);
}

void TestPortWindow::controlsShowWhole()
{
    Port port;
    port.show();
    for (QPushButton* b : {port.OfflineMode, port.CmdDevice, port.CmdOK}) {
        QVERIFY2(port.rect().contains(b->geometry()), qPrintable(b->text()));
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 4 <= b->width(),
                 qPrintable(b->text()));
    }
    QVERIFY(port.rect().contains(port.TxtCOM->geometry()));
    QVERIFY(port.TxtCOM->fontMetrics().height() <= port.TxtCOM->lineEdit()->height());
    QVERIFY(port.TxtCOM->lineEdit()->fontMetrics().horizontalAdvance(QStringLiteral("COM16")) <=
            port.TxtCOM->lineEdit()->width());

    port.CmdDevice->click();
    QVERIFY(port.rect().contains(port.Picdevice->geometry()));
    QVERIFY(port.Picdevice->contentsRect().size() == deviceHelpPictureSize);
    QVERIFY(port.Picdevice->contentsRect().contains(port.CmdGo->geometry()));
    QVERIFY(port.CmdGo->fontMetrics().horizontalAdvance(QStringLiteral("OK")) + 4 <=
            port.CmdGo->width());
}

void TestPortWindow::pictures()
{
    QVERIFY(toolbarPicture(0).isNull());
    QVERIFY(toolbarPicture(13).isNull());
    QVERIFY(!portWindowIcon().isNull());
    const QPixmap help = deviceHelpPicture();
    QCOMPARE(help.size(), deviceHelpPictureSize);

    // All twelve at 32 and 64 pixels on one sheet, to look at.
    QImage sheet(12 * 104, 72, QImage::Format_ARGB32);
    sheet.fill(QColor(0xd4, 0xd0, 0xc8));
    QPainter painter(&sheet);
    for (int n = 1; n <= 12; ++n) {
        const QIcon icon = toolbarPicture(n);
        QVERIFY2(!icon.isNull(), qPrintable(QString::number(n)));
        QCOMPARE(icon.pixmap(32, 32).size(), QSize(32, 32));
        painter.drawPixmap((n - 1) * 104 + 4, 20, icon.pixmap(32, 32));
        painter.drawPixmap((n - 1) * 104 + 38, 4, icon.pixmap(64, 64));
    }
    painter.end();
    sheet.save(renderFile(QStringLiteral("toolbar-pictures.png")));
    help.save(renderFile(QStringLiteral("devicehelp.png")));
}

QTEST_MAIN(TestPortWindow)
#include "test_portwindow.moc"
