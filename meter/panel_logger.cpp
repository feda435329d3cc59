// The logger and clock commands of the toolbar: "Memory" lists the stored
// sets in the logger window, "Erase" offers them in the erase pop-up, "RTC"
// opens the clock window.

#include "meter/panel.h"

#include "meter/core/link.h"
#include "meter/core/logger.h"
#include "meter/core/meter.h"
#include "meter/core/protocol.h"
#include "meter/setup.h"
#include "platform/dialogs.h"
#include "platform/timer.h"
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

// Tells what failed and gives the port back first, unless nothing came at
// all: then there is no meter to tell of.
void tellFailure(Panel* panel, const QString& command, Meter::DirectoryRead& read)
{
    if (read.nothingCame()) return;
    const QString text =
        QStringLiteral("\"%1\": the list of the sets stored in the meter could not be read.\r\n"
                       "%2\r\nNothing was changed on the meter.")
            .arg(command, read.failure());
    read.release();
    Platform::MsgBox(panel, text, Platform::Icon::Warning, QStringLiteral("Dorvi"));
}

} // namespace

void Panel::buildLogger()
{
    ComboErase->installEventFilter(new PickOnly(ComboErase));
    connect(ComboErase, &QComboBox::activated, this, &Panel::ComboErase_Click);
}

void Panel::MemoryCommand()
{
    LoggerState& logger = loggerState();
    if (Meter::state().RunFlag || !PicErase->isHidden() || logger.MemoryFormOpen) return;
    if (!link_->ready()) return;
    logger.MemoryFormOpen = true;
    TimersPaused paused(this);
    Meter::DirectoryRead read(*link_, [self = QPointer<Panel>(this)] { return !self; });
    if (!read.ask()) return;
    auto failed = [&] {
        // Nothing half read is shown as the meter's directory.
        Windows::unload<Memory>();
        logger.MemoryFormOpen = false;
        tellFailure(this, QStringLiteral("Memory"), read);
    };
    if (!read.headIn()) return failed();
    if (read.sets() == 0) {
        Platform::MsgBox(this, QStringLiteral("No Data in Memory"), Platform::Icon::Information,
                         QStringLiteral("Dorvi"));
        logger.MemoryFormOpen = false;
        return;
    }
    Memory* memory = Windows::get<Memory>();
    memory->show();
    if (!read.finish()) return failed();
    const Meter::LoggerDirectory d = read.directory();
    for (qsizetype k = 0; k < d.entries.size(); ++k)
        logger.SetAddress[size_t(k)] = d.entries[k].address;
    memory->showDirectory(d);
}

void Panel::EraseCommand()
{
    if (!link_->ready()) return;
    QPointer<Panel> self(this);
    LoggerState& logger = loggerState();
    if (logger.MemoryFormOpen) Windows::unload<Memory>();
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);

    Meter::DirectoryRead read(*link_, [&self] { return !self; });
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
        tellFailure(this, QStringLiteral("Erase"), read);
    };
    if (!read.headIn()) return failed();
    if (read.sets() == 0) {
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
    const Meter::LoggerDirectory d = read.directory();
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
    std::optional<quint16> set;
    if (index > 1) {
        bool ok = false;
        const int s = ComboErase->itemText(index).toInt(&ok);
        if (!ok || s < 1 || s > 255) return;
        set = loggerState().SetAddress[size_t(s - 1)];
    }
    if (!link_->ready()) return;
    QPointer<Panel> self(this);
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    link_->erase(set, [&self] { return !self; });
    if (!self) return;
    setTimersEnabled(true);
    PicErase->hide();
}

void Panel::RtcCommand()
{
    if (!link_->ready()) return;
    QPointer<Setup> setup(Windows::get<Setup>());
    setup->exec();
    if (setup) Windows::unload<Setup>();
}
