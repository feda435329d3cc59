#pragma once
// The clock window "Setup": shows the PC's and the meter's date and time on
// request and sets the meter's clock to the PC's. Shown modally from the
// toolbar's "RTC"; closed only by its "Exit".

#include "platform/threed.h"

#include <QDialog>

class Timer;

class Setup : public QDialog
{
    Q_OBJECT
public:
    Setup();
    ~Setup() override;

    Timer* Timer1;
    SSFrame* FrameTime;
    ClickLabel* LblPCTime;
    ClickLabel* LblMeterTime;
    SSCommand* CmdSetTime;
    SSCommand* CmdExit;

    bool MeterTimeShown = false;
    bool PcTimeShown = false;

    void Timer1_Timer();
    void LblMeterTime_Click() { MeterTimeShown = !MeterTimeShown; }
    void LblPCTime_Click() { PcTimeShown = !PcTimeShown; }
    void CmdSetTime_Click();
    void CmdExit_Click();

    // Shown when the meter gave no clock in a whole tick of tries.
    static QString noAnswerText();

    // Closes only through "Exit" (or when the program ends).
    void reject() override {}

protected:
    void done(int result) override;

private:
    void Form_Unload();
    void pausePanel();
    void setMeterClock();

    bool tickRunning_ = false;
    bool reading_ = false;
    bool setPending_ = false;
    bool unloaded_ = false;
};
