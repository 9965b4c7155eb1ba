#include "support/RecordingMessageSink.h"

namespace testsupport {

RecordingMessageSink::RecordingMessageSink()
{
    core::setMessageSink(this);
}

RecordingMessageSink::~RecordingMessageSink()
{
    core::setMessageSink(nullptr);
}

void RecordingMessageSink::showError(const QString& text)
{
    errors << text;
}

bool RecordingMessageSink::ask(const QString& text, const QString&, const QString&)
{
    questions << text;
    return answer;
}

void RecordingMessageSink::showMessage(const QString& text)
{
    plain << text;
    if (onMessage)
        onMessage(text);
}

} // namespace testsupport
