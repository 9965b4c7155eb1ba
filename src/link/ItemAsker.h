#pragma once

#include <QString>

// Not "link": every Qt header brings POSIX ::link() into the global namespace, and a namespace
// of that name cannot be declared beside it.
namespace ddelink {

// One question to the accounting program: the item name goes out, its answer comes back as one
// line of text, empty when there is no data. The item link of the main window answers it over
// the conversation; tests answer from a table.
class ItemAsker
{
public:
    virtual ~ItemAsker() = default;
    virtual QString ask(const QString& item) = 0;
    // True when the last ask got no answer in time: its empty text is then no answer at all,
    // not the accounting program's "no data".
    virtual bool lastAskTimedOut() const { return false; }
};

} // namespace ddelink
