#pragma once

#include "core/Clock.h"

#include <chrono>
#include <functional>
#include <vector>

namespace testsupport {

// The program's clock for the life of a scope: a fixed date, and waits that pass at once. Each
// pause is kept and moves the time on by itself; onPause runs after it, as the world would have
// changed meanwhile.
class FakeClock : public core::Clock
{
public:
    FakeClock() { core::setClock(this); }
    ~FakeClock() override { core::setClock(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    QDate today() const override { return day; }
    TimePoint now() const override { return m_now; }
    void sleepFor(std::chrono::milliseconds pause) const override
    {
        pauses.push_back(pause);
        m_now += pause;
        if (onPause)
            onPause(pauses.size());
    }

    QDate day = QDate(2008, 10, 1);
    mutable std::vector<std::chrono::milliseconds> pauses;
    std::function<void(std::size_t pauses)> onPause;

private:
    mutable TimePoint m_now{};
};

} // namespace testsupport
