// The logger and clock commands of the toolbar: "Memory" lists the stored
// sets in the logger window, "Erase" offers them in the erase pop-up, "RTC"
// opens the clock window.

#include "meter/panel.h"

#include "meter/core/exchange.h"
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
#include <QFrame>
#include <QKeyEvent>
#include <QPointer>

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

// The directory request: the reply's head within 0.1 s while the windows'
// events run, then its rest with no events running, so no command can come
// between. The rest gives up after 2 s without a byte, or when the whole
// reply is not in within 2 s plus twice its time on the line.
class DirectoryExchange
{
public:
    DirectoryExchange(Panel& panel, const PortExchange& token) : exchange_(*panel.COM, reader)
    {
        reader.expectFramesLike(Meter::state().Frame);
        exchange_.interrupted = [self = QPointer<Panel>(&panel)] { return !self; };
        exchange_.failed = [&token] { return token.failed(); };
    }
    DirectoryExchange(const DirectoryExchange&) = delete;
    DirectoryExchange& operator=(const DirectoryExchange&) = delete;

    // Empties the line, asks and reads what came. False when Panel went away.
    bool ask()
    {
        exchange_.send(QByteArray(1, Meter::CmdDirectory));
        if (!exchange_.wait(100)) return false;
        exchange_.read();
        return true;
    }
    // Not a byte came, and the port is fine: the meter is not there to ask.
    bool nothingCame() const
    {
        return reader.size() == 0 && reader.lastByteMs() == 0 && !exchange_.portFailed();
    }
    // The number of sets came. A reply that starts like a live frame tells
    // where it starts only by its whole size: it is read whole first.
    bool headIn()
    {
        if (!reader.startKnown() && reader.lastByteMs() > 0) finish();
        return reader.headIn() && !exchange_.portFailed();
    }
    bool finish()
    {
        end_ = reader.complete()
                   ? Meter::End::Whole
                   : exchange_.gather(
                         {2, Meter::DirectoryQuietMs,
                          Meter::ReplyTimeLimitMs(reader.expected(), Meter::DirectoryQuietMs), 0,
                          Meter::Events::None});
        return end_ == Meter::End::Whole;
    }
    // What went wrong, for the user.
    QString failure() const
    {
        if (exchange_.portFailed() || end_ == Meter::End::Failed)
            return QStringLiteral("The connection to the meter was lost.");
        if (!reader.headIn())
            return QStringLiteral("The meter answered with %1 bytes where the list of its sets "
                                  "has at least %2.")
                .arg(reader.size())
                .arg(Meter::DirectoryHead);
        return QStringLiteral("The meter stopped answering after %1 of the %2 bytes of the list "
                              "of its sets.")
            .arg(std::min(reader.size(), reader.expected()))
            .arg(reader.expected());
    }

    // Tells what failed and releases the port first, unless nothing came
    // at all: then there is no meter to tell of.
    void tellFailure(Panel* panel, const QString& command, PortExchange& token) const
    {
        if (nothingCame()) return;
        const QString text =
            QStringLiteral("\"%1\": the list of the sets stored in the meter could not be read.\r\n"
                           "%2\r\nNothing was changed on the meter.")
                .arg(command, failure());
        token.release();
        Platform::MsgBox(panel, text, Platform::Icon::Warning, QStringLiteral("Dorvi"));
    }

    Meter::DirectoryReader reader;

private:
    Meter::Exchange exchange_;
    Meter::End end_ = Meter::End::Whole;
};

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
    logger.MemoryFormOpen = true;
    TimersPaused paused(this);

    DirectoryExchange read(*this, token);
    if (!read.ask()) return;
    auto failed = [&] {
        // Nothing half read is shown as the meter's directory.
        Windows::unload<Memory>();
        logger.MemoryFormOpen = false;
        read.tellFailure(this, QStringLiteral("Memory"), token);
    };
    if (!read.headIn()) return failed();
    if (read.reader.sets() == 0) {
        Platform::MsgBox(this, QStringLiteral("No Data in Memory"), Platform::Icon::Information,
                         QStringLiteral("Dorvi"));
        logger.MemoryFormOpen = false;
        return;
    }
    Memory* memory = Windows::get<Memory>();
    memory->show();
    if (!read.finish()) return failed();
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

    DirectoryExchange read(*this, token);
    if (!read.ask()) return;
    ComboErase->clear();
    ComboErase->addItem(QStringLiteral("Exit"));
    ComboErase->setCurrentIndex(0);
    auto endQuietly = [&] {
        logger.MemoryFormOpen = false;
        setTimersEnabled(true);
    };
    // The pop-up offers no set of a list half read.
    auto failed = [&] {
        endQuietly();
        read.tellFailure(this, QStringLiteral("Erase"), token);
    };
    if (!read.headIn()) return failed();
    if (read.reader.sets() == 0) {
        Platform::MsgBox(this, QStringLiteral("No Data in Memory"), Platform::Icon::Information,
                         QStringLiteral("Dorvi"));
        if (!self) return;
        endQuietly();
        PicErase->show();
        PicErase->raise();
        return;
    }
    if (!read.finish()) return failed();
    ComboErase->addItem(QStringLiteral("All"));
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
