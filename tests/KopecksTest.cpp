#include "check/TaxFileCheck.h"
#include "core/Error.h"

#include <gtest/gtest.h>

TEST(KopecksTest, AmountsAsStoredBecomeWholeKopecks)
{
    const std::pair<const char*, qint64> cases[] = {
        {"1234.5", 123450},
        {"-0.07", -7},
        {"12", 1200},
        {"", 0},
        {"0.005", 1},
        {"-0.005", -1},
        {"0.004", 0},
        {"+3,25", 325},
        {"999999999999.99", 99999999999999},
    };
    for (const auto& [text, kopecks] : cases)
        EXPECT_EQ(check::kopecksOf(text), kopecks) << text;
    for (const char* bad : {"-", "1.2.3", "1e5", "99999999999999999999"})
        EXPECT_THROW(check::kopecksOf(bad), core::Error) << bad;
    EXPECT_EQ(check::amountText(6743955), "67 439,55");
    EXPECT_EQ(check::amountText(-7), "-0,07");
}
