#include "records/core/datafile.h"

#include "records/core/safefile.h"

#include <QFile>
#include <algorithm>
#include <charconv>

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

// Blanks only: a TAB at the end of a row item is part of its last cell's cut.
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

struct HeaderValue
{
    const char* name;
    int from; // 1-based first character; 1 = whole line
};

// Items 2 and on of each kind's header.
constexpr HeaderValue RealTimeValues[] = {
    {"BoardCA", 1},      {"BoardSFI", 1}, {"BoardLevel", 1}, {"BoardMaxdB", 1},
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
    explicit Reader(ReadResult& result) : r(result) {}

    // False when the item stops the reading.
    bool item(qsizetype index, QByteArrayView raw, qsizetype line)
    {
        if (raw.size() > MaxItemLength)
            return stop(line, QStringLiteral("Line %1 is longer than 1 MiB"));
        const QByteArrayView text = trimBlanks(raw);

        if (index > r.headerLength) {
            std::array<QByteArrayView, 3> cells;
            if (!cutRow(text, cells))
                return stop(line, QStringLiteral("Line %1 is not a record line (a cell without "
                                                 "a TAB after it)"));
            r.rows.append(cells[0], cells[1], cells[2]);
        } else if (index > 1 && index < r.headerLength) {
            const HeaderValue& v = values[index - 2];
            const QByteArrayView cut =
                text.size() >= v.from ? text.sliced(v.from - 1) : QByteArrayView();
            r.captions.insert(QLatin1StringView(v.name), QString::fromLatin1(cut));
        } else if (index == 1 && r.headerLength > 1) {
            r.intervalText = QString::fromLatin1(text);
        } else if (index == 0) {
            decideKind(text);
        }
        // index == headerLength: the title line, skipped
        return true;
    }

private:
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
    const HeaderValue* values = nullptr;
};

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
    appendLine(out, h.BoardCA);
    appendLine(out, h.BoardSFI);
    appendLine(out, h.BoardLevel);
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

void appendListLine(QByteArray& buffer, Separator separator, QStringView cell0, QStringView cell1,
                    QStringView cell2)
{
    const char sep = char(separator);
    const qsizetype at = buffer.size();
    // resize() grows the capacity geometrically, so long runs of appends stay linear.
    buffer.resize(at + cell0.size() + cell1.size() + cell2.size() + 5);
    char* p = buffer.data() + at;
    for (QStringView cell : {cell0, cell1, cell2}) {
        for (QChar c : cell)
            *p++ = latin1(c);
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

ReadResult read(QByteArrayView bytes)
{
    ReadResult result;
    Reader reader(result);

    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();

    // An item ends at a comma, at a line end (CR LF, LF or CR) or at the end
    // of the bytes. A comma is always followed by one more item, even an empty
    // one; a line end only when more bytes follow.
    const char* p = begin;
    bool more = p != end;
    qsizetype line = 1;
    for (qsizetype index = 0; more; ++index) {
        const char* const start = p;
        while (p != end && *p != ',' && *p != '\n' && *p != '\r')
            ++p;
        const QByteArrayView raw(start, p - start);
        const qsizetype itemLine = line;
        if (p == end) {
            more = false;
        } else if (*p == ',') {
            ++p;
        } else {
            if (*p == '\r' && p + 1 != end && p[1] == '\n') ++p;
            ++p;
            ++line;
            more = p != end;
        }
        if (!reader.item(index, raw, itemLine)) break;
    }
    return result;
}

ReadResult readFile(const QString& path)
{
    // Read whole rather than mapped: a file cut short by another program
    // while it is read must not bring the program down.
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        ReadResult result;
        result.fileError = true;
        result.message = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return result;
    }
    return read(bytes);
}

} // namespace DataFile
