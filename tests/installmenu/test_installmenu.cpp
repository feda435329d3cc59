// The install menu and its driver window on media laid out in temporary
// folders, with a launcher and messages that record what was asked.

#include "installmenu/autointerface.h"
#include "installmenu/launcher.h"
#include "installmenu/medium.h"
#include "installmenu/sample/icofile.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Kivara;

namespace {

struct Recorder : Launcher
{
    QList<QUrl> documents;
    QStringList starts; // program, then its folder
    bool runnable = true;
    bool startWorks = true;
    void openDocument(const QUrl& url) override { documents << url; }
    bool canStart(const QString&) override { return runnable; }
    bool startDetached(const QString& program, const QString& folder) override
    {
        starts << program << folder;
        return startWorks;
    }
};

struct Message
{
    QString title, text;
    MessageIcon icon;
};

// "a/" a folder, "a/b=text" a file of that text, "a/b" a file "MZ", and
// "a.jpg#rrggbb" or "a.ico#rrggbb@16#rrggbb@48" pictures of plain colours.
void layOut(const QString& root, const QStringList& entries)
{
    for (const QString& entry : entries) {
        QStringList parts = entry.contains('=') ? QStringList{entry} : entry.split('#');
        const QString name = parts.takeFirst().section('=', 0, 0);
        const QString path = root + '/' + name;
        QDir().mkpath(name.endsWith('/') ? path : QFileInfo(path).path());
        if (name.endsWith('/')) continue;
        QList<QImage> images;
        for (const QString& p : parts) {
            const int size = p.contains('@') ? p.section('@', 1).toInt() : 64;
            images << QImage(size, size, QImage::Format_RGB32);
            images.last().fill(QColor('#' + p.section('@', 0, 0)));
        }
        if (name.endsWith(".jpg") && !images.isEmpty()) {
            QVERIFY(images[0].save(path, "JPG"));
            continue;
        }
        const QByteArray bytes = !images.isEmpty()     ? icoFile(images)
                                 : entry.contains('=') ? entry.section('=', 1).toUtf8()
                                                       : QByteArray("MZ");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
}

const QStringList fullMedium{
    "picture/setup.ico#0000ff",   "picture/backimg.jpg#ff0000", "picture/driver.jpg#ffff00",
    "driver/USBDriver_winxp.exe", "driver/USBDriver_win7.exe",  "driver/USBDriver_win8.exe",
    "driver/USBDriver_win10.exe", "Protocol/protocol.pdf",      "help/Manual.pdf",
    "Install/setup.exe"};
const QColor welcome(100, 250, 200);

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 40;
}

// Printed once, centred, in about the size asked for: the box of its dark pixels.
void checkPrinted(const QImage& shot, const QRect& area, QPoint centre, int height)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 80) box |= QRect(x, y, 1, 1);
    QVERIFY((box.center() - centre).manhattanLength() <= 5);
    QVERIFY(qAbs(box.height() - height) <= 5);
}

// The captions shown, and where every button stands (a caption too wide for
// its button would show as an empty place).
QStringList look(const QList<QPushButton*>& buttons, QList<QRect>* places, QColor color)
{
    QStringList shown;
    for (QPushButton* b : buttons) {
        if (!b->isHidden()) shown << b->text();
        const bool fits = b->fontMetrics().horizontalAdvance(b->text()) + 6 <= b->width();
        *places << (fits ? b->geometry() : QRect());
        if (b->palette().color(QPalette::Button) != color) *places << QRect();
    }
    return shown;
}

QList<QPushButton*> driverButtons(const USBDriver* d)
{
    return {d->winxp, d->win7, d->win8, d->win10};
}

QString tag()
{
    return QString::fromUtf8(QTest::currentDataTag()).replace(' ', '-');
}

struct QuitWatch : QObject
{
    bool seen = false;
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (object == qApp && event->type() == QEvent::Quit) seen = true;
        return false;
    }
};

} // namespace

class TestInstallMenu : public QObject
{
    Q_OBJECT

    Recorder recorder;
    QList<Message> messages;
    QTemporaryDir dir;
    QString root; // the menu folder

private slots:
    void init()
    {
        recorder.documents.clear();
        recorder.starts.clear();
        recorder.runnable = recorder.startWorks = true;
        messages.clear();
        setLauncher(&recorder);
        setMessageSeam([this](const QString& title, const QString& text, MessageIcon icon) {
            messages << Message{title, text, icon};
        });
        root = dir.path() + "/m" + tag();
        QDir().mkpath(root);
    }
    void cleanup()
    {
        setLauncher(nullptr);
        setMessageSeam(nullptr);
        QDir(root).removeRecursively();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void paths_data()
    {
        QTest::addColumn<QString>("folder"); // "*": the test's folder
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root") << "/" << QStringList{} << "\\Install\\setup.exe"
                              << "/Install/setup.exe";
        QTest::newRow("trailing separator") << "*/" << QStringList{} << "\\help\\Manual.pdf"
                                            << "*/help/Manual.pdf";
        QTest::newRow("other case")
            << "*" << QStringList{"PICTURE/Setup.ICO"} << "\\picture\\setup.ico"
            << "*/PICTURE/Setup.ICO";
        QTest::newRow("exact wins")
            << "*" << QStringList{"help/MANUAL.pdf", "help/Manual.pdf"} << "\\help\\Manual.pdf"
            << "*/help/Manual.pdf";
        QTest::newRow("not there")
            << "*" << QStringList{"Driver/"} << "\\driver\\USBDriver_win7.exe"
            << "*/Driver/USBDriver_win7.exe";
        QTest::newRow("non-ASCII") << "*" << QStringList{"ÄRGER/Öl.pdf"} << "\\ärger\\öL.PDF"
                                   << "*/ÄRGER/Öl.pdf";
    }
    void paths()
    {
        layOut(root, fetch<QStringList>("entries"));
        QCOMPARE(
            mediumPath(fetch<QString>("folder").replace('*', root), fetch<QString>("relative")),
            fetch<QString>("expected").replace('*', root));
    }

    void windows_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QColor>("board");
        QTest::addColumn<QColor>("product"); // invalid: no product picture
        QTest::addColumn<QStringList>("drivers");
        const QStringList all{"Software Install", "Drivers", "Protocol", "Help", "Exit"};
        const QStringList least{"Software Install", "Exit"};
        const QStringList four{"Windows XP", "Windows 7", "Windows 8", "Windows 10"};
        QTest::newRow("full") << fullMedium << all << QColor(Qt::red) << QColor(Qt::blue) << four;
        QTest::newRow("no documents")
            << fullMedium.mid(0, 7) << QStringList{"Software Install", "Drivers", "Exit"}
            << QColor(Qt::red) << QColor(Qt::blue) << four;
        QTest::newRow("no driver folder, no backimg")
            << QStringList{fullMedium[0], "Protocol/protocol.pdf", "help/Manual.pdf"}
            << QStringList{"Software Install", "Protocol", "Help", "Exit"} << welcome
            << QColor(Qt::blue) << QStringList{};
        QTest::newRow("empty driver folder, corrupt backimg")
            << QStringList{"driver/", "picture/backimg.jpg=not a picture"} << least << welcome
            << QColor() << QStringList{};
        QTest::newRow("only folders, no setup.ico")
            << QStringList{"driver/USBDriver_win7.exe/", "help/Manual.pdf/", fullMedium[1]} << least
            << QColor(Qt::red) << QColor() << QStringList{};
        QTest::newRow("other case, corrupt pictures")
            << QStringList{"DRIVER/usbdriver_WIN10.EXE", "protocol/PROTOCOL.PDF", "Help/manual.pdf",
                           "picture/setup.ico=not a picture", "picture/driver.jpg=not a picture"}
            << all << welcome << QColor() << QStringList{"Windows 10"};
        QTest::newRow("largest of an icon, no win8")
            << QStringList{"picture/Setup.ico#ff0000@16#00ff00@48#0000ff@32", fullMedium[3],
                           fullMedium[4], fullMedium[6]}
            << QStringList{"Software Install", "Drivers", "Exit"} << welcome << QColor(Qt::green)
            << QStringList{"Windows XP", "Windows 7", "Windows 10"};
    }
    void windows()
    {
        const auto entries = fetch<QStringList>("entries");
        const auto board = fetch<QColor>("board");
        const auto product = fetch<QColor>("product");
        layOut(root, entries);
        AutoInterface m(root);
        m.show();
        QCOMPARE(m.windowTitle(), QStringLiteral("Install Interface"));
        QVERIFY(!m.windowIcon().isNull());
        QCOMPARE(m.size(), QSize(508, 425));
        QCOMPARE(m.frameGeometry().center(), m.screen()->geometry().center());
        QList<QRect> places; // hidden buttons leave their gaps
        QCOMPARE(look({m.SoftwareInstall, m.Drivers, m.Protocol, m.UserManual, m.Exitbtn}, &places,
                      QColor(100, 200, 200)),
                 fetch<QStringList>("buttons"));
        QCOMPARE(places, (QList<QRect>{{8, 352, 89, 41},
                                       {104, 352, 89, 41},
                                       {200, 352, 89, 41},
                                       {296, 352, 89, 41},
                                       {392, 352, 105, 41}}));
        QImage shot = m.grab().toImage();
        shot.save(renderFile(QStringLiteral("kivara-menu-") + tag() + QStringLiteral(".png")));
        QVERIFY(near(shot.pixelColor(20, 200), board));
        QCOMPARE(m.ProductPicture->isHidden(), !product.isValid());
        QVERIFY(near(shot.pixelColor(24, 24), product.isValid() ? product : board));
        if (board == welcome) checkPrinted(shot, QRect(0, 49, 508, 303), QPoint(254, 212), 36);

        m.move(30, 40);
        m.Drivers_Click();
        USBDriver* d = m.driverWindow();
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("USB Driver"));
        QVERIFY(d->windowIcon().isNull());
        QVERIFY(d->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(d->size(), QSize(305, 169));
        QCOMPARE(d->frameGeometry().center(), m.frameGeometry().center());
        places.clear();
        QCOMPARE(look(driverButtons(d), &places, QColor(100, 180, 180)),
                 fetch<QStringList>("drivers"));
        QCOMPARE(places,
                 (QList<QRect>{
                     {8, 136, 73, 25}, {80, 136, 73, 25}, {152, 136, 73, 25}, {224, 136, 73, 25}}));
        shot = d->grab().toImage();
        shot.save(renderFile(QStringLiteral("kivara-driver-") + tag() + QStringLiteral(".png")));
        if (entries.contains(fullMedium[2])) {
            QVERIFY(near(shot.pixelColor(150, 60), Qt::yellow));
        } else {
            QVERIFY(near(shot.pixelColor(5, 5), QColor(100, 150, 180)));
            checkPrinted(shot, QRect(0, 0, 305, 136), QPoint(152, 84), 18);
        }
    }

    void driverLifecycle()
    {
        layOut(root, fullMedium);
        AutoInterface m(root);
        m.show();
        m.Drivers->click();
        USBDriver* first = m.driverWindow();
        const QPoint place = first->pos();
        // Again: brought forward where it stands; a hidden button stays hidden.
        m.move(m.pos() + QPoint(40, 30));
        QFile::remove(root + "/driver/USBDriver_win7.exe");
        m.Drivers->click();
        layOut(root, {"driver/USBDriver_win7.exe"});
        QFile::remove(root + "/driver/USBDriver_win8.exe");
        m.Drivers->click();
        QCOMPARE(m.driverWindow(), first);
        QCOMPARE(first->pos(), place);
        QList<QRect> places;
        QCOMPARE(look(driverButtons(first), &places, QColor(100, 180, 180)),
                 (QStringList{"Windows XP", "Windows 10"}));
        // Closed and opened again: all four, then filtered, over the menu's new place.
        first->close();
        QVERIFY(!m.driverWindow());
        m.Drivers->click();
        USBDriver* second = m.driverWindow();
        QVERIFY(second && second != first);
        QCOMPARE(look(driverButtons(second), &places, QColor(100, 180, 180)),
                 (QStringList{"Windows XP", "Windows 7", "Windows 10"}));
        QCOMPARE(second->pos(), place + QPoint(40, 30));
    }

    void documents_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("files"); // protocol, manual
        const QStringList plain{"Protocol/protocol.pdf", "help/Manual.pdf"};
        QTest::newRow("plain") << "" << plain;
        QTest::newRow("blanks # % non-ASCII") << "/Mé dium #2 100%/ünï" << plain;
        QTest::newRow("other case")
            << "" << QStringList{"PROTOCOL/Protocol.PDF", "HELP/manual.pdf"};
    }
    void documents()
    {
        const QString menuFolder = root + fetch<QString>("folder");
        const auto files = fetch<QStringList>("files");
        layOut(menuFolder, files);
        AutoInterface m(menuFolder);
        m.Protocol->click();
        m.UserManual->click();
        QCOMPARE(recorder.documents.size(), 2);
        QVERIFY(recorder.documents[0].isLocalFile());
        QCOMPARE(recorder.documents[0].toLocalFile(), menuFolder + '/' + files[0]);
        QCOMPARE(recorder.documents[1].toLocalFile(), menuFolder + '/' + files[1]);
        QVERIFY(recorder.starts.isEmpty() && messages.isEmpty());
    }

    void installers_data()
    {
        QTest::addColumn<int>("button");    // -1 "Software Install", else a driver button
        QTest::addColumn<QString>("state"); // "there", "missing", "foreign", "fails"
        QTest::newRow("setup") << -1 << "there";
        QTest::newRow("setup missing") << -1 << "missing";
        QTest::newRow("setup foreign") << -1 << "foreign";
        QTest::newRow("setup fails") << -1 << "fails";
        QTest::newRow("win10") << 3 << "there";
        QTest::newRow("winxp removed") << 0 << "missing";
        QTest::newRow("win7 foreign") << 1 << "foreign";
        QTest::newRow("win8 fails") << 2 << "fails";
    }
    void installers()
    {
        QFETCH(int, button);
        const QString file =
            button < 0 ? "Install/setup.exe" : "driver/" + USBDriver::installerName(button);
        QFETCH(QString, state);
        const QString message =
            QMap<QString, QString>{{"missing", "File not found:\n"},
                                   {"foreign", "This system cannot start the installer:\n"},
                                   {"fails", "The installer could not be started:\n"}}
                .value(state);
        layOut(root, fullMedium);
        AutoInterface m(root);
        m.Drivers->click();
        if (state == "missing") QVERIFY(QFile::remove(root + '/' + file)); // after "Drivers"
        recorder.runnable = state != "foreign";
        recorder.startWorks = state != "fails";
        (button < 0 ? m.SoftwareInstall : driverButtons(m.driverWindow())[button])->click();

        const QString path = root + '/' + file;
        const bool tried = state == "there" || state == "fails";
        QCOMPARE(recorder.starts,
                 (tried ? QStringList{path, QFileInfo(path).path()} : QStringList()));
        QVERIFY(recorder.documents.isEmpty());
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        if (message.isEmpty()) return;
        QCOMPARE(messages[0].text, message + QDir::toNativeSeparators(path));
        QCOMPARE(messages[0].title, QString(button < 0 ? "Install Interface" : "USB Driver"));
        QVERIFY(messages[0].icon ==
                (state == "foreign" ? MessageIcon::Information : MessageIcon::Warning));
    }

    void systemLauncher()
    {
#ifdef Q_OS_WIN
        QSKIP("runs shell scripts");
#else
        setLauncher(nullptr);
        layOut(root, {"driver/USBDriver_winxp.exe", "w/x.exe=#!/bin/sh\npwd > here\n",
                      "w/plain.exe=#!/bin/sh\n"});
        for (const char* name : {"/driver/USBDriver_winxp.exe", "/w/x.exe"})
            QFile::setPermissions(root + name, QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(!launcher().canStart(root + "/driver/USBDriver_winxp.exe")); // "MZ"
        QVERIFY(!launcher().canStart(root + "/w/plain.exe"));
        QVERIFY(launcher().canStart(root + "/w/x.exe"));
        QVERIFY(launcher().startDetached(root + "/w/x.exe", root + "/w"));
        QTRY_COMPARE(QFileInfo(root + "/w/here").size(), qint64(root.size() + 3));
        // A Windows installer here: nothing starts, the user is told.
        AutoInterface m(root);
        m.Drivers->click();
        m.driverWindow()->winxp->click();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, "This system cannot start the installer:\n" + root +
                                       "/driver/USBDriver_winxp.exe");
#endif
    }

    void tabOrder()
    {
        layOut(root, fullMedium);
        AutoInterface m(root);
        m.show();
        m.Drivers->click();
        USBDriver* d = m.driverWindow();
        const QList<QList<QWidget*>> orders{
            {m.SoftwareInstall, m.UserManual, m.Protocol, m.Exitbtn, m.Drivers, m.SoftwareInstall},
            {d->winxp, d->win7, d->win8, d->win10, d->winxp}};
        for (const QList<QWidget*>& expected : orders) {
            QWidget* window = expected[0]->window();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QList<QWidget*> order{QApplication::focusWidget()};
            while (order.size() < expected.size()) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                order << QApplication::focusWidget();
            }
            QCOMPARE(order, expected);
        }
    }

    void ending_data()
    {
        QTest::addColumn<bool>("exitButton");
        QTest::newRow("Exit") << true;
        QTest::newRow("close boxes") << false;
    }
    void ending()
    {
        QFETCH(bool, exitButton);
        layOut(root, fullMedium);
        QuitWatch watch;
        qApp->installEventFilter(&watch);
        AutoInterface m(root);
        m.show();
        m.Drivers->click();
        QPointer<USBDriver> d = m.driverWindow();
        bool driverOpenAlone = false;
        QTimer::singleShot(0, this, [&] {
            if (exitButton) return m.Exitbtn->click();
            m.close();
            QTimer::singleShot(10, this, [&] {
                driverOpenAlone = !watch.seen && d && d->isVisible();
                d->close();
            });
        });
        QTimer limit;
        connect(&limit, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
        limit.start(5000);
        const int rc = QCoreApplication::exec();
        QCoreApplication::processEvents(); // a second quit, asked for by the last window
        qApp->removeEventFilter(&watch);
        QCOMPARE(rc, 0);
        QVERIFY(watch.seen);
        QVERIFY(!m.isVisible() && !m.driverWindow());
        QCOMPARE(driverOpenAlone, !exitButton);
    }
};

QTEST_MAIN(TestInstallMenu)
#include "test_installmenu.moc"
