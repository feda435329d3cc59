#include "installmenu/autointerface.h"

#include "installmenu/launcher.h"
#include "installmenu/medium.h"
#include "installmenu/twips.h"

#include <QCoreApplication>
#include <QPainter>
#include <QScreen>

namespace Kivara {
namespace {

const char* const productimg = "\\picture\\setup.ico";
const char* const boardimg = "\\picture\\backimg.jpg";
const char* const Driverimg = "\\picture\\driver.jpg";
const char* const checkdriver = "\\driver\\";

const QColor menuButtonColor(100, 200, 200);
const QColor welcomeColor(100, 250, 200);
const QColor driverButtonColor(100, 180, 180);
const QColor driverInstallColor(100, 150, 180);

// Ours: a disc with an arrow down into a tray.
QIcon menuIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 48.0, size / 48.0);
        p.setPen(QPen(QColor(30, 100, 100), 3));
        p.setBrush(menuButtonColor);
        p.drawEllipse(QRectF(2.5, 2.5, 43, 43));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const QPointF arrow[] = {{19, 8},  {29, 8},  {29, 21}, {36, 21},
                                 {24, 33}, {12, 21}, {19, 21}};
        p.drawPolygon(arrow, 7);
        p.drawRect(QRectF(11, 36, 26, 4));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

AutoInterface::AutoInterface(const QString& menuFolder)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      menuFolder_(menuFolder)
{
    setWindowTitle(QStringLiteral("Install Interface"));
    setWindowIcon(menuIcon());
    setFixedSize(px(7620), px(6375));

    BoardPicture = new PictureBox(twipsRect(0, 0, 7620, 6375), this);
    ProductPicture = new PictureBox(twipsRect(0, 0, 735, 735), BoardPicture);
    SoftwareInstall = new CommandButton(QStringLiteral("Software Install"),
                                        twipsRect(120, 5280, 1335, 615), BoardPicture);
    Drivers = new CommandButton(QStringLiteral("Drivers"), twipsRect(1560, 5280, 1335, 615),
                                BoardPicture);
    Protocol = new CommandButton(QStringLiteral("Protocol"), twipsRect(3000, 5280, 1335, 615),
                                 BoardPicture);
    UserManual =
        new CommandButton(QStringLiteral("Help"), twipsRect(4440, 5280, 1335, 615), BoardPicture);
    Exitbtn =
        new CommandButton(QStringLiteral("Exit"), twipsRect(5880, 5280, 1575, 615), BoardPicture);
    setTabOrder(SoftwareInstall, UserManual);
    setTabOrder(UserManual, Protocol);
    setTabOrder(Protocol, Exitbtn);
    setTabOrder(Exitbtn, Drivers);

    connect(SoftwareInstall, &QPushButton::clicked, this, &AutoInterface::SoftwareInstall_Click);
    connect(Drivers, &QPushButton::clicked, this, &AutoInterface::Drivers_Click);
    connect(Protocol, &QPushButton::clicked, this, &AutoInterface::Protocol_Click);
    connect(UserManual, &QPushButton::clicked, this, &AutoInterface::UserManual_Click);
    connect(Exitbtn, &QPushButton::clicked, this, &AutoInterface::Exitbtn_Click);

    Form_Load();
}

AutoInterface::~AutoInterface()
{
    delete driver_.data();
}

USBDriver* AutoInterface::driverWindow() const
{
    // A closed driver window is gone even while its deletion is pending.
    return driver_ && !driver_->isHidden() ? driver_.data() : nullptr;
}

QString AutoInterface::path(const char* relative) const
{
    return mediumPath(menuFolder_, QLatin1String(relative));
}

void AutoInterface::Form_Load()
{
    // Outer sizes: the window is made now, so its frame counts where the
    // window system tells it before the window shows.
    winId();
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        const QSize outer = frameGeometry().size();
        move(area.left() + (area.width() - outer.width()) / 2,
             area.top() + (area.height() - outer.height()) / 2);
    }
    protocolPath_ = path("\\Protocol\\protocol.pdf");
    manualPath_ = path("\\help\\Manual.pdf");

    for (CommandButton* b : {SoftwareInstall, Drivers, Protocol, UserManual, Exitbtn})
        b->setBackColor(menuButtonColor);

    if (!fileExists(protocolPath_)) Protocol->hide();
    if (!fileExists(manualPath_)) UserManual->hide();
    if (!holdsFile(path(checkdriver))) Drivers->hide();

    // A picture that cannot be decoded counts as missing.
    const QImage product = loadPicture(path(productimg));
    if (product.isNull()) ProductPicture->hide();
    drawBackground();
    if (!product.isNull()) ProductPicture->PaintPicture(product);
}

void AutoInterface::drawBackground()
{
    const QImage board = loadPicture(path(boardimg));
    if (!board.isNull()) {
        BoardPicture->PaintPicture(board);
        return;
    }
    BoardPicture->Cls();
    BoardPicture->setBackColor(welcomeColor);
    BoardPicture->setFontSize(36);
    BoardPicture->printCentered(QStringLiteral("Welcome"));
}

void AutoInterface::SoftwareInstall_Click()
{
    startInstaller(this, path("\\Install\\setup.exe"));
}

void AutoInterface::Drivers_Click()
{
    if (!driverWindow()) {
        driver_ = new USBDriver(menuFolder_);
        driver_->Form_Load(*this);
    }
    USBDriver* window = driver_;
    window->show();
    window->raise();
    window->activateWindow();

    // A button is never shown again here: it stays hidden while its window is open.
    const auto buttons = window->buttons();
    for (int i = 0; i < int(buttons.size()); ++i) {
        buttons[i]->setBackColor(driverButtonColor);
        if (!fileExists(USBDriver::installerPath(menuFolder_, i))) buttons[i]->hide();
    }

    const QImage picture = loadPicture(path(Driverimg));
    if (!picture.isNull()) {
        window->Driverimg->PaintPicture(picture);
        return;
    }
    window->Driverimg->Cls();
    window->Driverimg->setBackColor(driverInstallColor);
    window->Driverimg->setFontSize(18);
    window->Driverimg->printCentered(QStringLiteral("Driver Install"));
}

void AutoInterface::Protocol_Click()
{
    openDocument(protocolPath_);
}

void AutoInterface::UserManual_Click()
{
    openDocument(manualPath_);
}

void AutoInterface::Exitbtn_Click()
{
    if (driverWindow()) driver_->close();
    close();
    QCoreApplication::quit();
}

} // namespace Kivara
