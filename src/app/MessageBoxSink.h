#pragma once

#include "core/Messages.h"

namespace app {

// The program's message boxes on screen: the standard error box and the plain box, both with
// the caption "4vt" and one "OK", over whichever of our windows is in front.
class MessageBoxSink final : public core::MessageSink
{
public:
    void showError(const QString& text) override;
    void showMessage(const QString& text) override;
};

} // namespace app
