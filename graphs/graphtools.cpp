#include "graphs/graphtools.h"

#include "platform/dialogs.h"
#include "platform/graphprint.h"
#include "platform/numedit.h"
#include "platform/twips.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScopeGuard>

const QStringList& GraphTools::modeItems()
{
    static const QStringList items{QStringLiteral("Normal"), QStringLiteral("Cursor Coordinates"),
                                   QStringLiteral("PanXY"),  QStringLiteral("PanX"),
                                   QStringLiteral("PanY"),   QStringLiteral("ZoomXY"),
                                   QStringLiteral("ZoomX"),  QStringLiteral("ZoomY")};
    return items;
}

GraphTools::GraphTools(QWidget* window, Setup setup)
    : QObject(window), window_(window), setup_(std::move(setup))
{
    Q_ASSERT(setup_.graph && setup_.chooser);
    connect(setup_.chooser, &QComboBox::activated, this, &GraphTools::choose);
    for (const auto& edits : {setup_.axisMin, setup_.axisMax}) {
        for (NumEdit* edit : edits) {
            if (!edit) continue;
            connect(edit, &NumEdit::valueChanged, this, [this] {
                if (!setup_.editsHeld || !setup_.editsHeld()) applyEdits();
            });
        }
    }
    connect(setup_.graph, &Graph::cursorChange, this, &GraphTools::showCursor);
    if (setup_.resetButton)
        connect(setup_.resetButton, &QAbstractButton::clicked, this, [this] {
            if (setup_.reset) setup_.reset();
        });
    if (setup_.printButton)
        connect(setup_.printButton, &QAbstractButton::clicked, this, &GraphTools::print);
}

QComboBox* GraphTools::makeChooser(QWidget* parent)
{
    // Not editable: an editable box would choose its text again whenever it
    // loses the focus.
    auto* combo = new QComboBox(parent);
    combo->setMaxVisibleItems(8);
    combo->setPlaceholderText(QStringLiteral("Normal"));
    return combo;
}

QPlainTextEdit* GraphTools::makeDescription(QWidget* parent)
{
    auto* text = new QPlainTextEdit(parent);
    text->setReadOnly(true);
    text->setFocusPolicy(Qt::NoFocus);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return text;
}

void GraphTools::fillChooser()
{
    QComboBox* c = setup_.chooser;
    c->clear();
    c->addItems(setup_.items);
    c->setCurrentIndex(-1);
}

void GraphTools::select(int index)
{
    if (index < 0 || index >= setup_.chooser->count()) return;
    setup_.chooser->setCurrentIndex(index);
    choose(index);
}

void GraphTools::select(const QString& item)
{
    select(setup_.chooser->findText(item));
}

void GraphTools::choose(int index)
{
    const QString item = setup_.chooser->itemText(index);
    const int mode = modeOf(item);
    if (!item.isEmpty() && item == setup_.resetItem) {
        if (setup_.reset) setup_.reset();
    } else if (mode == Graph::TrackCursor) {
        setUpCursor();
    } else if (mode != 0) {
        setup_.graph->setTrackMode(mode);
        describe(mode);
        applyCursorRule(mode == Graph::TrackPlain ? setup_.onNormal : setup_.onPanZoom);
    }
    if (setup_.afterChoice) setup_.afterChoice();
}

void GraphTools::applyCursorRule(CursorRule rule)
{
    Graph* g = setup_.graph;
    switch (rule) {
    case CursorRule::Keep:
        break;
    case CursorRule::RemoveAll:
        if (g->cursorCount() > 0) g->removeAllCursors();
        break;
    case CursorRule::HideFirstTwo:
        for (int i : {1, 2})
            if (GraphCursor* c = g->cursor(i)) c->setVisible(false);
        break;
    }
}

void GraphTools::describe(int mode)
{
    if (setup_.description) setup_.description->setPlainText(descriptionOf(mode));
}

void GraphTools::setUpCursor()
{
    Graph* g = setup_.graph;
    g->setTrackMode(Graph::TrackCursor);
    describe(Graph::TrackCursor);
    if (g->cursorCount() == 0) g->addCursor().setColor(Twips::color(255));
    GraphCursor* c = g->cursor(1);
    c->setSnapMode(GraphCursor::NearestPoint);
    c->setXPosition((g->Axes(1).Maximum() + g->Axes(1).Minimum()) / 2);
    c->setYPosition((g->Axes(2).Maximum() + g->Axes(2).Minimum()) / 2);
}

void GraphTools::applyEdits()
{
    for (int i = 0; i < 2; ++i) {
        if (setup_.axisMin[i] && setup_.axisMax[i])
            setup_.graph->Axes(i + 1).SetMinMax(setup_.axisMin[i]->value(),
                                                setup_.axisMax[i]->value());
    }
}

void GraphTools::showCursor(int index, double x, double y)
{
    if (index != 1) return;
    if (setup_.xPosition) setup_.xPosition->setText(QString::number(x, 'g', 15));
    if (setup_.yPosition)
        setup_.yPosition->setText(GraphAxis::formatValue(y, QStringLiteral("0.0")));
}

namespace {

// The printer the layout asks for, and the note after it; no printer when
// the user cancels, the window goes meanwhile or there is no printer (which
// is said). The job is named after the window's caption.
Platform::PrintJob askPrinter(const GraphTools::PrintLayout& layout,
                              const QPointer<QWidget>& window, const std::function<bool()>& gone)
{
    const QString name = window->windowTitle();
    Platform::PrintJob job = layout.dialog ? Platform::ShowPrinterDialog(window, name)
                                           : Platform::DefaultPrinter(window, name);
    if (gone()) return {};
    if (!job.printer) {
        if (!layout.dialog) Platform::ReportNothingPrinted(window, job);
        return {};
    }
    if (layout.note) {
        Platform::MsgBox(window, GraphTools::noteText(), Platform::Icon::None,
                         QStringLiteral("Dorvi"));
        if (gone()) return {};
    }
    return job;
}

// The window as printed, and back as it was when this goes, on every way
// out: every change of the layout but the plain display and hiddenAfter.
class PrintedLook
{
public:
    PrintedLook(QWidget* window, Graph* graph, const GraphTools::PrintLayout& layout)
        : window_(window), graph_(graph), yCaption_(graph->Axes(2).caption()),
          palette_(window->palette()), autoFill_(window->autoFillBackground()),
          graphColor_(graph->graphColor()), size_(window->size()), minSize_(window->minimumSize()),
          maxSize_(window->maximumSize()), graphPos_(graph->pos())
    {
        for (QWidget* w : layout.hidden)
            shown_.append({w, w->isVisible()});

        if (layout.whiteBackground) {
            QPalette white = palette_;
            white.setColor(QPalette::Window, palette_.color(QPalette::Base));
            window->setPalette(white);
            window->setAutoFillBackground(true);
        }
        for (QWidget* w : layout.hidden)
            w->hide();
        if (layout.whiteGraph) graph->setGraphColor(Qt::white);
        if (layout.clientTwips.isValid()) {
            const QSize s(Twips::px(layout.clientTwips.width()),
                          Twips::px(layout.clientTwips.height()));
            window->setMinimumSize(s);
            window->setMaximumSize(s);
            window->resize(s);
        }
        if (layout.graphTwips)
            graph->move(Twips::px(layout.graphTwips->x()), Twips::px(layout.graphTwips->y()));
        if (layout.emptyYCaption) graph->Axes(2).setCaption(QString());
    }

    ~PrintedLook()
    {
        if (!window_ || !graph_) return;
        graph_->Axes(2).setCaption(yCaption_);
        window_->setMinimumSize(minSize_);
        window_->setMaximumSize(maxSize_);
        window_->resize(size_);
        graph_->move(graphPos_);
        window_->setPalette(palette_);
        window_->setAutoFillBackground(autoFill_);
        for (const Shown& s : shown_)
            if (s.widget) s.widget->setVisible(s.visible);
        graph_->setGraphColor(graphColor_);
    }

    PrintedLook(const PrintedLook&) = delete;
    PrintedLook& operator=(const PrintedLook&) = delete;

private:
    struct Shown
    {
        QPointer<QWidget> widget;
        bool visible;
    };
    QPointer<QWidget> window_;
    QPointer<Graph> graph_;
    QList<Shown> shown_;
    QString yCaption_;
    QPalette palette_;
    bool autoFill_;
    QColor graphColor_;
    QSize size_;
    QSize minSize_;
    QSize maxSize_;
    QPoint graphPos_;
};

} // namespace

void GraphTools::backToNormal()
{
    setup_.chooser->setCurrentIndex(setup_.chooser->findText(QStringLiteral("Normal")));
    setup_.graph->setTrackMode(Graph::TrackPlain);
    describe(Graph::TrackPlain);
    if (setup_.graph->cursorCount() > 0) setup_.graph->removeAllCursors();
}

void GraphTools::print()
{
    if (printing_) return;
    printing_ = true;
    QPointer<GraphTools> self(this);
    const auto done = qScopeGuard([self] {
        if (self) self->printing_ = false;
    });
    // What the print works from: taken now, checked after every wait, since
    // the window can be closed or replaced while a dialog is up.
    const PrintLayout layout = setup_.print;
    QPointer<QWidget> window(window_);
    QPointer<Graph> graph(setup_.graph);
    const auto gone = [&] { return !self || !window || !graph || !window->isVisible(); };

    for (QWidget* w : layout.hiddenAfter)
        w->hide();
    if (layout.plainFirst) backToNormal();

    const Platform::PrintJob job = askPrinter(layout, window, gone);
    if (!job.printer) return;
    const bool printing = job.copies > 0;
    if (printing && !Platform::PrinterThere(job)) {
        Platform::ReportNothingPrinted(window, job);
        return;
    }
    bool handedOver = true;
    {
        const PrintedLook look(window, graph, layout);
        handedOver = Platform::PrintWindowImage(*job.printer, window, job.copies) &&
                     (!printing || Platform::JobHandedOver(job));
    }
    // Said with the window back as it was.
    if (!handedOver) Platform::ReportNothingPrinted(window, job);
}

int GraphTools::modeOf(const QString& item)
{
    return int(modeItems().indexOf(item)) + 1;
}

QString GraphTools::descriptionOf(int mode)
{
    switch (mode) {
    case 1:
        return QStringLiteral("Normal mode");
    case 2:
        return QStringLiteral(
            "Drag the cursor with your mouse to get X (Count) and Y (dB) position.");
    case 3:
        return QStringLiteral("Click anywhere on the plot area and drag to pan the graph both "
                              "horizontally and vertically.");
    case 4:
        return QStringLiteral(
            "Click anywhere on the plot area and drag to pan the graph horizontally.");
    case 5:
        return QStringLiteral(
            "Click anywhere on the plot area and drag to pan the graph vertically.");
    case 6:
        return QStringLiteral(
            "Select a region on the graph to zoom both horizontally and vertically.");
    case 7:
        return QStringLiteral("Select a region on the graph to zoom horizontally.");
    case 8:
        return QStringLiteral("Select a region on the graph to zoom vertically.");
    }
    return QString();
}

QString GraphTools::noteText()
{
    return QStringList{
        QStringLiteral("Note"),
        QStringLiteral("The effect of the properties of the Printer settings"),
        QStringLiteral("depends on the driver supplied by the printer manufacturer."),
        QStringLiteral("Some property settings may have no effect, or several "
                       "different property settings"),
        QStringLiteral("may all have the same effect. Settings outside the accepted "
                       "range may or may not produce an error."),
        QStringLiteral("For more information, see the manufacturer's documentation "
                       "for the specific driver.")}
        .join(QLatin1Char('\r'));
}
