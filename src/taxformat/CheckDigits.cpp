#include "taxformat/CheckDigits.h"

#include "core/Cp1251.h"
#include "dbase/FieldCodec.h"
#include "taxformat/TaxFileFields.h"

#include <array>

namespace taxformat {

namespace {

bool allDigits(const QString& text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

int digit(const QString& text, qsizetype i)
{
    return text.at(i).unicode() - '0';
}

bool isCyrillicCapital(QChar c)
{
    const char16_t u = c.unicode();
    // А..Я and the Ukrainian Є, І, Ї, Ґ.
    return (u >= 0x0410 && u <= 0x042F) || u == 0x0404 || u == 0x0406 || u == 0x0407 || u == 0x0490;
}

bool isPassport(const QString& text)
{
    return text.size() == 8 && isCyrillicCapital(text.at(0)) && isCyrillicCapital(text.at(1)) &&
           allDigits(text.mid(2));
}

// "9 символів", "2 символи", "1 символ".
QString characters(qsizetype n)
{
    const qsizetype last = n % 10, lastTwo = n % 100;
    const char* word = "символів";
    if (last == 1 && lastTwo != 11)
        word = "символ";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        word = "символи";
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word));
}

QString problem(CodeVerdict verdict, const QString& text, int digits)
{
    switch (verdict) {
    case CodeVerdict::WrongLength:
        return QStringLiteral("має складатися з %1 цифр, а в ньому %2")
            .arg(digits)
            .arg(characters(text.size()));
    case CodeVerdict::NotDigits:
        return QStringLiteral("має складатися з %1 цифр, а в ньому є інші знаки").arg(digits);
    case CodeVerdict::WrongCheckDigit:
        return QStringLiteral(
            "не проходить перевірку контрольної цифри: найпевніше, в ньому помилка");
    case CodeVerdict::Valid:
    case CodeVerdict::Empty:
    case CodeVerdict::NoCheckDigit:
        break;
    }
    return {};
}

} // namespace

int individualCheckDigit(const QString& nineDigits)
{
    static constexpr std::array<int, 9> weights{-1, 5, 7, 9, 4, 6, 10, 5, 7};
    int sum = 0;
    for (std::size_t i = 0; i < weights.size(); ++i)
        sum += digit(nineDigits, static_cast<qsizetype>(i)) * weights[i];
    // The sum can be negative only when every digit after the first is 0; C++ keeps its sign.
    return ((sum % 11) + 11) % 11 % 10;
}

int firmCheckDigit(const QString& code)
{
    static constexpr std::array<int, 7> low{1, 2, 3, 4, 5, 6, 7};
    static constexpr std::array<int, 7> middle{7, 1, 2, 3, 4, 5, 6};
    const int value = code.toInt();
    const auto& weights = value >= 30000000 && value <= 60000000 ? middle : low;
    auto remainder = [&](int extra) {
        int sum = 0;
        for (std::size_t i = 0; i < weights.size(); ++i)
            sum += digit(code, static_cast<qsizetype>(i)) * (weights[i] + extra);
        return sum % 11;
    };
    int r = remainder(0);
    if (r == 10)
        r = remainder(2);
    return r == 10 ? 0 : r;
}

CodeVerdict individualNumberVerdict(const QString& text)
{
    if (text.isEmpty())
        return CodeVerdict::Empty;
    if (isPassport(text) || (text.size() == 9 && allDigits(text)))
        return CodeVerdict::NoCheckDigit;
    if (!allDigits(text))
        return CodeVerdict::NotDigits;
    if (text.size() != 10)
        return CodeVerdict::WrongLength;
    return individualCheckDigit(text) == digit(text, 9) ? CodeVerdict::Valid
                                                        : CodeVerdict::WrongCheckDigit;
}

CodeVerdict firmCodeVerdict(const QString& text)
{
    if (text.isEmpty())
        return CodeVerdict::Empty;
    if (!allDigits(text))
        return CodeVerdict::NotDigits;
    if (text.size() != 8)
        return CodeVerdict::WrongLength;
    return firmCheckDigit(text) == digit(text, 7) ? CodeVerdict::Valid
                                                  : CodeVerdict::WrongCheckDigit;
}

QString codeAsWritten(const QString& text)
{
    // Encoded as the table engine writes a text field and read back as it reads one; a character
    // Windows-1251 cannot carry never reaches the file (the fields refuse it), so none is lost
    // here.
    return dbase::codec::parseText(core::cp1251::encode(text.left(taxformat::codeWidth)));
}

QString individualNumberProblem(const QString& text)
{
    return problem(individualNumberVerdict(text), text, 10);
}

QString firmCodeProblem(const QString& text)
{
    return problem(firmCodeVerdict(text), text, 8);
}

} // namespace taxformat
