#pragma once

#include "link/ItemAsker.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace testsupport {

// The accounting program as a table: answers known items (others get an empty text, as a
// refused item does) and records every item asked, in order.
class FakeAsker : public ddelink::ItemAsker
{
public:
    QString ask(const QString& item) override
    {
        asked << item;
        if (onAsk)
            onAsk(item);
        m_timedOut = timesOut && timesOut(item);
        return m_timedOut ? QString() : answers.value(item);
    }
    bool lastAskTimedOut() const override { return m_timedOut; }
    QHash<QString, QString> answers;
    QStringList asked;
    std::function<void(const QString&)> onAsk;
    // Whether the ask of an item gets no answer in time (the accounting program is frozen).
    std::function<bool(const QString&)> timesOut;

private:
    bool m_timedOut = false;
};

} // namespace testsupport
