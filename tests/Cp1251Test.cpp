#include "core/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace core;

// Our table must agree with ICU's on every byte, or a name in the tax file would differ from
// what the accounting program and the tax office read.
TEST(Cp1251, EveryByteDecodesAsIcuDoes)
{
    QStringDecoder icu("windows-1251");
    ASSERT_TRUE(icu.isValid());
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98)
            continue; // unassigned in Windows-1251
        const QByteArray one(1, char(b));
        const QString ours = cp1251::decode(one);
        const QString theirs = icu.decode(one);
        EXPECT_EQ(ours, theirs) << "byte " << b;
        EXPECT_EQ(cp1251::encode(ours), one) << "byte " << b;
        EXPECT_TRUE(cp1251::canEncode(ours));
    }
}

TEST(Cp1251, CyrillicRoundTripAndUnmappable)
{
    const QString text = QStringLiteral("ҐЄІЇ ґєії СН1:&.52 №");
    EXPECT_TRUE(cp1251::canEncode(text));
    EXPECT_EQ(cp1251::decode(cp1251::encode(text)), text);
    EXPECT_EQ(cp1251::encode(QStringLiteral("СН")), QByteArray("\xD1\xCD"));

    const QString chinese = QStringLiteral("a中b");
    EXPECT_FALSE(cp1251::canEncode(chinese));
    EXPECT_EQ(cp1251::encode(chinese), QByteArray("a?b"));
    EXPECT_FALSE(cp1251::canEncode(QChar(0xFFFD)));
}
