#include "records/core/levelnumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace FileTransfer {

double LeadingNumber(QByteArrayView text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && (*p == ' ' || *p == '\t'))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';

    const char* const start = p;
    bool point = false;
    bool nonZeroBeforePoint = false;
    int digits = 0;
    int decimals = 0;
    quint64 mantissa = 0;
    for (; p != end; ++p) {
        const char c = *p;
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (point) ++decimals;
            if (!point && c != '0') nonZeroBeforePoint = true;
            if (mantissa < 100000000000000ULL) mantissa = mantissa * 10 + quint64(c - '0');
        } else {
            break;
        }
    }
    if (digits == 0) return 0;

    double value;
    if (digits <= 15 && decimals <= 15) {
        // Both exact in a double, so one division rounds correctly.
        static constexpr double tens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        value = double(mantissa) / tens[decimals];
    } else {
        const auto r = std::from_chars(start, p, value, std::chars_format::fixed);
        if (r.ec == std::errc::result_out_of_range)
            value = nonZeroBeforePoint ? LevelNumberLimit : 0;
        else if (r.ec != std::errc())
            value = 0;
    }
    if (!std::isfinite(value)) value = LevelNumberLimit;
    value = std::min(value, LevelNumberLimit);
    return negative ? -value : value;
}

double Log10(double x)
{
    return std::log(x) / std::log(10.0);
}

} // namespace FileTransfer
