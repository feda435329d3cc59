#pragma once
// "USB Driver": the driver installers for four versions of Windows. The menu
// window opens it, colours and filters its buttons and draws its picture.

#include "installmenu/controls.h"

#include <array>

namespace Kivara {

class USBDriver : public QWidget
{
    Q_OBJECT
public:
    // The installers lie in the "\driver\" folder below `menuFolder`. The
    // window closes for good: a closed window is deleted.
    explicit USBDriver(const QString& menuFolder);

    // Centres the window over the menu window where it stands.
    void Form_Load(const QWidget& menu);

    // The buttons left to right, and the installer each starts.
    std::array<CommandButton*, 4> buttons() const { return {winxp, win7, win8, win10}; }
    static QString installerName(int button);
    static QString installerPath(const QString& menuFolder, int button);

    PictureBox* Driverimg;
    CommandButton* winxp;
    CommandButton* win7;
    CommandButton* win8;
    CommandButton* win10;

private:
    void startDriver(int button);

    QString menuFolder_;
};

} // namespace Kivara
