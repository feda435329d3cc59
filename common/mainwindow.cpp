#include "common/mainwindow.h"

#include <QObject>

namespace {
MainWindow* current = nullptr;
}

MainWindow::MainWindow()
{
    current = this;
}

MainWindow::~MainWindow()
{
    if (current == this) current = nullptr;
}

MainWindow* MainWindow::instance()
{
    return current;
}

MainWindowWatch::MainWindowWatch(MainWindow* window)
    : object_(window ? window->object() : nullptr), window_(window)
{
}

TimersPaused::TimersPaused(MainWindow* window) : window_(window)
{
    if (window) was_ = window->pauseTimers();
}

TimersPaused::~TimersPaused()
{
    if (MainWindow* window = window_.get()) window->resumeTimers(was_);
}
