#include "taxformat/TaxFileName.h"
#include "core/Error.h"

#include <QDir>

#include <gtest/gtest.h>

using taxformat::buildTaxFileName;

TEST(TaxFileNameTest, PiecesJoinWithTheFileNumberPaddedToTwo)
{
    EXPECT_EQ(buildTaxFileName("07", "14", "1", 2), "DA071401.3");
    EXPECT_EQ(buildTaxFileName("07", "14", "7", 0), "DA071407.1");
    EXPECT_EQ(buildTaxFileName("07", "14", "12", 3), "DA071412.4");
    // Longer texts are taken as they stand.
    EXPECT_EQ(buildTaxFileName("07", "14", "123", 1), "DA0714123.2");
}

TEST(TaxFileNameTest, EmptyPiecesStayEmptyAndAnEmptyNumberIsALoneZero)
{
    EXPECT_EQ(buildTaxFileName("07", "14", "", 2), "DA07140.3");
    EXPECT_EQ(buildTaxFileName("", "", "5", 2), "DA05.3");
    EXPECT_EQ(buildTaxFileName("", "", "", 0), "DA0.1");
    // Blanks are not trimmed.
    EXPECT_EQ(buildTaxFileName(" 7", "14", "1", 2), "DA 71401.3");
}

TEST(TaxFileNameTest, PiecesThatWouldMakeAPathAreRefused)
{
    const QStringList unsafe{"../",
                             "..",
                             "a/b",
                             "a\\b",
                             "C:",
                             "<",
                             ">",
                             "\"",
                             "|",
                             "?",
                             "*",
                             QString(QChar(0)),
                             QStringLiteral("\t"),
                             QString(QChar(0x1f))};
    for (const QString& piece : unsafe) {
        try {
            buildTaxFileName(piece, "14", "1", 2);
            ADD_FAILURE() << "accepted region code " << piece.toStdString();
        } catch (const core::Error& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("код області")))
                << e.message().toStdString();
        }
        EXPECT_THROW(buildTaxFileName("07", piece, "1", 2), core::Error);
        EXPECT_THROW(buildTaxFileName("07", "14", piece, 2), core::Error);
    }
    // A dot on its own is a harmless part of a name; Cyrillic letters are too.
    EXPECT_EQ(buildTaxFileName("0.", "14", "1", 2), "DA0.1401.3");
    EXPECT_EQ(buildTaxFileName("КО", "14", "1", 2), "DAКО1401.3");
}

TEST(TaxFileNameTest, NameIsProcessWideAndTempDirectoryEndsInASeparator)
{
    taxformat::TaxFileName() = "DA071401.3";
    EXPECT_EQ(taxformat::TaxFileName(), "DA071401.3");
    const QString dir = taxformat::tempDirectory();
    EXPECT_TRUE(dir.endsWith('/'));
    EXPECT_EQ(QDir(dir).absolutePath(), QDir(QDir::tempPath()).absolutePath());
    taxformat::TaxFileName().clear();
}
