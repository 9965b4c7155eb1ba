#include "taxfile/GaugeModel.h"

#include "core/Error.h"

#include <QString>

#include <limits>

namespace taxfile {

namespace {

[[noreturn]] void outOfRange(long long low, long long high)
{
    throw core::Error(QStringLiteral("Value must be between %1 and %2").arg(low).arg(high));
}

int solveForY(long long x, long long z)
{
    return z == 0 ? 0 : int((x * 100.0) / double(z));
}

} // namespace

void GaugeModel::setMinValue(int value)
{
    if (value == m_min)
        return;
    if (value > m_max)
        outOfRange(-std::numeric_limits<int>::max(), static_cast<long long>(m_max) - 1);
    m_min = value;
    if (m_progress < value)
        m_progress = value;
}

void GaugeModel::setMaxValue(int value)
{
    if (value == m_max)
        return;
    if (value < m_min)
        outOfRange(static_cast<long long>(m_min) + 1, std::numeric_limits<int>::max());
    m_max = value;
    if (m_progress > value)
        m_progress = value;
}

bool GaugeModel::setProgress(int value)
{
    const int before = percentDone();
    m_progress = value < m_min ? m_min : (value > m_max ? m_max : value);
    return before != percentDone();
}

int GaugeModel::percentDone() const
{
    return solveForY(static_cast<long long>(m_progress) - m_min,
                     static_cast<long long>(m_max) - m_min);
}

double GaugeModel::fraction() const
{
    const long long span = static_cast<long long>(m_max) - m_min;
    return span == 0 ? 0.0 : double(static_cast<long long>(m_progress) - m_min) / double(span);
}

} // namespace taxfile
