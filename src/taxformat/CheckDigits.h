#pragma once

#include <QString>

// The check digits of the state registers: the register of individuals (10-digit personal
// identification numbers) and the register of enterprises (8-digit firm codes).
namespace taxformat {

enum class CodeVerdict
{
    Valid,           // the check digit agrees with the rest of the number
    Empty,           // nothing was given
    NoCheckDigit,    // a passport series and number, or an ID card number: nothing to check
    WrongLength,     // digits only, but not as many as the code has
    NotDigits,       // holds something other than digits
    WrongCheckDigit, // the right shape, but the last digit does not agree
};

// The check digit of the first nine digits of a personal identification number.
int individualCheckDigit(const QString& nineDigits);
// The check digit of the first seven digits of a firm code; `code` is the whole 8-digit code
// (its value chooses the weights).
int firmCheckDigit(const QString& code);

// A personal identification number: 10 digits with the register's check digit. A passport
// series and number (two Cyrillic capitals and six digits) or a nine-digit ID card number has
// no check digit and passes as NoCheckDigit.
CodeVerdict individualNumberVerdict(const QString& text);
// A firm code: 8 digits with the register's check digit.
CodeVerdict firmCodeVerdict(const QString& text);

// A requisite code as the tax file carries it and its check reads it back: cut to the width of
// the file's code fields, the trailing blanks of the padding gone. Leading blanks and any other
// space (a pasted no-break space) stay, and so they fail the check as they will in the file.
QString codeAsWritten(const QString& text);

// What is wrong with a code, as the end of a sentence about it ("... не проходить перевірку
// контрольної цифри: ..."); empty for Valid, Empty and NoCheckDigit.
QString individualNumberProblem(const QString& text);
QString firmCodeProblem(const QString& text);

} // namespace taxformat
