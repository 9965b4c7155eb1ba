#pragma once

#include <QDate>

#include <chrono>

namespace core {

// The time as the program reads it: today's date (the century of a two-digit year) and the
// monotonic time of the waits between tries (the link's wait for a program it started, the
// instance guard's wait for a lock file being written). One place where tests set the date and
// let the waits pass at once.
class Clock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual QDate today() const;
    virtual TimePoint now() const;
    // Waits `pause` before the next try.
    virtual void sleepFor(std::chrono::milliseconds pause) const;
};

// Installs the clock (not owned); nullptr restores the system's.
void setClock(const Clock* clock);
const Clock& clock();

} // namespace core
