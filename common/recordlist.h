#pragma once
// The record list: number, time and level of every record of a list, with
// the three column titles. Texts are kept as Latin-1 bytes in one buffer, so
// a full logger's 1.7 million records cost a few tens of megabytes and no
// object per cell. Grids show it through one model; writers, dumps and scans
// read it directly.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <array>

// The records alone, as a value: readers and decoders fill one and hand it
// to a RecordList by move. Copies share the bytes until one of them changes,
// so a long command can keep a snapshot of a list cheaply.
class RecordRows
{
public:
    static constexpr int Columns = 3;

    qsizetype size() const { return ends_.size() / Columns; }
    bool isEmpty() const { return ends_.isEmpty(); }

    // Cell col (0 number, 1 time, 2 level) of record k, counted from 0.
    QByteArrayView cell(qsizetype k, int col) const
    {
        const qsizetype i = k * Columns + col;
        const quint32 begin = i == 0 ? 0 : ends_[i - 1];
        return QByteArrayView(bytes_.constData() + begin, ends_[i] - begin);
    }
    QString text(qsizetype k, int col) const { return QString::fromLatin1(cell(k, col)); }

    // Characters outside Latin-1 become "?", as in the files.
    void append(QStringView number, QStringView time, QStringView level);
    void append(QByteArrayView number, QByteArrayView time, QByteArrayView level);

    // Room for records of about bytesPerRecord text each.
    void reserve(qsizetype records, qsizetype bytesPerRecord = 32);
    void squeeze();
    void clear();

    // Memory held, in bytes.
    qsizetype memoryUsed() const;

    bool operator==(const RecordRows& other) const
    {
        return bytes_ == other.bytes_ && ends_ == other.ends_;
    }

private:
    void appendCell(QStringView text);
    void appendCell(QByteArrayView text);

    QByteArray bytes_;
    QList<quint32> ends_; // end of every cell in bytes_, three per record
};

// The level texts of a list, handed to a scan at once: a snapshot that the
// list's later changes leave alone. Entry k is record k + 1's level.
class LevelTexts
{
public:
    explicit LevelTexts(const RecordRows& rows) : rows_(rows) {}
    qsizetype size() const { return rows_.size(); }
    QByteArrayView operator[](qsizetype k) const { return rows_.cell(k, 2); }

private:
    RecordRows rows_;
};

// A list as its grids show it: row 0 the titles, record k row k.
class RecordList : public QObject
{
    Q_OBJECT
public:
    static constexpr int Columns = RecordRows::Columns;

    explicit RecordList(QObject* parent = nullptr);

    // Records, and rows as a grid counts them (the title row included).
    qsizetype count() const { return rows_.size(); }
    qsizetype rows() const { return rows_.size() + 1; }

    QString title(int col) const { return titles_[col]; }
    void setTitle(int col, const QString& title);

    // Text of a cell by grid row: row 0 is the title; out of range is empty.
    QString text(qsizetype row, int col) const;
    // Bytes of record k's cell (k from 1, as its row).
    QByteArrayView bytes(qsizetype row, int col) const { return rows_.cell(row - 1, col); }

    const RecordRows& records() const { return rows_; }
    LevelTexts levelTexts() const { return LevelTexts(rows_); }

    void append(QStringView number, QStringView time, QStringView level);
    // Adds a whole batch of records at the end.
    void append(RecordRows&& more);
    // Replaces every record.
    void take(RecordRows&& rows);
    // Back to the title row alone.
    void cut();

    // Changes with every change of the records or titles.
    quint64 version() const { return version_; }

signals:
    // Rows first to last (grid rows, so from 1) were added at the end.
    void rowsAppended(qsizetype first, qsizetype last);
    // The records were replaced or cut.
    void rowsReset();
    void titleChanged(int col);

private:
    RecordRows rows_;
    std::array<QString, Columns> titles_;
    quint64 version_ = 0;
};
