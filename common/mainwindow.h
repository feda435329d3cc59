#pragma once
// The main window as the record lists and graphs reach it: its place, its
// caption and its timers, without its widgets.

#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>

class QObject;

class MainWindow
{
public:
    // The one main window, while it exists.
    static MainWindow* instance();

    // Its object, for a watch that outlives a command (see MainWindowWatch).
    virtual QObject* object() = 0;
    // Where a window of this size docked at its right edge goes: level with
    // its top, and moved left just enough to lie whole on the screen.
    virtual QPoint dockPlace(const QSize& size) const = 0;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString& text) = 0;

    // Which of its two timers run.
    struct Timers
    {
        bool first = false;
        bool second = false;
    };
    // Switches both off and tells how they were.
    virtual Timers pauseTimers() = 0;
    // Puts each back as it was, except offline, where they stay off, and
    // once the program ends, where nothing is switched.
    virtual void resumeTimers(Timers was) = 0;

protected:
    MainWindow();
    virtual ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
};

// The main window for as long as it lives: null once it is gone.
class MainWindowWatch
{
public:
    explicit MainWindowWatch(MainWindow* window = MainWindow::instance());
    MainWindow* get() const { return object_ ? window_ : nullptr; }
    MainWindow* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    QPointer<QObject> object_;
    MainWindow* window_;
};

// Switches the main window's timers off for a command's work and, when it
// goes out of scope (on every way out), puts each back as it found it: see
// resumeTimers. Safe when the main window is gone meanwhile.
class TimersPaused
{
public:
    explicit TimersPaused(MainWindow* window);
    ~TimersPaused();
    TimersPaused(const TimersPaused&) = delete;
    TimersPaused& operator=(const TimersPaused&) = delete;

private:
    MainWindowWatch window_;
    MainWindow::Timers was_;
};
