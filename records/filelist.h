#pragma once
// The record-list windows of an opened data file: FileList for logger sets
// (with the five percentile panels), FileListReal for recordings, saved live
// lists and dumps. One class, two variants; each variant is a window of its
// own name in the registry.

#include "platform/threed.h"

#include <QFrame>
#include <QMap>
#include <QString>
#include <QWidget>
#include <array>

class FlexGrid;
class RecordList;
class RecordListView;
class RecordRows;
class Toolbar;

namespace Listing {
struct Header;
}

class RecordListWindow : public QWidget
{
    Q_OBJECT
public:
    enum Variant { Logger, RealTime };

    Variant variant() const { return variant_; }

    Toolbar* Toolbar1;
    SSPanel* SSFreq;
    SSPanel* BoardCA;
    SSPanel* SSTW;
    SSPanel* BoardSFI;
    SSPanel* SSSR;
    SSPanel* BoardLevel;
    std::array<FlexGrid*, 3> GridN;
    RecordListView* List;
    // L05 to L95: FileList only, null in FileListReal.
    std::array<SSPanel*, 5> SSLn{};
    std::array<SSPanel*, 5> BoardLn{};
    SSPanel* SSMax;
    SSPanel* BoardMaxdB;
    SSPanel* BoardMaxTime;
    SSPanel* SSSEL;
    SSPanel* BoardSEL;
    SSPanel* SSLeq;
    SSPanel* BoardLeq;
    QFrame* PicResolution;
    SSFrame* SSFrame1;
    SSCommand* Cmd1dB;
    SSCommand* Cmd01dB;

    RecordList& records();

    // The value panel of a header name ("BoardCA", "Board05", ...), or null.
    SSPanel* board(const QString& name) const;

    // What a file's header set: every value panel of the window takes its
    // value, or shows nothing when the file does not set it.
    void setHeaderValues(const QMap<QString, QString>& captions);

    // The panels and column titles as the printed listing shows them.
    Listing::Header listingHeader() const;

    void Toolbar1_ButtonClick(const QString& key);

protected:
    RecordListWindow(Variant variant, const QString& caption);
    void paintEvent(QPaintEvent* event) override;

private:
    void build();
    void buildToolbar();
    void buildHeaderPanels(const QFont& bold);
    void buildGrids();
    // L05 to L95 (FileList only), then Max dB, SEL and Leq.
    void buildStatisticsPanels(const QFont& bold);
    // The 1 dB / 0.1 dB choice of the histogram, hidden until asked for.
    void buildResolutionChoice();

    Variant variant_;
};

class FileList : public RecordListWindow
{
    Q_OBJECT
public:
    FileList();
};

class FileListReal : public RecordListWindow
{
    Q_OBJECT
public:
    FileListReal();
};

// The window a reading goes to ("FileList" or "FileListReal"), unloaded if
// loaded and shown anew with the file's title as its caption, its header
// values and its rows (taken over, not copied). Null for an empty file.
RecordListWindow* showFileInWindow(const QString& window, const QString& fileTitle,
                                   const QMap<QString, QString>& captions, RecordRows&& rows);
