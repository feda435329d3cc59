#pragma once
// The numeric edit: one number with one decimal, typed or stepped with its
// arrows within -10 000 000 to 10 000 000. A value set by code is taken as it
// is, never clamped. valueChanged is raised inside whatever changed the
// value (the setter, Enter, leaving the edit, an arrow step), and only when
// the value really changes.

#include <QAbstractSpinBox>

class NumEdit : public QAbstractSpinBox
{
    Q_OBJECT
public:
    static constexpr double Minimum = -10000000;
    static constexpr double Maximum = 10000000;

    explicit NumEdit(QWidget* parent = nullptr);

    double value() const { return value_; }
    void setValue(double value);

    // An arrow step: 1 per step, kept within the range.
    void stepBy(int steps) override;

signals:
    void valueChanged(double value);

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    void commitText();
    void showValue();
    void change(double value);

    double value_ = 0;
};
