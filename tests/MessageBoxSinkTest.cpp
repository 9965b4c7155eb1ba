#include "app/MessageBoxSink.h"
#include "core/Conversions.h"
#include "core/Error.h"
#include "support/NextModal.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

using testsupport::onNextModal;

// A huge answer or setting in a message: the box stays within the screen and opens at once;
// the message's own words are exact and the value is cut with "…".
TEST(MessageBoxSinkTest, HugeValuesGiveABoundedWrappedBox)
{
    QString message;
    try {
        core::toFloat(QString(1 << 20, QChar(u'9')));
    } catch (const core::Error& e) {
        message = e.message();
    }
    EXPECT_EQ(message, "'" + QString(core::kShownValueLength - 1, QChar(u'9')) + QChar(0x2026) +
                           "' is not a valid floating point value");

    app::MessageBoxSink sink;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QString& text : {message, QString(10 << 20, QChar(u'Ж'))}) {
        QSize shown;
        onNextModal([&](QWidget* box) { shown = box ? box->size() : QSize(); });
        QElapsedTimer clock;
        clock.start();
        sink.showError(text);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_TRUE(shown.isValid());
        EXPECT_LE(shown.width(), screen.width());
        EXPECT_LE(shown.height(), screen.height());
    }
    EXPECT_EQ(app::MessageBoxSink::boxText(QString(5000, QChar(u'x'))).remove(QChar(0x200B)),
              QString(app::MessageBoxSink::kMaxText - 1, QChar(u'x')) + QChar(0x2026));
    // Never half a character where the cut falls.
    const QString words = QStringLiteral("a ").repeated(app::MessageBoxSink::kMaxText / 2 - 1);
    EXPECT_EQ(app::MessageBoxSink::boxText(words + QString::fromUtf8("😀 tail")),
              words + QChar(0x2026));
}
