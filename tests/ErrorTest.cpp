#include "core/Error.h"
#include "core/Messages.h"
#include "support/RecordingMessageSink.h"

#include <gtest/gtest.h>

using namespace core;

TEST(ErrorBox, FullStopOnlyAfterCharactersAboveThePoint)
{
    EXPECT_EQ(errorBoxText(QStringLiteral("Stream read error")),
              QStringLiteral("Stream read error."));
    EXPECT_EQ(errorBoxText(QStringLiteral("range is -32768 to 32767")),
              QStringLiteral("range is -32768 to 32767."));
    EXPECT_EQ(errorBoxText(QStringLiteral("'x' is not a valid date")),
              QStringLiteral("'x' is not a valid date."));
    EXPECT_EQ(errorBoxText(QStringLiteral("Cannot open file C:\\DA.DBF")),
              QStringLiteral("Cannot open file C:\\DA.DBF."));
    EXPECT_EQ(errorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(errorBoxText(QStringLiteral("Стоп!")), QStringLiteral("Стоп!"));
    EXPECT_EQ(errorBoxText(QStringLiteral("a-")), QStringLiteral("a-"));
    EXPECT_EQ(errorBoxText(QStringLiteral("/")), QStringLiteral("/."));
    EXPECT_EQ(errorBoxText(QString()), QString());
}

TEST(ErrorBox, GuardShowsEveryKindOfFailureAndGoesOn)
{
    testsupport::RecordingMessageSink sink;
    EXPECT_TRUE(guarded([] {}));
    EXPECT_FALSE(guarded([] { throw Error(QStringLiteral("Stream write error")); }));
    EXPECT_FALSE(guarded([] { throw std::runtime_error("bad"); }));
    EXPECT_FALSE(guarded([] { throw 42; }));
    ASSERT_EQ(sink.errors.size(), 3);
    EXPECT_EQ(sink.errors[0], QStringLiteral("Stream write error."));
    EXPECT_EQ(sink.errors[1], QStringLiteral("bad."));
}
