#pragma once

#include <QStringList>

#include <algorithm>
#include <vector>

// Small helpers the benchmark programs share.

/// The median of `values` (the mean of the middle two for an even count);
/// 0 for none.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/// The argument after `flag` in `args`, else `fallback`.
inline QString argumentAfter(const QStringList &args, const QString &flag, const QString &fallback)
{
    const int i = args.indexOf(flag);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}
