#pragma once

#include <QString>

namespace link {

// One question to the accounting program: the item name goes out, its answer comes back as one
// line of text, empty when there is no data. The item link of the main window answers it over
// the conversation; tests answer from a table.
class ItemAsker
{
public:
    virtual ~ItemAsker() = default;
    virtual QString ask(const QString& item) = 0;
};

} // namespace link
