#include "records/memory.h"

#include "common/clock.h"
#include "common/mainwindow.h"
#include "common/progress.h"
#include "meter/core/link.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "platform/dialogs.h"
#include "platform/grid.h"
#include "platform/twips.h"
#include "platform/windows.h"
#include "records/core/setdump.h"
#include "records/datalist.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>

namespace {

const QColor Teal = Twips::color(0x00808000);

QLabel* figureLabel(QWidget* parent, QRect place)
{
    auto* l = new QLabel(QStringLiteral("64 K"), parent);
    l->setGeometry(place);
    l->setFont(Twips::font(QStringLiteral("MS Sans Serif"), 13.5, true));
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Twips::color(0x0000FFFF));
    l->setPalette(p);
    return l;
}

} // namespace

Memory::Memory()
{
    setObjectName(QStringLiteral("Memory"));
    Twips::fixedWindow(this, QStringLiteral("Data Logger"), 3510, 3405);
    setFont(Twips::font(QStringLiteral("MS Sans Serif"), 8.25));

    SSPanel1 = new SSPanel(QStringLiteral("Memory Size (MB)"), this);
    SSPanel1->setGeometry(Twips::rect(120, 120, 1455, 375));
    LblSize = figureLabel(this, Twips::rect(120, 480, 1455, 375));
    SSPanel2 = new SSPanel(QStringLiteral("Remained (MB)"), this);
    SSPanel2->setGeometry(Twips::rect(1680, 120, 1695, 375));
    LblRemain = figureLabel(this, Twips::rect(1680, 480, 1695, 375));
    Process_lbl = new QLabel(this);
    Process_lbl->setGeometry(Twips::rect(120, 885, 3255, 285));
    Process_lbl->setFont(Twips::font(QStringLiteral("Times New Roman"), 9.75));
    QPalette p = Process_lbl->palette();
    p.setColor(QPalette::WindowText, Twips::color(0x00C0FFFF));
    Process_lbl->setPalette(p);

    GridSet = new FlexGrid(this);
    GridSet->setGeometry(Twips::rect(0, 1200, 3495, 2175));
    GridSet->setCols(3);
    GridSet->setFixedCols(1);
    GridSet->setRows(1);
    // The download waits with events running: it starts once the grid's
    // click has been handled, so closing the window meanwhile deletes no
    // widget that a handler below it still runs in.
    connect(
        GridSet, &FlexGrid::cellClicked, this, [this](int row, int) { GridSet_Click(row); },
        Qt::QueuedConnection);

    // Load: docked to the right edge of Panel, the grid headed.
    if (MainWindow* main = MainWindow::instance()) move(main->dockPlace(size()));
    GridSet->setColAlignment(0, FlexGrid::AlignCenterCenter);
    GridSet->setColWidthForText(0, QStringLiteral("   Set   "));
    GridSet->setTextMatrix(0, 0, QStringLiteral("Set"));
    GridSet->setColAlignment(1, FlexGrid::AlignCenterCenter);
    GridSet->setColWidthForText(1, QStringLiteral("000000Data Time000000"));
    GridSet->setTextMatrix(0, 1, QStringLiteral("Date Time"));
    GridSet->setColWidthForText(2, QStringLiteral("  Records  "));
    GridSet->setTextMatrix(0, 2, QStringLiteral("Records"));
    loggerState().MemoryFormOpen = true;
}

Memory::~Memory()
{
    loggerState().MemoryFormOpen = false;
}

void Memory::closeEvent(QCloseEvent* event)
{
    // A download that waits sees this and gives up.
    closing_ = true;
    loggerState().MemoryFormOpen = false;
    event->accept();
}

void Memory::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Teal);
}

void Memory::showDirectory(const Meter::LoggerDirectory& d)
{
    LblSize->setText(Meter::MemoryFigureText(d.memorySize));
    LblRemain->setText(Meter::MemoryFigureText(d.remained));
    records_.clear();
    for (qsizetype k = 0; k < d.entries.size(); ++k) {
        const Meter::DirectoryEntry& e = d.entries[k];
        records_.append(e.records());
        GridSet->appendRow({QString::number(k + 1), Meter::DecodeDateTime(e.packed),
                            QString::number(e.records())});
    }
}

void Memory::GridSet_Click(int row)
{
    // The title row names no set.
    if (row < 1 || row > records_.size() || downloading_ || closing_) return;
    if (Meter::state().RunFlag) return;
    if (DataList* shown = Windows::find<DataList>(); shown && shown->saving()) return;
    download(row, records_[row - 1]);
}

namespace {

// A new set list shows the set, its title telling how far the listing got;
// closing the list or the program gives the listing up.
void listSet(int set, qint64 records, QByteArrayView dump)
{
    Windows::unload<DataList>();
    QPointer<DataList> list(Windows::get<DataList>());
    list->show();
    const int step = samplingState().DisplayStep;
    ProgressThrottle listing;
    std::optional<Logger::DecodedSet> decoded =
        Logger::DecodeDump(dump, records, step, [&](qint64 k, qint64 r) {
            if (!list || Program::ending()) return false;
            if (listing.due(k == r)) {
                list->setWindowTitle(Logger::PercentCompleted(k, r));
                listing.processEvents();
            }
            return list && !Program::ending();
        });
    if (!decoded || !list) return;
    loggerState().LoggerInterval = decoded->header.LoggerInterval;
    const bool ownTimes = decoded->ownTimes;
    list->showSet(std::move(*decoded));
    if (ownTimes)
        Platform::MsgBox(list,
                         QStringLiteral("The interval or the start time of set %1 cannot be read: "
                                        "every record is listed with its own time.")
                             .arg(set),
                         Platform::Icon::Information, QStringLiteral("Dorvi"));
}

} // namespace

void Memory::download(int set, qint64 records)
{
    Meter::Link* link = Meter::Link::instance();
    MainWindow* window = MainWindow::instance();
    if (!link || !window || !link->ready()) return;
    QPointer<Memory> self(this);
    const MainWindowWatch main(window);
    downloading_ = true;
    TimersPaused paused(window);
    GridSet->setEnabled(false);
    auto end = [&] {
        if (!self) return;
        self->GridSet->setEnabled(true);
        self->downloading_ = false;
    };

    const qint64 expected = Meter::DumpLength(records);
    QByteArray dump;
    const Meter::Outcome got = link->dump(
        loggerState().SetAddress[size_t(set - 1)], records, dump,
        [&](qint64 bytes) { Process_lbl->setText(Logger::PercentCompleted(bytes, expected)); },
        [&] { return !self || self->closing_ || !main; });
    if (got.end == Meter::End::Interrupted) return end();
    if (!got) {
        // Nothing is listed; a set list already shown keeps its set.
        const QString why = got.end == Meter::End::Failed
                                ? got.reason
                                : QStringLiteral("The meter stopped answering.");
        Platform::MsgBox(this, QStringLiteral("%1\r\nSet %2 was not downloaded.").arg(why).arg(set),
                         Platform::Icon::Warning, QStringLiteral("Dorvi"));
        return end();
    }

    // The dump is in whole: now the set list shows the new set.
    listSet(set, records, dump);
    end();
}
