#include "installmenu/usbdriver.h"

#include "installmenu/launcher.h"
#include "installmenu/medium.h"
#include "installmenu/twips.h"

namespace Kivara {

USBDriver::USBDriver(const QString& menuFolder)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      menuFolder_(menuFolder)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("USB Driver"));
    setFixedSize(px(4575), px(2535));

    Driverimg = new PictureBox(twipsRect(0, 0, 4575, 2535), this);
    winxp =
        new CommandButton(QStringLiteral("Windows XP"), twipsRect(120, 2040, 1095, 375), Driverimg);
    win7 =
        new CommandButton(QStringLiteral("Windows 7"), twipsRect(1200, 2040, 1095, 375), Driverimg);
    win8 =
        new CommandButton(QStringLiteral("Windows 8"), twipsRect(2280, 2040, 1095, 375), Driverimg);
    win10 = new CommandButton(QStringLiteral("Windows 10"), twipsRect(3360, 2040, 1095, 375),
                              Driverimg);
    const auto all = buttons();
    for (int i = 0; i < int(all.size()); ++i)
        connect(all[i], &QPushButton::clicked, this, [this, i] { startDriver(i); });
}

void USBDriver::Form_Load(const QWidget& menu)
{
    // The frame is the window system's, the same on both windows; until it is
    // known the outer size is the client size.
    const QRect outer = menu.frameGeometry();
    const QSize own = size() + (outer.size() - menu.size());
    move(outer.left() + (outer.width() - own.width()) / 2,
         outer.top() + (outer.height() - own.height()) / 2);
}

QString USBDriver::installerName(int button)
{
    static const char* const names[] = {"USBDriver_winxp.exe", "USBDriver_win7.exe",
                                        "USBDriver_win8.exe", "USBDriver_win10.exe"};
    return QLatin1String(names[button]);
}

QString USBDriver::installerPath(const QString& menuFolder, int button)
{
    return mediumPath(menuFolder, QStringLiteral("\\driver\\") + installerName(button));
}

void USBDriver::startDriver(int button)
{
    startInstaller(this, installerPath(menuFolder_, button));
}

} // namespace Kivara
