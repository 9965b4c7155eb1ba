#include "taxformat/CheckDigits.h"

#include <gtest/gtest.h>

using taxformat::CodeVerdict;

namespace {

struct Case
{
    const char* text;
    CodeVerdict verdict;
};

} // namespace

TEST(CheckDigitsTest, IndividualNumbers)
{
    const Case cases[] = {
        {"2238234710", CodeVerdict::Valid},
        {"2745120158", CodeVerdict::Valid},
        {"1000000000", CodeVerdict::Valid}, // a negative weighted sum
        {"2238234711", CodeVerdict::WrongCheckDigit},
        {"2238243710", CodeVerdict::WrongCheckDigit}, // two digits swapped
        {"1111111111", CodeVerdict::WrongCheckDigit},
        {"АБ123456", CodeVerdict::NoCheckDigit},  // passport series and number
        {"ЄІ654321", CodeVerdict::NoCheckDigit},  // Ukrainian capitals
        {"123456789", CodeVerdict::NoCheckDigit}, // ID card
        {"AB123456", CodeVerdict::NotDigits},     // Latin letters are no passport
        {"аб123456", CodeVerdict::NotDigits},     // nor are small letters
        {"АБ1234567", CodeVerdict::NotDigits},
        {"22382347I0", CodeVerdict::NotDigits},
        {"2238 34710", CodeVerdict::NotDigits},
        {"22382347", CodeVerdict::WrongLength},
        {"22382347100", CodeVerdict::WrongLength},
        {"", CodeVerdict::Empty},
    };
    for (const Case& c : cases)
        EXPECT_EQ(taxformat::individualNumberVerdict(QString::fromUtf8(c.text)), c.verdict)
            << c.text;
}

TEST(CheckDigitsTest, FirmCodes)
{
    const Case cases[] = {
        {"00032129", CodeVerdict::Valid}, // weights 1..7
        {"01000002", CodeVerdict::Valid},
        {"60004464", CodeVerdict::Valid},
        {"30007293", CodeVerdict::Valid}, // weights 7, 1..6 from 30000000 to 60000000
        {"32855961", CodeVerdict::Valid},
        {"01007912", CodeVerdict::Valid}, // remainder 10: each weight plus 2
        {"30054818", CodeVerdict::Valid},
        {"60194529", CodeVerdict::Valid},
        {"01435540", CodeVerdict::Valid}, // remainder 10 twice: 0
        {"31796990", CodeVerdict::Valid},
        {"00032128", CodeVerdict::WrongCheckDigit},
        {"32855962", CodeVerdict::WrongCheckDigit},
        {"01007911", CodeVerdict::WrongCheckDigit},
        {"31796991", CodeVerdict::WrongCheckDigit},
        {"01234567", CodeVerdict::WrongCheckDigit},
        {"3285596", CodeVerdict::WrongLength},
        {"2238234710", CodeVerdict::WrongLength},
        {"3285596O", CodeVerdict::NotDigits},
        {"", CodeVerdict::Empty},
    };
    for (const Case& c : cases)
        EXPECT_EQ(taxformat::firmCodeVerdict(QString::fromUtf8(c.text)), c.verdict) << c.text;
}

TEST(CheckDigitsTest, ProblemsAreSaidOnlyForFaults)
{
    EXPECT_EQ(taxformat::individualNumberProblem("2238234710"), QString());
    EXPECT_EQ(taxformat::individualNumberProblem("АБ123456"), QString());
    EXPECT_EQ(taxformat::firmCodeProblem(""), QString());
    EXPECT_EQ(taxformat::firmCodeProblem("3285596"),
              "має складатися з 8 цифр, а в ньому 7 символів");
    EXPECT_EQ(taxformat::individualNumberProblem("22382347100"),
              "має складатися з 10 цифр, а в ньому 11 символів");
    EXPECT_EQ(taxformat::individualNumberProblem("22"),
              "має складатися з 10 цифр, а в ньому 2 символи");
    EXPECT_TRUE(taxformat::individualNumberProblem("2238234711").contains("контрольної цифри"));
}
