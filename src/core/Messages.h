#pragma once

#include "core/Error.h"

#include <QString>

#include <exception>
#include <utility>

class QObject;

namespace core {

// Where the program's message boxes go. The application installs one that shows real boxes;
// tests install one that records what would have been shown and answers at once.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    // The standard error box: caption "4vt", error icon, one "OK". The text is final.
    virtual void showError(const QString& text) = 0;
    // A plain message box: caption "4vt", no icon, one "OK". Returns when the user closed it.
    virtual void showMessage(const QString& text) = 0;
    // A question: caption "4vt", the question icon, a button that goes on and one that stops
    // (Escape and Enter stop). True when the user chose to go on.
    virtual bool ask(const QString& text, const QString& goOn, const QString& stop) = 0;
};

// While it lives, the program's boxes stand over the window of `owner` rather than over the
// active one: a non-modal window (a preview) says the outcome of its own commands over itself,
// even where closing a progress window handed the focus to the dialog that owns it.
class MessageOwner
{
public:
    explicit MessageOwner(QObject* owner);
    ~MessageOwner();
    MessageOwner(const MessageOwner&) = delete;
    MessageOwner& operator=(const MessageOwner&) = delete;
    static QObject* current();

private:
    QObject* m_previous;
};

// Installs the sink (not owned); nullptr restores the default, which writes to stderr.
void setMessageSink(MessageSink* sink);
MessageSink& messages();

// Shows a failure in the standard error box.
void reportError(const QString& message);

// Runs one command the way every menu action and button does: a failure abandons the command
// and is shown in the standard error box; nothing escapes into the event loop.
// Returns true when the command ran to its end.
template <class F> bool guarded(F&& command) noexcept
{
    try {
        std::forward<F>(command)();
        return true;
    } catch (const Error& e) {
        reportError(e.message());
    } catch (const std::exception& e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace core
