#include "meter/panel.h"

#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/core/protocol.h"
#include "meter/core/recording.h"
#include "meter/core/scratchfile.h"
#include "meter/core/startup.h"
#include "meter/filetransfer.h"
#include "meter/pictures.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "platform/waits.h"
#include "platform/windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

namespace {

Panel* current = nullptr;

// The captions carry the version the build gives.
constexpr const char* Caption = "PANEL   V" DORVI_VERSION;

const QColor Teal = Twips::color(0x00808000);
const QColor LightYellow = Twips::color(0x0080FFFF);

QLabel* label(QWidget* parent, const QString& text, const QFont& font, int left, int top,
              int width = 0, int height = 0)
{
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    if (width > 0)
        l->setGeometry(Twips::rect(left, top, width, height));
    else {
        l->move(Twips::px(left), Twips::px(top));
        l->adjustSize();
    }
    return l;
}

// The run-state pictures: a play triangle, pause bars and a stop square.
QPixmap statePicture(int which)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 60, 0), 1.5));
    switch (which) {
    case 0:
        p.setBrush(QColor(0, 160, 0));
        p.drawPolygon(QPolygonF({QPointF(8, 5), QPointF(27, 16), QPointF(8, 27)}));
        break;
    case 1:
        p.setPen(QPen(QColor(90, 70, 0), 1.5));
        p.setBrush(QColor(230, 170, 0));
        p.drawRect(QRectF(7, 6, 6, 20));
        p.drawRect(QRectF(19, 6, 6, 20));
        break;
    default:
        p.setPen(QPen(QColor(100, 0, 0), 1.5));
        p.setBrush(QColor(210, 0, 0));
        p.drawRect(QRectF(7, 7, 18, 18));
        break;
    }
    return pm;
}

} // namespace

Panel::Panel(QWidget* parent) : QWidget(parent)
{
    current = this;
    setObjectName(QStringLiteral("Panel"));
    build();
}

Panel::~Panel()
{
    if (current == this) current = nullptr;
}

Panel* Panel::instance()
{
    return current;
}

QPoint Panel::dockPlace(const QSize& size) const
{
    const QRect frame = frameGeometry();
    QPoint at = frame.topLeft() + QPoint(frame.width(), 0);
    if (const QScreen* s = screen()) {
        // The docked window's frame is taken to be as wide as this one's.
        const int width = size.width() + frame.width() - this->width();
        const QRect room = s->availableGeometry();
        if (at.x() + width > room.right() + 1)
            at.setX(std::max(room.left(), room.right() + 1 - width));
    }
    return at;
}

void Panel::build()
{
    Twips::fixedWindow(this, QString::fromLatin1(Caption), 9375, 9780);
    setFont(Twips::font(QStringLiteral("MS Sans Serif"), 8.25));

    COM = new SerialPort(this);
    link_ = new Meter::Link(*COM, this);
    connect(COM, &SerialPort::deviceLost, link_, &Meter::Link::portFailed);
    Meter::LiveLine* live = &link_->live();
    Timer1 = new Timer(200, this);
    Timer2 = new Timer(1000, this);
    connect(Timer1, &Timer::tick, this, &Panel::Timer1_Timer);
    connect(Timer2, &Timer::tick, this, &Panel::Timer2_Timer);
    connect(live, &Meter::LiveLine::reading, this, &Panel::liveReading);
    connect(live, &Meter::LiveLine::lost, this, [this] { FileTransfer::ResetAndResync(*this); });
    connect(live, &Meter::LiveLine::found, this, &Panel::liveFound);
    // Work that switches the timers off talks to the meter or takes its
    // time: no poll runs into it, and listening waits until it is done.
    connect(Timer1, &Timer::enabledChanged, live, [live](bool on) {
        if (on)
            live->resume();
        else
            live->hold();
    });

    buildToolbar();
    buildDisplay();
    buildBoards();
    buildLists();
    buildGraphs();
    buildPopups();
    buildKeys();
    buildLogger();

    Timer1->setEnabled(true);
    Timer2->setEnabled(true);
}

void Panel::buildToolbar()
{
    static const char* const buttons[][2] = {
        {"Save", "Save As"},        {"Open", "Open File To Read"}, {"Sampling", "Sampling Rate"},
        {"AC", "Frequency Weight"}, {"FSI", "Time Weight"},        {"Up", "Level Up"},
        {"Down", "Level Down"},     {"RTC", "Real Time Clock"},    {"Memory", "Data Logger"},
        {"Erase", "Erase Memory"},  {"Refresh", "Refresh"},
    };
    Toolbar1 = new Toolbar(this);
    Toolbar1->setGeometry(Twips::rect(0, 0, 9375, 420));
    Toolbar1->setIconSize(22);
    for (int i = 0; i < 11; ++i)
        Toolbar1->addButton(QString::fromLatin1(buttons[i][0]), QString::fromLatin1(buttons[i][1]),
                            toolbarPicture(i + 1));
    connect(Toolbar1, &Toolbar::buttonClick, this, &Panel::Toolbar1_ButtonClick);
}

void Panel::buildDisplay()
{
    Shape1 = new QFrame(this);
    Shape1->setGeometry(Twips::rect(120, 480, 4935, 2655));
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape1->setAutoFillBackground(true);
    QPalette sp = Shape1->palette();
    sp.setColor(QPalette::Window, LightYellow);
    sp.setColor(QPalette::WindowText, Qt::black);
    Shape1->setPalette(sp);

    const QFont lcd = Twips::font(QStringLiteral("Arial"), 72, true);
    LblValue = label(this, QStringLiteral("140.0"), lcd, 480, 1320, 3585, 1665);
    LblValue->hide();
    ShownLCD = label(this, QStringLiteral("140.0"), lcd, 480, 1320, 3585, 1665);
    for (QLabel* l : {LblValue, ShownLCD}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Twips::color(0x00FF0000));
        l->setPalette(p);
    }

    const QFont big = Twips::font(QStringLiteral("Arial"), 15.75, true);
    LbldB = label(this, QStringLiteral("dB"), big, 4320, 2400);
    const QFont barFont = Twips::font(QStringLiteral("Arial"), 14.25, true);
    LblBarMin = label(this, QStringLiteral("70"), barFont, 840, 840);
    LblBarMax = label(this, QStringLiteral("130"), barFont, 4080, 840);

    SoundBar = new QProgressBar(this);
    SoundBar->setGeometry(Twips::rect(960, 1200, 3375, 255));
    SoundBar->setTextVisible(false);
    SoundBar->setRange(0, 1000);
    SoundBar->setValue(0);

    const QFont small = Twips::font(QStringLiteral("Arial"), 9, true);
    LblUnder = label(this, QStringLiteral("UNDER"), small, 240, 600);
    LblFast = label(this, QStringLiteral("FAST"), small, 2880, 600);
    LblSlow = label(this, QStringLiteral("SLOW"), small, 3600, 600);
    LblOver = label(this, QStringLiteral("OVER"), small, 4440, 600);
    for (QLabel* l : {LblUnder, LblOver}) {
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, LightYellow);
        p.setColor(QPalette::Window, palette().color(QPalette::ButtonText));
        l->setPalette(p);
    }
    for (QLabel* l : {LblUnder, LblFast, LblSlow, LblOver})
        l->hide();
    LblIMP = label(this, QStringLiteral("IMP"), big, 4320, 1680);
    LblIMP->hide();
    LblCA = label(this, QStringLiteral("C"), big, 4440, 2040);

    LblRun = label(this, QString(), font(), 1200, 600, 480, 480);
    LblPause = label(this, QString(), font(), 1680, 600, 480, 480);
    LblStop = label(this, QString(), font(), 2280, 600, 480, 480);
    LblRun->setPixmap(statePicture(0));
    LblPause->setPixmap(statePicture(1));
    LblStop->setPixmap(statePicture(2));
    LblPause->hide();
    LblStop->hide();
}

void Panel::buildBoards()
{
    const QFont cap = Twips::font(QStringLiteral("MS Sans Serif"), 8.25, true);
    const QFont val = Twips::font(QStringLiteral("Arial"), 9.75, true);
    SSFreq = ssPanel(this, QStringLiteral("Freq Weight"), cap, Twips::rect(5160, 480, 1455, 345));
    SSTW = ssPanel(this, QStringLiteral("Time Weight"), cap, Twips::rect(6720, 480, 1215, 345));
    SSSR = ssPanel(this, QStringLiteral("Level Range"), cap, Twips::rect(8040, 480, 1215, 345));
    BoardCA = ssPanel(this, QStringLiteral("A"), val, Twips::rect(5160, 840, 1455, 375));
    BoardSFI = ssPanel(this, QStringLiteral("Slow"), val, Twips::rect(6720, 840, 1215, 375));
    BoardLevel = ssPanel(this, QStringLiteral("80-140"), val, Twips::rect(8040, 840, 1215, 375));

    SSMax = ssPanel(this, QStringLiteral("Max dB"), cap, Twips::rect(5160, 2400, 1095, 345));
    BoardMaxdB = ssPanel(this, QStringLiteral("138.8"), val, Twips::rect(6360, 2400, 1215, 345));
    BoardMaxTime = ssPanel(this, QStringLiteral("2009/03/04 08:00:00"), val,
                           Twips::rect(5160, 2760, 2415, 345));
    SSSEL = ssPanel(this, QStringLiteral("SEL"), cap, Twips::rect(7680, 2400, 735, 345));
    BoardSEL = ssPanel(this, QStringLiteral("133.9"), val, Twips::rect(8520, 2400, 735, 345));
    SSLeq = ssPanel(this, QStringLiteral("Leq"), cap, Twips::rect(7680, 2760, 735, 345));
    BoardLeq = ssPanel(this, QStringLiteral("133.9"), val, Twips::rect(8520, 2760, 735, 345));
}

void Panel::buildLists()
{
    static const int lefts[] = {5160, 6000, 8040};
    static const int widths[] = {855, 2055, 1215};
    LiveList = new RecordListView(this);
    GridN = LiveList->GridN;
    for (int i = 0; i < 3; ++i)
        GridN[size_t(i)]->setGeometry(Twips::rect(lefts[i], 1320, widths[i], 975));
}

RecordList& Panel::liveRecords()
{
    return LiveList->list();
}

void Panel::buildGraphs()
{
    static const char* const captions[] = {"SPL", "Leq", "SEL"};
    static const int optTops[] = {3240, 4080, 5160};
    static const int optHeights[] = {855, 1215, 975};
    for (int i = 0; i < 3; ++i) {
        auto* o = new SSOption(QString::fromLatin1(captions[i]), this);
        o->setFont(Twips::font(QStringLiteral("MS Sans Serif"), 8.25));
        o->setGeometry(Twips::rect(120, optTops[i], 615, optHeights[i]));
        connect(o, &QRadioButton::clicked, this, [this, i] { SSOpt_Click(i); });
        SSOpt[size_t(i)] = o;
    }
    SSOpt[0]->setChecked(true);

    auto graph = [&](const QString& name, QRect r) {
        auto* g = new Graph(this);
        g->setObjectName(name);
        g->setGeometry(r);
        return g;
    };
    CWSEL = graph(QStringLiteral("CWSEL"), Twips::rect(720, 3240, 8520, 2895));
    CWLeq = graph(QStringLiteral("CWLeq"), Twips::rect(720, 3240, 8520, 2895));
    CWG = graph(QStringLiteral("CWG"), Twips::rect(720, 3240, 8520, 2895));
    CWG->Axes(2).setCaption(QStringLiteral("SPL (dB)"));
    CWLeq->Axes(2).setCaption(QStringLiteral("Leq (dB)"));
    CWSEL->Axes(2).setCaption(QStringLiteral("SEL (dB)"));
    CWInt = graph(QStringLiteral("CWInt"), Twips::rect(120, 6240, 9120, 2895));
    CWDec = graph(QStringLiteral("CWDec"), Twips::rect(120, 6240, 9120, 2880));
    for (Graph* g : {CWInt, CWDec}) {
        g->Axes(1).setCaption(QStringLiteral("dB"));
        g->Axes(2).setCaption(QStringLiteral("Frequency (Times)"));
        g->setPlotStyle(Graph::Bars);
    }
    CWInt->Axes(1).setFormatString(QStringLiteral("0"));
    CWDec->Axes(1).setFormatString(QStringLiteral("*.1"));
    CWDec->hide();
    connect(CWG, &Graph::clicked, this, &Panel::CWG_Click);
    connect(CWLeq, &Graph::clicked, this, &Panel::CWLeq_Click);
    connect(CWSEL, &Graph::clicked, this, &Panel::CWSEL_Click);
    connect(CWInt, &Graph::clicked, this, &Panel::CWInt_Click);
    connect(CWDec, &Graph::clicked, this, &Panel::CWDec_Click);

    const QFont lf = font();
    LblRec = label(this, QStringLiteral("Rec."), lf, 120, 9240);
    LblRec->hide();
    LblCount = label(this, QString(), lf, 480, 9240, 2400, 285);
    LblFileName = label(this, QString(), lf, -240, 3840, 3000, 285);
    LblCOM = new ClickLabel(QStringLiteral("No COM"), this);
    LblCOM->setGeometry(Twips::rect(7320, 9240, 1890, 540));
    LblCOM->setFont(Twips::font(QStringLiteral("Times New Roman"), 24, true));
    QPalette cp = LblCOM->palette();
    cp.setColor(QPalette::WindowText, Twips::color(0x000000FF));
    LblCOM->setPalette(cp);
    connect(LblCOM, &ClickLabel::clicked, this, &Panel::LblCOM_Click);
}

void Panel::buildPopups()
{
    PicSave = new QFrame(this);
    PicSave->setGeometry(Twips::rect(120, 480, 3135, 1455));
    PicSave->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PicSave->setAutoFillBackground(true);
    SSFrame1 = new SSFrame(QStringLiteral("Save Data"), PicSave);
    SSFrame1->setGeometry(Twips::rect(120, 0, 2895, 1335));
    OptSampling = new SSOption(QStringLiteral("By PC Sampling Rate"), SSFrame1);
    OptSampling->setGeometry(Twips::rect(240, 360, 2535, 375));
    OptSaveList = new SSOption(QStringLiteral("Saving List Data"), SSFrame1);
    OptSaveList->setGeometry(Twips::rect(240, 840, 2055, 375));
    CmdSaveOK = new SSCommand(QStringLiteral("OK"), SSFrame1);
    CmdSaveOK->setGeometry(Twips::rect(2280, 840, 495, 375));
    connect(OptSampling, &QRadioButton::clicked, this, [this] { SaveMode = 1; });
    connect(OptSaveList, &QRadioButton::clicked, this, [this] { SaveMode = 2; });
    connect(CmdSaveOK, &QPushButton::clicked, this, &Panel::CmdSaveOK_Click);
    PicSave->hide();

    PicErase = new QFrame(this);
    PicErase->setGeometry(Twips::rect(3240, 480, 855, 375));
    ComboErase = new QComboBox(PicErase);
    ComboErase->setGeometry(Twips::rect(0, 0, 855, 360));
    ComboErase->setFont(Twips::font(QStringLiteral("MS Sans Serif"), 9.75, true));
    ComboErase->addItem(QStringLiteral("Exit"));
    PicErase->hide();

    OfflineSSPL = ssPanel(this, QStringLiteral("Offline Mode"),
                          Twips::font(QStringLiteral("Times New Roman"), 48, true),
                          Twips::rect(120, 480, 9135, 8655));
}

void Panel::buildKeys()
{
    // Beyond the right edge of the fixed-size window: never seen, never
    // reached by Tab; only their click handlers make them work.
    for (int i = 0; i < 10; ++i) {
        auto* b = new SSCommand(QString::fromLatin1(Meter::Keys[i].caption), this);
        b->setObjectName(QString::fromLatin1(Meter::Keys[i].name));
        b->setGeometry(Twips::rect(10320 + (i % 2) * 2280, 9000 + (i / 2) * 570, 1215, 495));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, i] { Btn_Click(i + 1); });
        Btn[size_t(i)] = b;
    }
    CmdL = new QPushButton(QStringLiteral("Leq"), this);
    CmdL->setGeometry(Twips::rect(12600, 9600, 735, 375));
    CmdL->setFocusPolicy(Qt::NoFocus);
    connect(CmdL, &QPushButton::clicked, this, &Panel::CmdL_Click);
}

bool Panel::Form_Load()
{
    move(screen() ? screen()->availableGeometry().topLeft() : QPoint(0, 0));
    OfflineSSPL->hide();
    const StartupState& start = startupState();
    if (start.OfflineModeFlag) {
        for (int n = 1; n <= Toolbar1->count(); ++n)
            if (Toolbar1->key(n) != u"Open") Toolbar1->button(n)->hide();
        Timer1->setEnabled(false);
        Timer2->setEnabled(false);
        OfflineSSPL->show();
        OfflineSSPL->raise();
    } else {
        COM->setCommPort(start.PortNumber);
        COM->setSettings(QStringLiteral("38400,n,8,1"));
        if (!COM->setPortOpen(true)) {
            Timer1->setEnabled(false);
            Timer2->setEnabled(false);
            Platform::MsgBox(this,
                             QStringLiteral("No device found, try again!\r\n") +
                                 whyNoDevice(start.PortNumber),
                             Platform::Icon::Critical, QStringLiteral("Dorvi"));
            Program::setEnding(true);
            emit unloaded();
            return false;
        }
        LblCOM->setText(QStringLiteral("COM%1").arg(start.PortNumber));
        // Live statistics and recording start from nothing.
        liveState().resetForLoad();
        samplingState().PcSamplingTime = 1;
        samplingState().DisplayStep = 1;
        recordingState().Recording = false;
        recordingState().RecordedLines = 0;
        showSaveKey();
        LiveList->loadTitlesAndWidths();
        CutLiveList();
        Timer1->setEnabled(true);
    }
    PicErase->hide();
    return true;
}

QString Panel::whyNoDevice(int portNumber) const
{
    using F = SerialPort::OpenFailure;
    if (COM->openFailure() == F::NoPort) return QStringLiteral("No port was chosen.");
    const QString port = QStringLiteral("COM%1 stands for %2")
                             .arg(portNumber)
                             .arg(QDir::toNativeSeparators(COM->device()));
    switch (COM->openFailure()) {
    case F::Missing:
        return port + QStringLiteral(", which is not there: is the meter plugged in?");
    case F::NoPermission:
        return port + QStringLiteral(", which this user may not use. On Debian, a member of the "
                                     "group \"dialout\" may (sudo adduser $USER dialout, then "
                                     "log in again).");
    case F::InUse:
        return port + QStringLiteral(", which another program is using.");
    default:
        return port + QStringLiteral(", which cannot be opened: %1.").arg(COM->errorString());
    }
}

void Panel::paintEvent(QPaintEvent*)
{
    // The window's own colour, painted rather than set in the palette so the
    // controls on it keep their usual look.
    QPainter(this).fillRect(rect(), Teal);
}

void Panel::closeEvent(QCloseEvent* event)
{
    if (!finishRecordingOnClose()) {
        event->ignore(); // the program goes on, the recording still waiting
        return;
    }
    Program::setEnding(true);
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    // The program ends: no list, graph or logger window stays behind.
    Windows::unloadAll();
    event->accept();
    emit unloaded();
}

void Panel::CutLiveList()
{
    dumpFailedNs_.reset();
    liveRecords().cut();
}

void Panel::LblCOM_Click()
{
    static const QString shortCaption = QStringLiteral("Panel   V" DORVI_VERSION);
    setWindowTitle(windowTitle() == shortCaption ? shortCaption + QStringLiteral("   20160323.01")
                                                 : shortCaption);
}

void Panel::CmdL_Click()
{
    for (;;) {
        const QString answer = Platform::InputBox(
            this, QStringLiteral("Set up the willing time period to launch. \r\n (hh:nn:ss) "),
            QStringLiteral("Set up the willing time period"), QStringLiteral("00:00:10"));
        if (answer.isEmpty() || answer.contains(QLatin1Char(':'))) return;
        Platform::MsgBox(this, QStringLiteral("Invalid, comply with the data format properly\r\n"),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
    }
}

void Panel::Btn_Click(int keyCode)
{
    link_->pressKey(keyCode);
}

void Panel::SSOpt_Click(int index)
{
    CWG->setVisible(index == 0);
    CWLeq->setVisible(index == 1);
    CWSEL->setVisible(index != 0 && index != 1);
}
