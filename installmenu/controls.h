#pragma once
// The two kinds of control the menu's windows are built of.

#include <QImage>
#include <QPushButton>
#include <QWidget>

namespace Kivara {

// A picture box whose drawing is kept in memory, so it is painted again
// whenever the box is uncovered. It starts in the system's window colours.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    PictureBox(const QRect& geometry, QWidget* parent);

    QColor backColor() const { return backColor_; }
    // Clears the drawing too: the box starts afresh in its new colour.
    void setBackColor(const QColor& color);
    void Cls();
    // The size of the printing font; the controls in the box keep theirs.
    void setFontSize(int points);
    // Paints the picture stretched from the top-left corner over the whole box.
    void PaintPicture(const QImage& picture);
    // Prints the text once, centred by its size in the box's font.
    void printCentered(const QString& text);
    const QImage& drawing() const { return drawing_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor backColor_;
    QFont font_;
    QImage drawing_;
};

// A command button in the graphical style: its background colour can be set.
// Its caption is in a sans-serif face of 8 pt, which the menu's layout
// was measured for.
class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    CommandButton(const QString& caption, const QRect& geometry, QWidget* parent);

    QColor backColor() const { return palette().color(QPalette::Button); }
    void setBackColor(const QColor& color);
};

} // namespace Kivara
