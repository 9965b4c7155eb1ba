#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace app {

// The instruction file shown by the viewer: 8-bit Windows-1251 text.
class ReadmeFile
{
public:
    // The most text the viewer holds; a longer file is refused rather than shown cut. Far above
    // any instruction, and small enough that the text box lays it out without a noticeable wait.
    static constexpr qint64 kCapacity = 256 * 1024;

    // The file's text; nothing when there is no such file. Throws core::Error when it cannot
    // be read or holds more than kCapacity bytes of text.
    static std::optional<QString> load(const QString& path);

    // The text ends at the first NUL; every CR, LF or CRLF becomes one line break.
    static QString decode(const QByteArray& bytes);
};

} // namespace app
