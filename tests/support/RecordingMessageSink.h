#pragma once

#include "core/Messages.h"

#include <QStringList>

#include <functional>

namespace testsupport {

// Pre-answered message boxes: records every box the code would show and returns at once.
// Installed for its lifetime; the previous (default) sink comes back afterwards.
class RecordingMessageSink final : public core::MessageSink
{
public:
    RecordingMessageSink();
    ~RecordingMessageSink() override;

    void showError(const QString& text) override;
    void showMessage(const QString& text) override;
    bool ask(const QString& text, const QString& goOn, const QString& stop) override;

    QStringList errors;
    QStringList plain;
    QStringList questions;
    bool answer = true; // of every question: go on

    // Runs when a plain box is "closed", e.g. to take a device away before a copy starts.
    std::function<void(const QString&)> onMessage;
};

} // namespace testsupport
