#include "core/Messages.h"

#include <cstdio>

namespace core {

namespace {

class StderrSink final : public MessageSink
{
public:
    void showError(const QString& text) override
    {
        std::fprintf(stderr, "4vt: error: %s\n", text.toUtf8().constData());
    }
    void showMessage(const QString& text) override
    {
        std::fprintf(stderr, "4vt: %s\n", text.toUtf8().constData());
    }
    // Nobody to answer: the command stops.
    bool ask(const QString& text, const QString&, const QString& stop) override
    {
        std::fprintf(stderr, "4vt: %s [%s]\n", text.toUtf8().constData(),
                     stop.toUtf8().constData());
        return false;
    }
};

StderrSink g_stderrSink;
MessageSink* g_sink = &g_stderrSink;
QObject* g_owner = nullptr;

} // namespace

MessageOwner::MessageOwner(QObject* owner) : m_previous(g_owner)
{
    g_owner = owner;
}

MessageOwner::~MessageOwner()
{
    g_owner = m_previous;
}

QObject* MessageOwner::current()
{
    return g_owner;
}

void setMessageSink(MessageSink* sink)
{
    g_sink = sink ? sink : &g_stderrSink;
}

MessageSink& messages()
{
    return *g_sink;
}

void reportError(const QString& message)
{
    try {
        g_sink->showError(errorBoxText(message));
    } catch (...) {
        // A failing error box must not take the program down with it.
    }
}

} // namespace core
