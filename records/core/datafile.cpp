#include "records/core/datafile.h"

#include "records/core/safefile.h"

#include <QElapsedTimer>
#include <QFile>
#include <charconv>
#include <cstring>
#include <type_traits>

namespace DataFile {

namespace {

char latin1(QChar c)
{
    const char16_t u = c.unicode();
    return u < 256 ? char(u) : '?';
}

void appendLatin1(QByteArray& out, QStringView text)
{
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char* p = out.data() + at;
    for (QChar c : text)
        *p++ = latin1(c);
}

void appendLine(QByteArray& out, QStringView text)
{
    appendLatin1(out, text);
    out.append(LineEnd);
}

void appendLine(QByteArray& out, QLatin1StringView label, QStringView text)
{
    out.append(label.data(), label.size());
    appendLine(out, text);
}

QByteArray joinedLine(Separator separator, LineForm form, QStringView a, QStringView b,
                      QStringView c)
{
    QByteArray line;
    if (form == LineForm::List || separator == Separator::Tab) {
        appendListLine(line, separator, a, b, c);
        return line;
    }
    const char sep = char(separator);
    line.reserve(a.size() + b.size() + c.size() + 4);
    appendLatin1(line, a);
    line.append(sep);
    appendLatin1(line, b);
    line.append(sep);
    appendLatin1(line, c);
    line.append(LineEnd);
    return line;
}

// Of a row item, or of a header number. Blanks only: a TAB at the end of a
// row item is part of its last cell's cut.
QByteArrayView trimBlanks(QByteArrayView item)
{
    qsizetype b = 0;
    qsizetype e = item.size();
    while (b < e && item[b] == ' ')
        ++b;
    while (e > b && item[e - 1] == ' ')
        --e;
    return item.sliced(b, e - b);
}

// Digits with an optional "-" and one decimal point, as a header number is
// written: " 94", " 0.5", "-2.5".
bool isPlainNumber(QByteArrayView text)
{
    if (text.startsWith('-')) text = text.sliced(1);
    bool digit = false;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point)
            point = true;
        else if (c >= '0' && c <= '9')
            digit = true;
        else
            return false;
    }
    return digit;
}

// A header line that holds a number is read without the blanks around it
// (the one in front stands for the sign); any other line, a level text in
// the same place included, is kept as written.
QByteArrayView numberOrAsWritten(QByteArrayView line)
{
    const QByteArrayView trimmed = trimBlanks(line);
    return isPlainNumber(trimmed) ? trimmed : line;
}

// Three cuts from the front: the cell is the text before the first TAB; the
// text after it is the next cut's, unless the TAB ends the item, in which case
// the item stays as it is. False when a cut finds no TAB.
bool cutRow(QByteArrayView item, std::array<QByteArrayView, 3>& cells)
{
    for (QByteArrayView& cell : cells) {
        const qsizetype tab = item.indexOf('\t');
        if (tab < 0) return false;
        cell = item.first(tab);
        if (tab != item.size() - 1) item = item.sliced(tab + 1);
    }
    return true;
}

// No control character but TAB: what no text file holds (line ends never
// reach an item). Checked only where the reading stops, and on the first item.
bool isText(QByteArrayView item)
{
    for (const char c : item)
        if ((uchar(c) < 0x20 && c != '\t') || c == '\x7f') return false;
    return true;
}

struct HeaderValue
{
    const char* name;
    int from;            // 1-based first character; 1 = whole line
    bool number = false; // may be written as a header number
};

// Items 2 and on of each kind's header.
constexpr HeaderValue RealTimeValues[] = {
    {"BoardCA", 1},      {"BoardSFI", 1}, {"BoardLevel", 1}, {"BoardMaxdB", 1, true},
    {"BoardMaxTime", 1}, {"BoardSEL", 1}, {"BoardLeq", 1},
};
constexpr HeaderValue Logger2Values[] = {
    {"BoardCA", 1},    {"BoardSFI", 1},     {"BoardLevel", 7}, {"Board05", 5},
    {"Board10", 5},    {"Board50", 5},      {"Board90", 5},    {"Board95", 5},
    {"BoardMaxdB", 8}, {"BoardMaxTime", 1}, {"BoardSEL", 5},   {"BoardLeq", 5},
};
constexpr HeaderValue LoggerValues[] = {
    {"BoardCA", 1},    {"BoardSFI", 1},     {"BoardLevel", 1}, {"Board05", 1},
    {"Board10", 1},    {"Board50", 1},      {"Board90", 1},    {"Board95", 1},
    {"BoardMaxdB", 1}, {"BoardMaxTime", 1}, {"BoardSEL", 1},   {"BoardLeq", 1},
};

class Reader
{
public:
    Reader(ReadResult& result, const Progress& progress) : r(result), progress_(progress) {}

    // False when the item stops the reading. lineHasComma: an item of the
    // same line, this one included, ended at a comma.
    bool item(qsizetype index, QByteArrayView raw, qsizetype line, bool lineHasComma)
    {
        if (raw.size() > MaxItemLength)
            return stop(line, QStringLiteral("Line %1 is longer than 1 MiB"));

        if (index > r.headerLength) {
            std::array<QByteArrayView, 3> cells;
            if (!cutRow(trimBlanks(raw), cells)) {
                // A binary file's bytes fall into "items" too, commas and all.
                if (!firstItemText_ || !isText(raw))
                    return stop(line, QStringLiteral("Line %1 is not a line of text: this is "
                                                     "not a data file"));
                if (lineHasComma && r.rows.isEmpty()) {
                    r.badLine = line;
                    r.commaForm = true;
                    r.message = QStringLiteral("Line %1 begins the records, and they are in "
                                               "the comma form, which cannot be opened: only "
                                               "the header values are shown.")
                                    .arg(line);
                    return false;
                }
                return stop(line, QStringLiteral("Line %1 is not a record line (a cell without "
                                                 "a TAB after it)"));
            }
            r.rows.append(cells[0], cells[1], cells[2]);
            rowRead(index);
        } else if (index > 1 && index < r.headerLength) {
            // Blanks stay: the meter's fields carry them, and a reopened file
            // must show and print its values as the file holds them.
            const HeaderValue& v = values[index - 2];
            const QByteArrayView text = v.number ? numberOrAsWritten(raw) : raw;
            const QByteArrayView cut =
                text.size() >= v.from ? text.sliced(v.from - 1) : QByteArrayView();
            r.captions.insert(QLatin1StringView(v.name), QString::fromLatin1(cut));
        } else if (index == 1 && r.headerLength > 1) {
            r.intervalText = QString::fromLatin1(numberOrAsWritten(raw));
        } else if (index == 0) {
            firstItemText_ = isText(raw);
            decideKind(raw);
        }
        // index == headerLength: the title line, skipped
        return true;
    }

    // The last row's progress, when it was not the last one told.
    void finish()
    {
        if (progress_ && lastRow_ >= 0 && lastRow_ != toldRow_) progress_(lastRow_ - 1);
    }

private:
    void rowRead(qsizetype index)
    {
        if (!progress_) return;
        lastRow_ = index;
        // The clock is read every 256 rows only: a full logger has 1.7 million.
        if (toldRow_ < 0 || ((++sinceTold_ & 0xFF) == 0 && clock_.elapsed() >= 100)) {
            progress_(index - 1);
            toldRow_ = index;
            sinceTold_ = 0;
            clock_.start();
        }
    }

    void decideKind(QByteArrayView first)
    {
        if (first.contains("Real Time")) {
            set(Kind::RealTime, 9, "FileListReal", RealTimeValues);
        } else if (first.contains("Data Logger 2")) {
            set(Kind::Logger2, 14, "FileList", Logger2Values);
        } else if (first.contains("Data Logger")) {
            set(Kind::Logger, 14, "FileList", LoggerValues);
        } else {
            r.kind = Kind::Headerless;
            r.headerLength = 0;
            r.window = QStringLiteral("FileListReal");
        }
    }

    template <std::size_t N>
    void set(Kind kind, int headerLength, const char* window, const HeaderValue (&v)[N])
    {
        static_assert(N >= 1);
        Q_ASSERT(int(N) == headerLength - 2);
        r.kind = kind;
        r.headerLength = headerLength;
        r.window = QLatin1StringView(window);
        values = v;
    }

    bool stop(qsizetype line, const QString& what)
    {
        r.badLine = line;
        r.message = what.arg(line) +
                    QStringLiteral("; reading stopped after %1 records.").arg(r.rows.size());
        return false;
    }

    ReadResult& r;
    bool firstItemText_ = true;
    const HeaderValue* values = nullptr;
    const Progress& progress_;
    QElapsedTimer clock_;
    qsizetype lastRow_ = -1;
    qsizetype toldRow_ = -1;
    qsizetype sinceTold_ = 0;
};

// Cuts bytes into items as they arrive, so a file can be read in pieces.
// An item ends at a comma, at a line end (CR LF, LF or CR) or at the end of
// the file. A comma is always followed by one more item, even an empty one;
// a line end only when more bytes follow.
class Scanner
{
public:
    explicit Scanner(Reader& reader) : reader_(reader) {}

    // Hands over every item that ends within bytes; consumed tells how many
    // bytes they took (the rest starts an item still to come). With atEnd
    // the rest is the last item. False when an item stopped the reading.
    bool feed(QByteArrayView bytes, bool atEnd, qsizetype& consumed)
    {
        const char* const begin = bytes.data();
        const char* const end = begin + bytes.size();
        const char* p = begin;
        for (;;) {
            const char* const start = p;
            while (p != end && *p != ',' && *p != '\n' && *p != '\r')
                ++p;
            if (p == end || (*p == '\r' && p + 1 == end && !atEnd)) {
                if (!atEnd && p - start <= MaxItemLength + 1) {
                    consumed = start - begin;
                    return true;
                }
                // The last item; or one too long to wait for its end.
                consumed = bytes.size();
                if (atEnd && p == end && start == end && !afterComma_) return true;
                return reader_.item(index_++, QByteArrayView(start, p - start), line_,
                                    lineHasComma_);
            }
            const QByteArrayView raw(start, p - start);
            const qsizetype itemLine = line_;
            const bool comma = *p == ',';
            const bool hadComma = lineHasComma_ || comma;
            if (comma) {
                ++p;
                lineHasComma_ = true;
            } else {
                if (*p == '\r' && p + 1 != end && p[1] == '\n') ++p;
                ++p;
                ++line_;
                lineHasComma_ = false;
            }
            afterComma_ = comma;
            if (!reader_.item(index_++, raw, itemLine, hadComma)) {
                consumed = p - begin;
                return false;
            }
        }
    }

private:
    Reader& reader_;
    qsizetype index_ = 0;
    qsizetype line_ = 1;
    bool afterComma_ = false;
    bool lineHasComma_ = false;
};

// Bytes of the cells' texts.
qsizetype textBytes(const RecordRows& rows)
{
    if (rows.isEmpty()) return 0;
    const QByteArrayView last = rows.cell(rows.size() - 1, 2);
    return last.data() + last.size() - rows.cell(0, 0).data();
}

// Room for the records the rest of the file will hold at the density of
// those read so far: the list then grows once instead of by doubling, each
// time copying and touching its memory anew. A guess from a small start is
// not trusted.
void reserveAhead(RecordRows& rows, qint64 bytesRead, qint64 fileSize)
{
    if (rows.size() < 1000 || bytesRead <= 0) return;
    const double perByte = double(rows.size()) / double(bytesRead);
    const qsizetype expected = qsizetype(double(fileSize) * perByte * 1.05) + 1;
    rows.reserve(expected, textBytes(rows) / rows.size() + 1);
}

// Gives back the slack of a guess or of doubling, when there is much of it.
void trim(RecordRows& rows)
{
    const qsizetype used = textBytes(rows) + rows.size() * RecordRows::Columns * 4;
    if (rows.memoryUsed() > used + used / 8) rows.squeeze();
}

ReadResult failed(const QString& message)
{
    ReadResult result;
    result.fileError = true;
    result.message = message;
    return result;
}

} // namespace

Separator separatorForFilter(int FilterIndex)
{
    return FilterIndex == 2 ? Separator::Comma : Separator::Tab;
}

QByteArray headerNumber(double value)
{
    if (value == 0) value = 0; // no "-0"
    char digits[400];
    // Shortest fixed form that reads back as the same double: 65.3, not 65.299999...
    const auto res = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    QByteArray out;
    if (!(value < 0)) out.append(' ');
    if (res.ec == std::errc())
        out.append(digits, res.ptr - digits);
    else
        out.append(QByteArray::number(value, 'g', 17));
    return out;
}

QByteArray realTimeFileHeader(const RealTimeHeader& h)
{
    QByteArray out;
    out.reserve(128);
    out.append("Real Time").append(LineEnd);
    out.append(headerNumber(h.samplingTime)).append(LineEnd);
    appendLine(out, h.boardCa);
    appendLine(out, h.boardSfi);
    appendLine(out, h.boardLevel);
    if (const double* number = std::get_if<double>(&h.maxLevel))
        out.append(headerNumber(*number)).append(LineEnd);
    else
        appendLine(out, std::get<QString>(h.maxLevel));
    appendLine(out, h.maxTime);
    appendLine(out, h.selText);
    appendLine(out, h.leqText);
    return out;
}

QByteArray loggerFile2Header(const LoggerHeader& h)
{
    using L = QLatin1StringView;
    QByteArray out;
    out.reserve(192);
    out.append("Data Logger 2").append(LineEnd);
    appendLine(out, L("SET "), h.LoggerInterval);
    appendLine(out, h.BoardCA);
    appendLine(out, h.BoardSFI);
    appendLine(out, L("Range "), h.BoardLevel);
    appendLine(out, L("L05 "), h.Board05);
    appendLine(out, L("L10 "), h.Board10);
    appendLine(out, L("L50 "), h.Board50);
    appendLine(out, L("L90 "), h.Board90);
    appendLine(out, L("L95 "), h.Board95);
    appendLine(out, L("Max dB "), h.BoardMaxdB);
    appendLine(out, h.BoardMaxTime);
    appendLine(out, L("SEL "), h.BoardSEL);
    appendLine(out, L("Leq "), h.BoardLeq);
    return out;
}

QByteArray titleLine(Separator separator, LineForm form)
{
    return joinedLine(separator, form, u"No.s", u"Date Time", u"dB");
}

QByteArray recordLine(Separator separator, LineForm form, QStringView number, QStringView time,
                      QStringView level)
{
    return joinedLine(separator, form, number, time, level);
}

void appendListLine(QByteArray& buffer, Separator separator, QAnyStringView cell0,
                    QAnyStringView cell1, QAnyStringView cell2)
{
    const char sep = char(separator);
    const qsizetype at = buffer.size();
    // resize() grows the capacity geometrically, so long runs of appends stay linear.
    buffer.resize(at + cell0.size() + cell1.size() + cell2.size() + 5);
    char* p = buffer.data() + at;
    for (QAnyStringView cell : {cell0, cell1, cell2}) {
        cell.visit([&p](auto text) {
            if constexpr (std::is_same_v<decltype(text), QStringView>) {
                for (QChar c : text)
                    *p++ = latin1(c);
            } else {
                if (!text.isEmpty()) std::memcpy(p, text.data(), size_t(text.size()));
                p += text.size();
            }
        });
        *p++ = sep;
    }
    *p++ = '\r';
    *p = '\n';
}

QString liveGridDumpName(const QDateTime& when)
{
    return when.toString(QStringLiteral("MMddHHmmss")) + QStringLiteral(".dvrk");
}

bool saveFile(const QString& path, QByteArrayView bytes, QString* errorMessage)
{
    SafeFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes.data(), bytes.size());
    if (file.commit()) return true;
    if (errorMessage)
        *errorMessage = QStringLiteral("Cannot write %1: %2").arg(path, file.failure());
    return false;
}

ReadResult read(QByteArrayView bytes, const Progress& progress)
{
    ReadResult result;
    Reader reader(result, progress);
    Scanner scanner(reader);
    qsizetype consumed = 0;
    scanner.feed(bytes, true, consumed);
    reader.finish();
    trim(result.rows);
    return result;
}

ReadResult readFile(const QString& path, const Progress& progress)
{
    // Read in pieces rather than mapped: a file cut short by another program
    // while it is read must not bring the program down, and a bad line early
    // in a large file ends the reading without the rest being loaded.
    QFile file(path);
    // Unbuffered: each piece is one read of what the system has, no copy.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return failed(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    if (file.size() > MaxFileSize)
        return failed(QStringLiteral("%1 is larger than 256 MB, more than any data file holds; "
                                     "it was not opened.")
                          .arg(path));

    ReadResult result;
    Reader reader(result, progress);
    Scanner scanner(reader);
    constexpr qsizetype Piece = 1024 * 1024;
    QByteArray buffer;
    qsizetype held = 0; // bytes of an item still to be ended, at the buffer's start
    qint64 total = 0;
    bool reserved = false;
    for (;;) {
        if (buffer.size() < held + Piece) buffer.resize(held + Piece);
        const qint64 n = file.read(buffer.data() + held, Piece);
        if (n < 0) {
            result.fileError = true;
            result.message = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
            break;
        }
        total += n;
        // A file that grows while it is read is cut where a data file must end.
        if (total > MaxFileSize) {
            result.fileError = true;
            result.message = QStringLiteral("%1 grew beyond 256 MB while it was read.").arg(path);
            break;
        }
        held += n;
        const bool atEnd = n == 0;
        qsizetype consumed = 0;
        if (!scanner.feed(QByteArrayView(buffer.constData(), held), atEnd, consumed) || atEnd)
            break;
        held -= consumed;
        std::memmove(buffer.data(), buffer.constData() + consumed, size_t(held));
        if (!reserved) {
            reserved = true;
            reserveAhead(result.rows, total - held, file.size());
        }
    }
    reader.finish();
    trim(result.rows);
    return result;
}

} // namespace DataFile
