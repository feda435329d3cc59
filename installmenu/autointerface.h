#pragma once
// "Install Interface": the menu of the distribution medium.

#include "installmenu/controls.h"
#include "installmenu/usbdriver.h"

#include <QPointer>

namespace Kivara {

class AutoInterface : public QWidget
{
    Q_OBJECT
public:
    // Builds the window and runs its load for the medium below `menuFolder`.
    explicit AutoInterface(const QString& menuFolder);
    ~AutoInterface() override;

    // The driver window while it is open.
    USBDriver* driverWindow() const;

    void SoftwareInstall_Click();
    void Drivers_Click();
    void Protocol_Click();
    void UserManual_Click();
    void Exitbtn_Click();

    PictureBox* BoardPicture;
    PictureBox* ProductPicture;
    CommandButton* SoftwareInstall;
    CommandButton* Drivers;
    CommandButton* Protocol;
    CommandButton* UserManual;
    CommandButton* Exitbtn;

private:
    void Form_Load();
    void drawBackground();
    QString path(const char* relative) const;

    QString menuFolder_;
    QString protocolPath_;
    QString manualPath_;
    QPointer<USBDriver> driver_;
};

} // namespace Kivara
