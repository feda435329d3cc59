#pragma once
// The three-dimensional panel, button, frame and option controls the
// windows are built of.

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

// A caption or value panel with a raised bevel.
class SSPanel : public QLabel
{
    Q_OBJECT
public:
    explicit SSPanel(const QString& caption, QWidget* parent = nullptr);
    QString caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
};

// A panel the windows lay out: its caption, its font and its place on parent.
SSPanel* ssPanel(QWidget* parent, const QString& caption, const QFont& font, const QRect& geometry);

using SSCommand = QPushButton;
using SSOption = QRadioButton;
using SSFrame = QGroupBox;

// A label that reports clicks: some captions are buttons too.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};
