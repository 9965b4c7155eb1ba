#pragma once

#include "core/Messages.h"

namespace app {

// The program's message boxes on screen: the standard error box and the plain box, both with
// the caption "4vt" and one "OK", over whichever of our windows is in front.
class MessageBoxSink final : public core::MessageSink
{
public:
    // The most characters a box shows; a longer text is cut with "…".
    static constexpr int kMaxText = 2000;

    // The text as a box shows it: at most kMaxText characters, and a place to break the line in
    // every long run without blanks, so that the box wraps instead of outgrowing the screen.
    static QString boxText(const QString& text);

    void showError(const QString& text) override;
    void showMessage(const QString& text) override;
    bool ask(const QString& text, const QString& goOn, const QString& stop) override;
};

} // namespace app
