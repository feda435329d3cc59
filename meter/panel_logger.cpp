// The logger and clock commands of the toolbar: "Memory" lists the stored
// sets in the logger window, "Erase" offers them in the erase pop-up, "RTC"
// opens the clock window.

#include "meter/panel.h"

#include "meter/core/logger.h"
#include "meter/core/meter.h"
#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "meter/setup.h"
#include "platform/dialogs.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/waits.h"
#include "platform/windows.h"
#include "records/memory.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>

namespace {

// The erase pop-up acts only on a pick from its opened list: a wheel or an
// arrow key over the closed combo must not erase anything.
class PickOnly : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (!combo || combo->view()->isVisible()) return false;
        if (event->type() == QEvent::Wheel) return true;
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Space:
        case Qt::Key_F4:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            return false; // opens the list, or leaves the combo
        case Qt::Key_Up:
        case Qt::Key_Down:
            return !(key->modifiers() & Qt::AltModifier); // Alt opens the list
        default:
            return true;
        }
    }
};

// The reply to "N" as it comes, timed from the request.
struct DirectoryRead
{
    Meter::DirectoryReader reader;
    QElapsedTimer clock;

    void take(SerialPort& com) { reader.feedAt(com.input(), clock.elapsed()); }
};

// Empties the receive buffer, asks for the directory and reads what came
// within 0.1 s (events run meanwhile). False when Panel went away.
bool askDirectory(const QPointer<Panel>& panel, DirectoryRead& read)
{
    SerialPort& com = *panel->COM;
    com.flush();
    com.output(QByteArray(1, Meter::CmdDirectory));
    read.clock.start();
    Rs232::WaitSeconds(0.1);
    if (!panel || Rs232::ProgramEnding()) return false;
    read.take(*panel->COM);
    return true;
}

// Reads the rest of the directory without letting events run. Gives up
// after 2 s without a byte, or when the whole reply is not in within 2 s
// plus twice its time on the line, or when the port fails.
bool finishDirectory(SerialPort& com, DirectoryRead& read, const PortExchange& token)
{
    const qint64 limit = Meter::ReplyTimeLimitMs(read.reader.expected(), Meter::DirectoryQuietMs);
    while (!read.reader.complete()) {
        if (token.failed() || !com.portOpen()) return false;
        const qint64 now = read.clock.elapsed();
        if (now - read.reader.lastByteMs() > Meter::DirectoryQuietMs || now > limit) return false;
        QThread::msleep(2);
        read.take(com);
    }
    return true;
}

} // namespace

void Panel::buildLogger()
{
    ComboErase->installEventFilter(new PickOnly(ComboErase));
    connect(ComboErase, &QComboBox::activated, this, &Panel::ComboErase_Click);
    connect(COM, &SerialPort::deviceLost, &PortOwner::instance(), &PortOwner::portFailed);
}

void Panel::MemoryCommand()
{
    LoggerState& logger = loggerState();
    if (Meter::state().RunFlag || !PicErase->isHidden() || logger.MemoryFormOpen) return;
    if (!COM->portOpen()) return;
    PortExchange token = PortOwner::take();
    if (!token) return;
    QPointer<Panel> self(this);
    logger.MemoryFormOpen = true;
    TimersPaused paused(this);

    DirectoryRead read;
    if (!askDirectory(self, read)) return;
    if (!read.reader.headIn()) {
        logger.MemoryFormOpen = false;
        return;
    }
    if (read.reader.sets() == 0) {
        Platform::MsgBox(this, QStringLiteral("No Data in Memory"), Platform::Icon::Information,
                         QStringLiteral("Dorvi"));
        logger.MemoryFormOpen = false;
        return;
    }
    Memory* memory = Windows::get<Memory>();
    memory->show();
    if (!finishDirectory(*COM, read, token)) {
        Windows::unload<Memory>();
        logger.MemoryFormOpen = false;
        return;
    }
    const Meter::LoggerDirectory d = read.reader.directory();
    for (qsizetype k = 0; k < d.entries.size(); ++k)
        logger.SetAddress[size_t(k)] = d.entries[k].address;
    memory->showDirectory(d);
}

void Panel::EraseCommand()
{
    if (!COM->portOpen()) return;
    PortExchange token = PortOwner::take();
    if (!token) return;
    QPointer<Panel> self(this);
    LoggerState& logger = loggerState();
    if (logger.MemoryFormOpen) Windows::unload<Memory>();
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);

    DirectoryRead read;
    if (!askDirectory(self, read)) return;
    ComboErase->clear();
    ComboErase->addItem(QStringLiteral("Exit"));
    ComboErase->setCurrentIndex(0);
    auto endQuietly = [&] {
        logger.MemoryFormOpen = false;
        setTimersEnabled(true);
    };
    if (!read.reader.headIn()) return endQuietly();
    if (read.reader.sets() == 0) {
        Platform::MsgBox(this, QStringLiteral("No Data in Memory"), Platform::Icon::Information,
                         QStringLiteral("Dorvi"));
        if (!self) return;
        endQuietly();
        PicErase->show();
        PicErase->raise();
        return;
    }
    ComboErase->addItem(QStringLiteral("All"));
    if (!finishDirectory(*COM, read, token)) return endQuietly();
    const Meter::LoggerDirectory d = read.reader.directory();
    for (qsizetype k = 0; k < d.entries.size(); ++k) {
        logger.SetAddress[size_t(k)] = d.entries[k].address;
        ComboErase->addItem(QString::number(k + 1));
    }
    // The timers stay off while the pop-up offers the sets.
    PicErase->show();
    PicErase->raise();
}

void Panel::ComboErase_Click(int index)
{
    if (index < 0) return;
    if (index == 0) {
        PicErase->hide();
        setTimersEnabled(true);
        return;
    }
    QByteArray command;
    if (index == 1) {
        command = QByteArray(1, Meter::CmdEraseAll);
    } else {
        bool ok = false;
        const int s = ComboErase->itemText(index).toInt(&ok);
        if (!ok || s < 1 || s > 255) return;
        command = Meter::EraseSetCommand(loggerState().SetAddress[size_t(s - 1)]);
    }
    if (!COM->portOpen()) return;
    PortExchange token = PortOwner::take();
    if (!token) return;
    QPointer<Panel> self(this);
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    COM->output(command);
    Rs232::WaitSeconds(0.02);
    if (!self) return;
    setTimersEnabled(true);
    PicErase->hide();
}

void Panel::RtcCommand()
{
    if (!COM->portOpen() || PortExchange::busy()) return;
    QPointer<Setup> setup(Windows::get<Setup>());
    setup->exec();
    if (setup) Windows::unload<Setup>();
}
