#include "meter/samplingchoice.h"

#include "meter/core/livestats.h"
#include "platform/twips.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

// A label that checks its option when clicked.
class OptionCaption : public QLabel
{
public:
    OptionCaption(const QString& text, QRadioButton* option, QWidget* parent)
        : QLabel(text, parent), option_(option)
    {
        setWordWrap(true);
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        option_->setChecked(true);
        option_->setFocus();
    }

private:
    QRadioButton* option_;
};

} // namespace

QRadioButton* SamplingChoice::option(const QString& caption, QRect r)
{
    // The longer captions wrap onto a second line inside their place, which
    // a radio button cannot do by itself: its caption is a label beside it.
    auto* o = new QRadioButton(this);
    o->setAccessibleName(caption);
    o->setObjectName(caption);
    const int box = o->sizeHint().width();
    o->setGeometry(r.x(), r.y(), box, r.height());
    auto* l = new OptionCaption(caption, o, this);
    l->setGeometry(r.x() + box + 2, r.y(), r.width() - box - 2, r.height());
    return o;
}

SamplingChoice::SamplingChoice(QWidget* panel) : QDialog(panel)
{
    setObjectName(QStringLiteral("SamplingChoice"));
    setWindowTitle(QStringLiteral("Sampling Rate"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(Twips::px(3015), Twips::px(3120));
    setFont(Twips::font(QStringLiteral("Times New Roman"), 12, true));
    setAutoFillBackground(true);

    OptPC = option(QStringLiteral("PC Sampling Rate"), Twips::rect(240, 240, 2655, 375));
    OptMeter = option(QStringLiteral("Meter Sampling Rate"), Twips::rect(240, 840, 2655, 615));
    MDLIT_opt = option(QStringLiteral("Meter Data Logger Interval Time"),
                       Twips::rect(240, 1680, 2655, 735));
    MDLIT_opt->setChecked(true);
    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setGeometry(Twips::rect(2160, 2640, 735, 375));
    CmdOK->setDefault(true);
    setTabOrder(OptPC, OptMeter);
    setTabOrder(OptMeter, CmdOK);
    setTabOrder(CmdOK, MDLIT_opt);
    connect(CmdOK, &QPushButton::clicked, this, &SamplingChoice::CmdOK_Click);

    if (panel) move(panel->pos() + QPoint(Twips::px(1000), Twips::px(1000)));
}

void SamplingChoice::CmdOK_Click()
{
    SamplingState& s = samplingState();
    s.SamplingByPc = OptPC->isChecked();
    s.SamplingByLoggerInterval = !OptPC->isChecked() && !OptMeter->isChecked();
    accept();
}
