#include "platform/numedit.h"

#include <QLineEdit>

#include <algorithm>
#include <cmath>

namespace {

double typedValue(double v)
{
    return std::clamp(std::round(v * 10) / 10, NumEdit::Minimum, NumEdit::Maximum);
}

} // namespace

NumEdit::NumEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(UpDownArrows);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccelerated(true);
    connect(this, &QAbstractSpinBox::editingFinished, this, &NumEdit::commitText);
    showValue();
}

void NumEdit::setValue(double value)
{
    if (!std::isfinite(value)) return;
    change(value);
}

void NumEdit::change(double value)
{
    const bool changed = value != value_;
    value_ = value;
    showValue();
    if (changed) emit valueChanged(value_);
}

void NumEdit::showValue()
{
    lineEdit()->setText(QString::number(value_, 'f', 1));
}

void NumEdit::commitText()
{
    bool ok = false;
    const double typed = lineEdit()->text().trimmed().toDouble(&ok);
    if (ok && std::isfinite(typed))
        change(typedValue(typed));
    else
        showValue();
}

void NumEdit::stepBy(int steps)
{
    // A number typed but not yet entered is where the step starts from.
    bool ok = false;
    const double typed = lineEdit()->text().trimmed().toDouble(&ok);
    const double from = ok && std::isfinite(typed) ? typed : value_;
    change(typedValue(from + steps));
}

QAbstractSpinBox::StepEnabled NumEdit::stepEnabled() const
{
    StepEnabled e;
    if (value_ < Maximum) e |= StepUpEnabled;
    if (value_ > Minimum) e |= StepDownEnabled;
    return e;
}

QValidator::State NumEdit::validate(QString& input, int&) const
{
    const QString t = input.trimmed();
    int digits = 0;
    bool point = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && i == 0) continue;
        if (c == QLatin1Char('.') && !point) {
            point = true;
            continue;
        }
        if (!c.isDigit()) return QValidator::Invalid;
        ++digits;
    }
    return digits > 0 ? QValidator::Acceptable : QValidator::Intermediate;
}

void NumEdit::fixup(QString& input) const
{
    input = QString::number(value_, 'f', 1);
}
