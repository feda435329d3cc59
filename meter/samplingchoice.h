#pragma once
// The small modal window that chooses the sampling source.

#include <QDialog>

class QRadioButton;
class QPushButton;

class SamplingChoice : public QDialog
{
    Q_OBJECT
public:
    explicit SamplingChoice(QWidget* panel);

    QRadioButton* OptPC;
    QRadioButton* OptMeter;
    QRadioButton* MDLIT_opt;
    QPushButton* CmdOK;

    void CmdOK_Click();

    // The window closes only through "OK": Escape and a close request do nothing.
    void reject() override {}

private:
    QRadioButton* option(const QString& caption, QRect place);
};
