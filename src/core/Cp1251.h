#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <string>

// Windows-1251, the one 8-bit code page of everything that leaves the program (the tax file, the
// link's item names and answers, the registry). Our own table, since Qt on Windows has no ICU.
namespace core::cp1251 {

// True when the character has a Windows-1251 byte.
bool canEncode(QChar c);
bool canEncode(const QString& text);

// Characters without a byte become '?'; callers that must not lose text check canEncode first.
QByteArray encode(const QString& text);
std::string encodeStd(const QString& text);

// Every byte decodes; the one unassigned byte, 0x98, becomes U+FFFD.
QString decode(const QByteArray& bytes);
QString decode(const std::string& bytes);

} // namespace core::cp1251
