#pragma once

#include "link/ItemAsker.h"
#include "taxfile/GenerationRun.h"

#include <QString>
#include <QStringList>

#include <functional>

// Records what a run asks and what it got, on the way to the real item link.
class RecordingAsker : public ddelink::ItemAsker
{
public:
    explicit RecordingAsker(ddelink::ItemAsker& inner) : m_inner(inner) {}
    QString ask(const QString& item) override
    {
        if (onAsk)
            onAsk(asked.size());
        asked << item;
        const QString answer = m_inner.ask(item);
        answers << answer;
        return answer;
    }
    bool lastAskTimedOut() const override { return m_inner.lastAskTimedOut(); }
    QStringList asked;
    QStringList answers;
    std::function<void(qsizetype)> onAsk;

private:
    ddelink::ItemAsker& m_inner;
};

// A run's progress that nobody watches.
class NoProgress : public taxfile::RunProgress
{
public:
    void setPanelVisible(bool) override {}
    void setGaugeRange(int, int) override {}
    void setGaugePosition(int) override {}
};
