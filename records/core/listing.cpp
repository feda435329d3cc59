#include "records/core/listing.h"

#include <cmath>

namespace Listing {

namespace {

// The number an answer begins with, as far as it reads as one (blanks,
// sign, digits, decimal point, exponent); 0 when it begins with none.
double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    const qsizetype start = i;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i > from;
    };
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    bool any = digits();
    if (i < text.size() && text[i] == u'.') {
        ++i;
        any = digits() || any;
    }
    if (!any) return 0;
    qsizetype end = i;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
        if (digits()) end = i;
    }
    return text.sliced(start, end - start).toString().toDouble();
}

} // namespace

QString rightAligned(QStringView text, int width)
{
    QString out;
    const qsizetype pad = std::max<qsizetype>(width - text.size(), 0);
    out.reserve(pad + text.size());
    out.fill(u' ', pad);
    out.append(text);
    return out;
}

// Appends a cell right-aligned in width, straight from the store's bytes.
void appendAligned(QString& line, QByteArrayView cell, int width)
{
    line.resize(line.size() + std::max<qsizetype>(width - cell.size(), 0), u' ');
    line.append(QLatin1StringView(cell));
}

QString headerLine(const QString& caption, const QString& value)
{
    return QStringLiteral("-         ") + caption + QStringLiteral(" : ") + value;
}

QString titleLine(const std::array<QString, 3>& titles)
{
    return rightAligned(titles[0], NumberWidth) + rightAligned(titles[1], TimeWidth) +
           QStringLiteral("     (dB)");
}

QString ruleLine()
{
    return QString(9, u' ') + QString(71, u'-');
}

QStringList headLines(const Header& h)
{
    QStringList out(4, QStringLiteral(" "));
    out << headerLine(h.SSFreq, h.BoardCA) << headerLine(h.SSTW, h.BoardSFI)
        << headerLine(h.SSSR, h.BoardLevel)
        << headerLine(h.SSMax, h.BoardMaxdB + QStringLiteral(" - ") + h.BoardMaxTime)
        << headerLine(h.SSSEL, h.BoardSEL) << headerLine(h.SSLeq, h.BoardLeq) << QStringLiteral("-")
        << titleLine(h.titles) << ruleLine();
    return out;
}

QString recordLine(const RecordRows& rows, qsizetype r, int perLine)
{
    QString line;
    if (r < 1 || r > rows.size()) return line;
    line.reserve(NumberWidth + TimeWidth + perLine * LevelWidth);
    appendAligned(line, rows.cell(r - 1, 0), NumberWidth);
    appendAligned(line, rows.cell(r - 1, 1), TimeWidth);
    const qsizetype last = std::min<qsizetype>(r + perLine - 1, rows.size());
    for (qsizetype j = r; j <= last; ++j)
        appendAligned(line, rows.cell(j - 1, 2), LevelWidth);
    return line;
}

PerLine recordsPerLine(const QString& answer)
{
    if (answer.isEmpty()) return {PerLine::End, 0};
    const double lead = leadingNumber(answer);
    if (!(lead >= 1 && lead <= MostPerLine)) return {PerLine::AskAgain, 0};
    bool ok = false;
    const double whole = answer.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(whole)) return {PerLine::Fail, 0};
    if (!(whole >= 1 && whole <= MostPerLine)) return {PerLine::AskAgain, 0};
    return {PerLine::Take, int(std::floor(whole))};
}

} // namespace Listing
