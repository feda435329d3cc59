#include "records/datalist.h"

#include "common/mainwindow.h"
#include "common/recordlist.h"
#include "graphs/graphpictures.h"
#include "meter/core/logger.h"
#include "platform/dialogs.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "records/core/datafile.h"
#include "records/core/filetransferstate.h"
#include "records/core/safefile.h"
#include "records/savedialog.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPointer>
#include <QScopeGuard>

namespace {

const QColor Teal = Twips::color(0x00808000);

// The "Save" picture: a disk.
QIcon savePicture()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 30, 70), 1.5));
    p.setBrush(QColor(50, 80, 170));
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 4, 14, 9));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(8, 18, 16, 10));
    return QIcon(pm);
}

} // namespace

DataList::DataList()
{
    setObjectName(QStringLiteral("DataList"));
    Twips::fixedWindow(this, QStringLiteral("Data List"), 4110, 4845);
    const QFont bold = Twips::font(QStringLiteral("MS Sans Serif"), 8.25, true);
    setFont(Twips::font(QStringLiteral("MS Sans Serif"), 8.25));

    Toolbar1 = new Toolbar(this);
    Toolbar1->setGeometry(Twips::rect(0, 0, 4110, 420));
    Toolbar1->setIconSize(22);
    Toolbar1->addButton(QStringLiteral("Save"), QStringLiteral("Save As"), savePicture());
    Toolbar1->addButton(QStringLiteral("Print"), QStringLiteral("Print"),
                        graphPicture(GraphPicture::Print));
    connect(Toolbar1, &Toolbar::buttonClick, this, &DataList::Toolbar1_ButtonClick);

    auto panel = [this, &bold](const char* caption, int left, int top, int width) {
        return ssPanel(this, QString::fromLatin1(caption), bold,
                       Twips::rect(left, top, width, 375));
    };
    SSFreq = panel("Freq Weight", 0, 480, 1455);
    BoardCA = panel("A", 0, 840, 1455);
    SSTW = panel("Time Weight", 1560, 480, 1215);
    BoardSFI = panel("Show", 1560, 840, 1215);
    SSSR = panel("Level Range", 2880, 480, 1215);
    BoardLevel = panel("80-140", 2880, 840, 1215);
    SS05 = panel("L 05", 0, 3240, 735);
    SS10 = panel("L 10", 840, 3240, 735);
    SS50 = panel("L 50", 1680, 3240, 735);
    SS90 = panel("L 90", 2520, 3240, 735);
    SS95 = panel("L 95", 3360, 3240, 735);
    Board05 = panel("138.8", 0, 3600, 735);
    Board10 = panel("138.8", 840, 3600, 735);
    Board50 = panel("138.8", 1680, 3600, 735);
    Board90 = panel("138.8", 2520, 3600, 735);
    Board95 = panel("138.8", 3360, 3600, 735);
    SSMax = panel("Max dB", 0, 4080, 1335);
    BoardMaxdB = panel("138.8", 1320, 4080, 1095);
    BoardMaxTime = panel("2009/03/04 08:00:00", 0, 4440, 2415);
    SSSEL = panel("SEL", 2520, 4080, 735);
    BoardSEL = panel("133.9", 2520, 4440, 735);
    SSLeq = panel("Leq", 3360, 4080, 735);
    BoardLeq = panel("133.9", 3360, 4440, 735);
    // Below the client area: never seen.
    SSPeak = panel("Peak", 840, 5640, 735);
    BoardPeakdB = panel("133.9", 1440, 5640, 735);
    BoardPeakTime = panel("2009/03/04 08:00:00", 840, 6000, 2415);

    Records = new RecordListView(this);
    GridN = Records->GridN;
    GridN[0]->setGeometry(Twips::rect(0, 1200, 855, 2055));
    GridN[1]->setGeometry(Twips::rect(840, 1200, 2055, 2055));
    GridN[2]->setGeometry(Twips::rect(2880, 1200, 1215, 2055));

    // Load: docked to the right of Panel; the titles centred, the columns
    // as wide as their templates, only the title rows.
    if (MainWindow* main = MainWindow::instance()) move(main->dockPlace(size()));
    Records->loadTitlesAndWidths();
    for (FlexGrid* g : GridN)
        g->setColAlignment(0, FlexGrid::AlignCenterCenter);
}

DataList::~DataList() = default;

RecordList& DataList::list() const
{
    return Records->list();
}

void DataList::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Teal);
}

void DataList::showSet(Logger::DecodedSet&& set)
{
    const DataFile::LoggerHeader& h = set.header;
    BoardCA->setCaption(h.BoardCA);
    BoardSFI->setCaption(h.BoardSFI);
    BoardLevel->setCaption(h.BoardLevel);
    BoardMaxdB->setCaption(h.BoardMaxdB);
    BoardMaxTime->setCaption(h.BoardMaxTime);
    BoardLeq->setCaption(h.BoardLeq);
    BoardSEL->setCaption(h.BoardSEL);
    Board05->setCaption(h.Board05);
    Board10->setCaption(h.Board10);
    Board50->setCaption(h.Board50);
    Board90->setCaption(h.Board90);
    Board95->setCaption(h.Board95);
    list().take(std::move(set.rows));
}

void DataList::Toolbar1_ButtonClick(const QString& key)
{
    if (key == QLatin1String("Save")) Save();
}

void DataList::Save()
{
    if (saving_) return;
    saving_ = true;
    QPointer<DataList> self(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([&self] {
        QApplication::restoreOverrideCursor();
        if (self) self->saving_ = false;
    });
    FileTransfer::ShowSaveDialog(Cmd, this);
    FileTransferState& s = fileTransferState();
    if (!self || !s.FileChosen) return;
    s.FileChosen = false;

    DataFile::LoggerHeader h;
    h.LoggerInterval = loggerState().LoggerInterval;
    h.BoardCA = BoardCA->caption();
    h.BoardSFI = BoardSFI->caption();
    h.BoardLevel = BoardLevel->caption();
    h.Board05 = Board05->caption();
    h.Board10 = Board10->caption();
    h.Board50 = Board50->caption();
    h.Board90 = Board90->caption();
    h.Board95 = Board95->caption();
    h.BoardMaxdB = BoardMaxdB->caption();
    h.BoardMaxTime = BoardMaxTime->caption();
    h.BoardSEL = BoardSEL->caption();
    h.BoardLeq = BoardLeq->caption();
    const QString target = s.SaveFileName;

    // Written whole or not at all: a file that cannot be written keeps its
    // old contents, and the window keeps its set.
    DataFile::SafeFile out(target);
    QString error;
    if (out.open(QIODevice::WriteOnly)) {
        const FileTransfer::GridWriter writer =
            FileTransfer::gridWriterForFilter(Cmd.FilterIndex, true);
        out.write(DataFile::loggerFile2Header(h));
        writer(this, list(), 2, int(list().rows() - 1), out);
        out.commit();
    }
    error = out.failure();
    if (!error.isEmpty() && self)
        Platform::MsgBox(this,
                         QStringLiteral("The set could not be written to %1:\r\n%2")
                             .arg(QDir::toNativeSeparators(target), error),
                         Platform::Icon::Critical, QStringLiteral("Dorvi"));
}
