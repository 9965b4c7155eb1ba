#include "core/Clock.h"

#include <thread>

namespace core {

namespace {

const Clock systemClock;
const Clock* current = &systemClock;

} // namespace

QDate Clock::today() const
{
    return QDate::currentDate();
}

Clock::TimePoint Clock::now() const
{
    return std::chrono::steady_clock::now();
}

void Clock::sleepFor(std::chrono::milliseconds pause) const
{
    std::this_thread::sleep_for(pause);
}

void setClock(const Clock* clock)
{
    current = clock ? clock : &systemClock;
}

const Clock& clock()
{
    return *current;
}

} // namespace core
