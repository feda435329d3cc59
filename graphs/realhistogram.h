#pragma once
// The live level histogram shown large: the class counts the main window's
// mini histograms hand over when clicked, as a snapshot.

#include <QWidget>

class Graph;
class GraphTools;
class QComboBox;
class QFrame;
class QPlainTextEdit;
class Toolbar;

class RealHistogram : public QWidget
{
    Q_OBJECT
public:
    // The load: at the screen's top-left corner, the chooser filled and
    // "Normal" chosen, which takes the design cursors away.
    explicit RealHistogram(QWidget* parent = nullptr);

    Toolbar* Toolbar1;
    Graph* CWGraph1;
    QFrame* Picture1; // the chooser panel over the graph's corner
    QComboBox* Combo1;
    QPlainTextEdit* txtDescription;
    GraphTools* tools;

    void Toolbar1_ButtonClick(const QString& key);
    // "Reset" and the chooser's "Reset Scale": Y from 0, X as opened; the
    // track mode stays.
    void Reset();
};
