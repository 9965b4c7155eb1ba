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

void RecordingMessageSink::showMessage(const QString& text)
{
    plain << text;
    if (onMessage)
        onMessage(text);
}

} // namespace testsupport
