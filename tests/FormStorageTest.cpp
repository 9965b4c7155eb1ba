#include "settings/FormStorage.h"
#include "core/Error.h"
#include "settings/SettingsStore.h"
#include "support/DefaultTemplates.h"

#include <QHash>

#include <gtest/gtest.h>

using settings::FormStorage;
using settings::SettingsStore;

namespace {

// A store that fails where told to.
class FailingStore final : public SettingsStore
{
public:
    bool failOpen = false;
    QString failRead;
    int reads = 0;

    void open() override
    {
        if (failOpen)
            throw core::Error(QStringLiteral("no key"));
    }
    Value read(const QString& name) override
    {
        ++reads;
        if (name == failRead)
            throw core::Error(QStringLiteral("unreadable"));
        return {Value::Text, QStringLiteral("stored ") + name};
    }
    void write(const NamedValues&) override {}
};

} // namespace

TEST(FormStorageTest, AFailingStoreNeverBreaksTheLoad)
{
    FailingStore store;
    FormStorage storage(store);

    store.failOpen = true;
    QHash<QString, QString> texts = testsupport::defaultTexts();
    EXPECT_NO_THROW(storage.load(texts));
    EXPECT_EQ(texts, testsupport::defaultTexts());
    EXPECT_EQ(store.reads, 0);

    store.failOpen = false;
    store.failRead = QStringLiteral("codb1_Text");
    storage.load(texts);
    EXPECT_EQ(store.reads, 50);
    EXPECT_EQ(texts.value(QStringLiteral("codb1")), QString());
    EXPECT_EQ(texts.value(QStringLiteral("Edrpou1")), QStringLiteral("stored Edrpou1_Text"));
    EXPECT_EQ(texts.value(QStringLiteral("DestinationA")),
              QStringLiteral("stored DestinationA_Text"));
    EXPECT_EQ(texts.value(QStringLiteral("FormWoker")), QStringLiteral("СН1:&.52"));
}

TEST(FormStorageTest, TrimmingTakesCodesUpToBlankAtBothEndsOnly)
{
    EXPECT_EQ(FormStorage::trimmed(QStringLiteral("\x01 \t a \x1f b\x7f \x20\x0b")),
              QStringLiteral("a \x1f b\x7f"));
    // U+00A0 and other non-ASCII blanks are text.
    EXPECT_EQ(FormStorage::trimmed(QString(QChar(0xa0)) + "x"), QString(QChar(0xa0)) + "x");
    QString nul = QStringLiteral("x");
    nul.prepend(QChar(0));
    EXPECT_EQ(FormStorage::trimmed(nul), QStringLiteral("x"));
    EXPECT_EQ(FormStorage::trimmed(QStringLiteral("  ")), QString());
}
