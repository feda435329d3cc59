#pragma once
// The histogram of a record list with its table of percentile levels. The
// statistics run of the list windows opens and fills it.

#include <QWidget>

class FlexGrid;
class Graph;
class GraphTools;
class QComboBox;
class QFrame;
class QPlainTextEdit;
class Toolbar;

class Histogram : public QWidget
{
    Q_OBJECT
public:
    // The load: at the screen's top-left corner, the chooser filled with
    // nothing chosen, the Ln table's titles.
    explicit Histogram(QWidget* parent = nullptr);

    Toolbar* Toolbar1;
    Graph* CWG;
    FlexGrid* GridLn;
    QFrame* Picture1; // the chooser panel over the graph's corner
    QComboBox* Combo1;
    QPlainTextEdit* txtDescription;
    GraphTools* tools;

    void Toolbar1_ButtonClick(const QString& key);
    // The chooser's "Reset": the occupied classes and Y from 0, plain display.
    void Reset();
};
