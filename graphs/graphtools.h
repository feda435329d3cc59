#pragma once
// The tools every graph window offers, built once and set up from each
// window's table: the track-mode chooser with its description, the cursors
// it sets up or takes away, the axis-limit edits, the reset, the cursor
// read-out and the print of the window's image. What differs between the
// windows is data of the Setup, or a small hook.

#include "platform/graph.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class NumEdit;
class QAbstractButton;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QWidget;

class GraphTools : public QObject
{
    Q_OBJECT
public:
    // What a choice does to the graph's cursors.
    enum class CursorRule { Keep, RemoveAll, HideFirstTwo };

    // The print of the window: what changes while its image is printed. Every
    // change but the plain display and hiddenAfter is undone afterwards, on
    // every way out.
    struct PrintLayout
    {
        bool plainFirst = false;      // chooser back to "Normal", plain display, no cursor
        bool dialog = true;           // false: the default printer, without a dialog
        bool note = false;            // the "Note" message box after the dialog
        QList<QWidget*> hidden;       // hidden while printing, shown again afterwards
        QList<QWidget*> hiddenAfter;  // hidden at the start and left hidden
        bool whiteBackground = false; // the window background white
        bool whiteGraph = false;      // the graph colour white
        bool emptyYCaption = false;
        QSize clientTwips;                // the client area while printing; empty: as it is
        std::optional<QPoint> graphTwips; // the graph's place while printing
    };

    struct Setup
    {
        Graph* graph = nullptr;
        QComboBox* chooser = nullptr;                 // made by makeChooser
        QPlainTextEdit* description = nullptr;        // txtDescription, or none
        QStringList items;                            // the chooser's items, in order
        CursorRule onNormal = CursorRule::Keep;       // "Normal"
        CursorRule onPanZoom = CursorRule::RemoveAll; // "PanXY" to "ZoomY"
        QString resetItem;                            // the chooser's reset item, if any
        std::function<void()> reset;                  // what the reset item and button do
        QAbstractButton* resetButton = nullptr;       // CmdReset, or none
        std::function<void()> afterChoice;            // runs after every choice
        // Axis-limit edits, index 0 the X axis, 1 the Y axis; none where absent.
        std::array<NumEdit*, 2> axisMin{};
        std::array<NumEdit*, 2> axisMax{};
        std::function<bool()> editsHeld; // true: the edits' changes are not applied
        QLabel* xPosition = nullptr;     // read-out of cursor 1
        QLabel* yPosition = nullptr;
        QAbstractButton* printButton = nullptr; // CmdPrint, or none
        PrintLayout print;
    };

    GraphTools(QWidget* window, Setup setup);

    const Setup& setup() const { return setup_; }

    // A drop-down list that reads "Normal" while no item is chosen.
    static QComboBox* makeChooser(QWidget* parent);
    // A text box for the mode's description.
    static QPlainTextEdit* makeDescription(QWidget* parent);

    // Fills the chooser with the window's items; no item is chosen.
    void fillChooser();
    // Chooses item index as the user would (an item chosen again acts again).
    void select(int index);
    void select(const QString& item);
    // "Cursor Coordinates": mode 2, and cursor 1 (red when added now) snapped
    // and put in the middle of the axes as they stand.
    void setUpCursor();
    // Both axes from the four edits, X first.
    void applyEdits();
    // Prints the window's image by the window's print layout.
    void print();
    bool printing() const { return printing_; }

    // The eight mode items, "Normal" to "ZoomY", in their order.
    static const QStringList& modeItems();
    // 1 to 8 for a mode item, 0 for any other text.
    static int modeOf(const QString& item);
    static QString descriptionOf(int mode);
    // The six lines of the "Note" message box.
    static QString noteText();

private:
    void choose(int index);
    void applyCursorRule(CursorRule rule);
    void describe(int mode);
    // The chooser back to "Normal", the plain display, no cursor.
    void backToNormal();
    void showCursor(int index, double x, double y);

    QWidget* window_;
    Setup setup_;
    bool printing_ = false;
};
