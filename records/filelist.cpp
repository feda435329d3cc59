#include "records/filelist.h"

#include "common/mainwindow.h"
#include "graphs/graphpictures.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "platform/windows.h"
#include "records/core/listing.h"
#include "records/listcommands.h"

#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace {

const QColor Teal = Twips::color(0x00808000);

enum class Picture { Plot, Histogram };

// The toolbar's own pictures, drawn at 32 x 32: a level trace and histogram
// bars.
QIcon picture(Picture which)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case Picture::Plot: {
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(4, 4, 4, 28);
        p.drawLine(4, 28, 29, 28);
        QPainterPath trace;
        trace.moveTo(5, 20);
        trace.lineTo(10, 12);
        trace.lineTo(15, 18);
        trace.lineTo(20, 7);
        trace.lineTo(25, 15);
        trace.lineTo(29, 10);
        p.setPen(QPen(QColor(0, 0, 200), 2));
        p.drawPath(trace);
        break;
    }
    case Picture::Histogram: {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(0, 150, 0));
        const int heights[] = {6, 14, 22, 17, 9};
        for (int i = 0; i < 5; ++i)
            p.drawRect(QRectF(4 + i * 5, 28 - heights[i], 5, heights[i]));
        break;
    }
    }
    return QIcon(pm);
}

} // namespace

RecordListWindow::RecordListWindow(Variant variant, const QString& caption) : variant_(variant)
{
    Twips::fixedWindow(this, caption, 4110, variant == Logger ? 4545 : 4515);
    setFont(Twips::font(QStringLiteral("MS Sans Serif"), 8.25));
    build();

    // Docked at Panel's right edge, wherever that is: no clamping to the screen.
    if (MainWindow* main = MainWindow::instance()) move(main->dockPlace(size()));
    List->loadTitlesAndWidths();
}

void RecordListWindow::build()
{
    // Later widgets lie above earlier ones: the resolution choice over the panels.
    buildToolbar();
    const QFont bold = Twips::font(QStringLiteral("MS Sans Serif"), 8.25, true);
    buildHeaderPanels(bold);
    buildGrids();
    buildStatisticsPanels(bold);
    buildResolutionChoice();
}

void RecordListWindow::buildToolbar()
{
    const bool logger = variant_ == Logger;
    Toolbar1 = new Toolbar(this);
    Toolbar1->setGeometry(Twips::rect(0, 0, 4110, 420));
    Toolbar1->setIconSize(22);
    Toolbar1->addButton(QStringLiteral("Plot"),
                        logger ? QStringLiteral("Plot") : QStringLiteral("Graphic Plot"),
                        picture(Picture::Plot));
    Toolbar1->addButton(QStringLiteral("Ln"), QStringLiteral("Histogram"),
                        picture(Picture::Histogram));
    Toolbar1->addButton(QStringLiteral("Print"), QStringLiteral("Print"),
                        graphPicture(GraphPicture::Print));
    connect(Toolbar1, &Toolbar::buttonClick, this, &RecordListWindow::Toolbar1_ButtonClick);
}

void RecordListWindow::buildHeaderPanels(const QFont& bold)
{
    SSFreq = ssPanel(this, QStringLiteral("Freq Weight"), bold, Twips::rect(0, 480, 1455, 375));
    BoardCA = ssPanel(this, QStringLiteral("A"), bold, Twips::rect(0, 840, 1455, 375));
    SSTW = ssPanel(this, QStringLiteral("Time Weight"), bold, Twips::rect(1560, 480, 1215, 375));
    BoardSFI = ssPanel(this, QStringLiteral("Slow"), bold, Twips::rect(1560, 840, 1215, 375));
    SSSR = ssPanel(this, QStringLiteral("Level Range"), bold, Twips::rect(2880, 480, 1215, 375));
    BoardLevel = ssPanel(this, QStringLiteral("80-140"), bold, Twips::rect(2880, 840, 1215, 375));
}

void RecordListWindow::buildGrids()
{
    List = new RecordListView(this);
    GridN = List->GridN;
    static const int lefts[] = {0, 840, 2880};
    static const int widths[] = {855, 2055, 1215};
    const QFont gridFont = Twips::font(QStringLiteral("MS Sans Serif"), 8.25);
    const int height = variant_ == Logger ? 1455 : 2295;
    for (int i = 0; i < 3; ++i) {
        GridN[size_t(i)]->setFont(gridFont);
        GridN[size_t(i)]->setGeometry(Twips::rect(lefts[i], 1320, widths[i], height));
    }
}

void RecordListWindow::buildStatisticsPanels(const QFont& bold)
{
    if (variant_ == Logger) {
        static const char* const names[] = {"L 05", "L 10", "L 50", "L 90", "L 95"};
        static const char* const placeholders[] = {"80.0", "75.0", "60.0", "45.0", "40.0"};
        for (int i = 0; i < 5; ++i) {
            SSLn[size_t(i)] = ssPanel(this, QString::fromLatin1(names[i]), bold,
                                      Twips::rect(i * 840, 2880, 735, 375));
            BoardLn[size_t(i)] = ssPanel(this, QString::fromLatin1(placeholders[i]), bold,
                                         Twips::rect(i * 840, 3240, 735, 375));
        }
    }
    SSMax = ssPanel(this, QStringLiteral("Max dB"), bold, Twips::rect(0, 3720, 1335, 375));
    BoardMaxdB = ssPanel(this, QStringLiteral("138.8"), bold, Twips::rect(1320, 3720, 1095, 375));
    BoardMaxTime =
        ssPanel(this, QStringLiteral("2009/03/04 08:00:00"), bold, Twips::rect(0, 4080, 2415, 375));
    SSSEL = ssPanel(this, QStringLiteral("SEL"), bold, Twips::rect(2520, 3720, 735, 375));
    BoardSEL = ssPanel(this, QStringLiteral("133.9"), bold, Twips::rect(2520, 4080, 735, 375));
    SSLeq = ssPanel(this, QStringLiteral("Leq"), bold, Twips::rect(3360, 3720, 735, 375));
    BoardLeq = ssPanel(this, QStringLiteral("133.9"), bold, Twips::rect(3360, 4080, 735, 375));
}

void RecordListWindow::buildResolutionChoice()
{
    PicResolution = new QFrame(this);
    PicResolution->setGeometry(Twips::rect(0, 480, 1935, 1695));
    PicResolution->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PicResolution->setAutoFillBackground(true);
    SSFrame1 = new SSFrame(QStringLiteral("Resolution"), PicResolution);
    SSFrame1->setFont(Twips::font(QStringLiteral("MS Sans Serif"), 12, true));
    SSFrame1->setGeometry(Twips::rect(120, 0, 1695, 1575));
    const QFont buttonFont = Twips::font(QStringLiteral("MS Sans Serif"), 9.75, true);
    Cmd1dB = new SSCommand(QStringLiteral("1 dB"), SSFrame1);
    Cmd1dB->setGeometry(Twips::rect(360, 480, 975, 375));
    Cmd01dB = new SSCommand(QStringLiteral("0.1 dB"), SSFrame1);
    Cmd01dB->setGeometry(Twips::rect(360, 960, 975, 375));
    for (SSCommand* b : {Cmd1dB, Cmd01dB})
        b->setFont(buttonFont);
    connect(Cmd1dB, &QPushButton::clicked, this, [this] { listStatistics(*this, false); });
    connect(Cmd01dB, &QPushButton::clicked, this, [this] { listStatistics(*this, true); });
    PicResolution->hide();
}

RecordList& RecordListWindow::records()
{
    return List->list();
}

SSPanel* RecordListWindow::board(const QString& name) const
{
    static const QStringList ln = {"Board05", "Board10", "Board50", "Board90", "Board95"};
    if (name == QLatin1String("BoardCA")) return BoardCA;
    if (name == QLatin1String("BoardSFI")) return BoardSFI;
    if (name == QLatin1String("BoardLevel")) return BoardLevel;
    if (name == QLatin1String("BoardMaxdB")) return BoardMaxdB;
    if (name == QLatin1String("BoardMaxTime")) return BoardMaxTime;
    if (name == QLatin1String("BoardSEL")) return BoardSEL;
    if (name == QLatin1String("BoardLeq")) return BoardLeq;
    const qsizetype i = ln.indexOf(name);
    return i >= 0 ? BoardLn[size_t(i)] : nullptr;
}

void RecordListWindow::setHeaderValues(const QMap<QString, QString>& captions)
{
    // A design placeholder must never pass for a value of the file.
    for (SSPanel* b : {BoardCA, BoardSFI, BoardLevel, BoardMaxdB, BoardMaxTime, BoardSEL, BoardLeq})
        b->setCaption(QString());
    for (SSPanel* b : BoardLn)
        if (b) b->setCaption(QString());
    for (auto it = captions.begin(); it != captions.end(); ++it)
        if (SSPanel* b = board(it.key())) b->setCaption(it.value());
}

Listing::Header RecordListWindow::listingHeader() const
{
    Listing::Header h;
    h.SSFreq = SSFreq->caption();
    h.BoardCA = BoardCA->caption();
    h.SSTW = SSTW->caption();
    h.BoardSFI = BoardSFI->caption();
    h.SSSR = SSSR->caption();
    h.BoardLevel = BoardLevel->caption();
    h.SSMax = SSMax->caption();
    h.BoardMaxdB = BoardMaxdB->caption();
    h.BoardMaxTime = BoardMaxTime->caption();
    h.SSSEL = SSSEL->caption();
    h.BoardSEL = BoardSEL->caption();
    h.SSLeq = SSLeq->caption();
    h.BoardLeq = BoardLeq->caption();
    for (int c = 0; c < 3; ++c)
        h.titles[size_t(c)] = GridN[size_t(c)]->textMatrix(0, 0);
    return h;
}

void RecordListWindow::Toolbar1_ButtonClick(const QString& key)
{
    // A plot, statistics or listing that runs keeps every list window as it is.
    if (listCommandRunning()) return;
    PicResolution->hide();
    if (key == QLatin1String("Plot")) {
        plotList(*this);
    } else if (key == QLatin1String("Ln")) {
        // Just hidden, so this always shows it.
        PicResolution->setVisible(PicResolution->isHidden());
        PicResolution->raise();
    } else if (key == QLatin1String("Print")) {
        printList(*this);
    }
}

void RecordListWindow::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Teal);
}

FileList::FileList() : RecordListWindow(Logger, QStringLiteral("File List")) {}

FileListReal::FileListReal() : RecordListWindow(RealTime, QStringLiteral("File List Real")) {}

namespace {

template <class W> RecordListWindow* loadAnew()
{
    Windows::unload<W>();
    return Windows::get<W>();
}

} // namespace

RecordListWindow* showFileInWindow(const QString& window, const QString& fileTitle,
                                   const QMap<QString, QString>& captions, RecordRows&& rows)
{
    RecordListWindow* w = nullptr;
    if (window == QLatin1String("FileList"))
        w = loadAnew<FileList>();
    else if (window == QLatin1String("FileListReal"))
        w = loadAnew<FileListReal>();
    if (!w) return nullptr;
    w->setWindowTitle(fileTitle);
    w->setHeaderValues(captions);
    w->records().take(std::move(rows));
    w->show();
    return w;
}
