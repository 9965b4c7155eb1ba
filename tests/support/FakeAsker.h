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
        return answers.value(item);
    }
    QHash<QString, QString> answers;
    QStringList asked;
    std::function<void(const QString&)> onAsk;
};

} // namespace testsupport
