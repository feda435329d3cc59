#pragma once
// The leading number of a level text, as the statistics and the plot read
// it, and the logarithm the running Leq and SEL are worked out with.

#include <QByteArrayView>

namespace FileTransfer {

// Magnitudes beyond this read as this: no level comes near it, and it keeps
// every sum, bin and pixel that follows finite.
inline constexpr double LevelNumberLimit = 1e9;

// Blanks are skipped, then an optional sign, digits and at most one decimal
// point are taken; the number ends at the first character that cannot
// continue it ("65.3*" gives 65.3, "1e999" gives 1, as there is no exponent).
// A text without a leading number gives 0. Never a number that is not finite.
double LeadingNumber(QByteArrayView text);

// Common logarithm as ln x / ln 10.
double Log10(double x);

} // namespace FileTransfer
