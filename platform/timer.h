#pragma once
// A timer switched by Enabled: enabling a running timer changes nothing;
// enabling a stopped one starts its interval afresh.

#include <QObject>
#include <QTimer>

class Timer : public QObject
{
    Q_OBJECT
public:
    explicit Timer(int intervalMs, QObject* parent = nullptr) : QObject(parent)
    {
        timer_.setInterval(intervalMs);
        connect(&timer_, &QTimer::timeout, this, &Timer::tick);
    }

    bool enabled() const { return timer_.isActive(); }
    void setEnabled(bool on)
    {
        if (on == timer_.isActive()) return;
        if (on)
            timer_.start();
        else
            timer_.stop();
        emit enabledChanged(on);
    }
    int interval() const { return timer_.interval(); }

signals:
    void tick();
    void enabledChanged(bool enabled);

private:
    QTimer timer_;
};
