#pragma once

#include <QString>

#include <stdexcept>

namespace core {

// Every failure the user may see travels as this exception; its text is shown as it stands in
// the standard error box (after the full-stop rule of errorBoxText).
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message);

    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The text of the standard error box: a full stop is appended when the code of the last
// character is above that of ".", so a message ending in a letter or digit gets one, while one
// ending in "!", "." or a blank keeps its ending.
QString errorBoxText(const QString& message);

// The most characters of an outside value (an answer, a setting, a path) that a message quotes.
constexpr int kShownValueLength = 120;

// An outside value as a message quotes it: whole when it has at most `maxLength` characters,
// otherwise its first characters followed by "…" (never half a character), so that a huge
// answer or setting never makes a huge message box.
QString shownValue(const QString& value, qsizetype maxLength = kShownValueLength);

} // namespace core
