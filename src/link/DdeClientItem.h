#pragma once

#include "link/DdeClientConv.h"
#include "link/ItemAsker.h"
#include "link/ItemLink.h"

#include <QString>

#include <string>

namespace ddelink {

// The item link on the conversation: its current item name and the text of the last reply.
// Setting the name ends the warm link on the previous item, starts one on the new item and
// requests it; whatever goes wrong on the way leaves the text empty, silently.
class DdeClientItem : public ItemAsker
{
public:
    // DDE names carry at most this many bytes.
    static constexpr int MaxNameBytes = static_cast<int>(ItemLink::MaxNameBytes);

    explicit DdeClientItem(DdeClientConv& conversation);

    void setDdeItem(const QString& name);
    const QString& ddeItem() const { return m_item; }
    const QString& text() const { return m_text; }

    // True when a transaction of the last setDdeItem got no reply in time.
    bool timedOut() const { return m_timedOut; }

    QString ask(const QString& item) override;
    bool lastAskTimedOut() const override { return m_timedOut; }

private:
    void setDdeItemUnguarded(const QString& name);

    ItemLink m_link;
    QString m_item = QStringLiteral("РДАТА");
    QString m_text;
    bool m_timedOut = false;
};

// A reply as the callers read it: cut at its first NUL, every byte 1..31 a blank, from
// Windows-1251.
QString replyText(const std::string& reply);

// The open operation of the main window's first activation: opens the conversation and, when it
// opened, sets the item link on "РДАТА" (its reply is not used). True when connected.
bool openLink(DdeClientConv& conversation, DdeClientItem& item);

} // namespace ddelink
