#include "meter/portwindow.h"

#include "meter/core/startup.h"
#include "meter/pictures.h"
#include "platform/dialogs.h"
#include "platform/twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int portCount = 16;

} // namespace

Port::Port(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("COM Port"));
    setWindowIcon(portWindowIcon());

    const QFont serif = Twips::font(QStringLiteral("Times New Roman"), 9.75, true);

    OfflineMode = new QPushButton(QStringLiteral("Offline Mode"), this);
    OfflineMode->setGeometry(Twips::rect(120, 120, 1815, 375));
    CmdDevice = new QPushButton(QStringLiteral("Device Manager"), this);
    CmdDevice->setGeometry(Twips::rect(120, 600, 1815, 375));

    TxtCOM = new QComboBox(this);
    TxtCOM->setEditable(true);
    // A plain list: typed text is neither completed nor added to the list.
    TxtCOM->setInsertPolicy(QComboBox::NoInsert);
    TxtCOM->setCompleter(nullptr);
    TxtCOM->setMaxVisibleItems(portCount);
    TxtCOM->setGeometry(Twips::rect(120, 1080, 1095, 345));

    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setGeometry(Twips::rect(1320, 1080, 615, 375));

    for (QWidget* w : {static_cast<QWidget*>(OfflineMode), static_cast<QWidget*>(CmdDevice),
                       static_cast<QWidget*>(TxtCOM), static_cast<QWidget*>(CmdOK)})
        w->setFont(serif);

    Picdevice = new QLabel(this);
    Picdevice->setGeometry(Twips::rect(0, 0, 4335, 2655));
    Picdevice->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picdevice->setLineWidth(2);
    Picdevice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picdevice->setPixmap(deviceHelpPicture(devicePixelRatioF()));
    Picdevice->hide();

    // Placed in the picture's inner area, inside its border.
    CmdGo = new QPushButton(QStringLiteral("OK"), Picdevice);
    const int border = Picdevice->frameWidth();
    CmdGo->setGeometry(Twips::rect(3480, 2160, 615, 375).translated(border, border));
    CmdGo->setFont(Twips::font(QStringLiteral("MS Sans Serif"), 9.75, true));

    setTabOrder(TxtCOM, CmdOK);
    setTabOrder(CmdOK, CmdDevice);
    setTabOrder(CmdDevice, CmdGo);
    setTabOrder(CmdGo, OfflineMode);
    TxtCOM->setFocus();

    connect(CmdOK, &QPushButton::clicked, this, &Port::CmdOK_Click);
    connect(OfflineMode, &QPushButton::clicked, this, &Port::OfflineMode_Click);
    connect(CmdDevice, &QPushButton::clicked, this, &Port::CmdDevice_Click);
    connect(CmdGo, &QPushButton::clicked, this, &Port::CmdGo_Click);

    Form_Load();
}

void Port::Form_Load()
{
    setOuterSize(smallOuterSize);
    move(Twips::px(3700), Twips::px(2700));
    for (int n = 1; n <= portCount; ++n)
        TxtCOM->addItem(QStringLiteral("COM%1").arg(n));
    // The design text; filling the list must not change it.
    TxtCOM->setEditText(QStringLiteral("COM1"));
}

void Port::CmdOK_Click()
{
    const QString text = TxtCOM->currentText();
    for (int n = 1; n <= portCount; ++n) {
        if (text == QStringLiteral("COM%1").arg(n)) {
            startupState().PortNumber = n;
            break;
        }
    }
    handOver(false);
}

void Port::OfflineMode_Click()
{
    handOver(true);
}

void Port::handOver(bool offline)
{
    startupState().OfflineModeFlag = offline;
    chosen_ = true;
    QPointer<Port> self(this);
    emit panelRequested();
    if (self) unload();
}

void Port::CmdDevice_Click()
{
    Picdevice->show();
    Picdevice->raise();
    setOuterSize(largeOuterSize);
}

void Port::CmdGo_Click()
{
#ifdef Q_OS_WIN
    Platform::StartProgram(QStringLiteral("mmc.exe C:\\WINDOWS\\system32\\devmgmt.msc"));
#endif
    Picdevice->hide();
    setOuterSize(smallOuterSize);
}

void Port::unload()
{
    close();
}

void Port::setOuterSize(QSize outer)
{
    outerSize_ = outer;
    applyOuterSize();
}

// The frame is known only once the window system has decorated the window;
// until then (and on platforms without one) the outer size is the client size.
void Port::applyOuterSize()
{
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize client = (outerSize_ - frame.expandedTo(QSize(0, 0))).expandedTo(QSize(1, 1));
    if (minimumSize() != client || maximumSize() != client || size() != client)
        setFixedSize(client);
}

void Port::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyOuterSize();
}

void Port::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    applyOuterSize();
}

void Port::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Twips::color(0x00808000));
}

void Port::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    // Closed without a choice, no window is left to carry on.
    if (!chosen_) QCoreApplication::quit();
    deleteLater();
}
