#include "link/DdeClientItem.h"
#include "core/Cp1251.h"
#include "link/DdeClientConv.h"
#include "support/FakeClock.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>

using ddelink::DdeClientConv;
using ddelink::DdeClientItem;

namespace {

// Records every transaction as "<kind> <item>" and answers from a table.
class RecordingTransport : public ddelink::ClientTransport
{
public:
    std::vector<std::string> calls;
    std::map<std::string, std::string> answers;
    std::set<std::string> refused;
    bool accepting = true;
    bool throwing = false;
    bool isConnected = false;

    bool connect(const std::string& service, const std::string& topic) override
    {
        calls.push_back("C " + service + " " + topic);
        isConnected = accepting;
        return isConnected;
    }
    bool adviseStart(const std::string& item) override
    {
        if (transaction("S " + item))
            return false;
        if (throwing)
            throw std::runtime_error("broken");
        return isConnected && !refused.count(item);
    }
    bool adviseStop(const std::string& item) override
    {
        return !transaction("T " + item) && isConnected;
    }
    std::optional<std::string> request(const std::string& item) override
    {
        if (transaction("R " + item))
            return std::nullopt;
        const auto it = answers.find(item);
        if (!isConnected || it == answers.end())
            return std::nullopt;
        return it->second;
    }
    bool timedOut() const override { return lastTimedOut; }
    // Transactions ("T A") whose reply does not come in time.
    std::set<std::string> late;
    bool lastTimedOut = false;

    // Records the transaction; true when it goes unanswered.
    bool transaction(const std::string& call)
    {
        calls.push_back(call);
        lastTimedOut = late.count(call) > 0;
        return lastTimedOut;
    }
    void disconnect() override
    {
        if (isConnected)
            calls.push_back("X");
        isConnected = false;
    }
    bool connected() const override { return isConnected; }
};

std::string cp(const QString& text)
{
    return core::cp1251::encodeStd(text);
}

class DdeClientItemTest : public ::testing::Test
{
protected:
    DdeClientItemTest()
    {
        auto transport = std::make_unique<RecordingTransport>();
        m_transport = transport.get();
        m_conversation = std::make_unique<DdeClientConv>(std::move(transport));
        m_transport->answers[cp(QStringLiteral("РДАТА"))] = "01102008   ";
        m_transport->answers["A"] = "1";
        m_transport->answers["B"] = "2";
    }
    std::vector<std::string> calls() { return std::exchange(m_transport->calls, {}); }

    RecordingTransport* m_transport;
    std::unique_ptr<DdeClientConv> m_conversation;
};

} // namespace

TEST_F(DdeClientItemTest, OpenSetsTheLinkOnTheDateItem)
{
    DdeClientItem item(*m_conversation);
    EXPECT_EQ(item.ddeItem(), QStringLiteral("РДАТА"));
    ASSERT_TRUE(ddelink::openLink(*m_conversation, item));
    const std::string date = cp(QStringLiteral("РДАТА"));
    EXPECT_EQ(calls(), (std::vector<std::string>{"C " + cp(QStringLiteral("БУХ")) + " " +
                                                     cp(QStringLiteral("ВЫР")),
                                                 "S " + date, "R " + date}));
    // The next ask first ends the link on the date item.
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(calls(), (std::vector<std::string>{"T " + date, "S A", "R A"}));
}

TEST_F(DdeClientItemTest, EveryAskStopsStartsAndRequestsEvenForTheSameName)
{
    ASSERT_TRUE(m_conversation->OpenLink());
    DdeClientItem item(*m_conversation);
    calls();
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(item.ask(QStringLiteral("B")), QStringLiteral("2"));
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"S A", "R A", "T A", "S A", "R A", "T A", "S B", "R B"}));
    // An empty name only ends the previous link.
    item.setDdeItem(QString());
    EXPECT_EQ(item.text(), QString());
    EXPECT_EQ(item.ddeItem(), QString());
    EXPECT_EQ(calls(), (std::vector<std::string>{"T B"}));
}

TEST_F(DdeClientItemTest, RefusedItemIsDroppedAndNothingIsRequested)
{
    ASSERT_TRUE(m_conversation->OpenLink());
    DdeClientItem item(*m_conversation);
    item.ask(QStringLiteral("A"));
    m_transport->refused.insert("B");
    calls();
    EXPECT_EQ(item.ask(QStringLiteral("B")), QString());
    EXPECT_EQ(item.ddeItem(), QString());
    // No warm link on the refused item, so none is stopped.
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(calls(), (std::vector<std::string>{"T A", "S B", "S A", "R A"}));
    // No data for an advised item: empty, silently.
    EXPECT_EQ(item.ask(QStringLiteral("C")), QString());
}

// A reply that does not come in time marks the ask, unlike a refusal; once the stop of the warm
// link goes unanswered, the new item is neither advised nor requested, which would only wait again.
TEST_F(DdeClientItemTest, AnUnansweredTransactionMarksTheAsk)
{
    ASSERT_TRUE(m_conversation->OpenLink());
    DdeClientItem item(*m_conversation);
    m_transport->refused.insert("C");
    m_transport->late = {"R A", "T B"};
    calls();
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
    EXPECT_TRUE(item.lastAskTimedOut());
    EXPECT_EQ(item.ask(QStringLiteral("B")), QStringLiteral("2"));
    EXPECT_FALSE(item.lastAskTimedOut());
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
    EXPECT_TRUE(item.lastAskTimedOut());
    EXPECT_EQ(calls(), (std::vector<std::string>{"S A", "R A", "T A", "S B", "R B", "T B"}));
    m_transport->late = {"S A"};
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
    EXPECT_TRUE(item.lastAskTimedOut());
    EXPECT_EQ(item.ask(QStringLiteral("C")), QString());
    EXPECT_FALSE(item.lastAskTimedOut());
    EXPECT_EQ(calls(), (std::vector<std::string>{"S A", "S C"}));
}

TEST_F(DdeClientItemTest, NamesThatCannotTravelAreRefusedBeforeTheyGoOut)
{
    ASSERT_TRUE(m_conversation->OpenLink());
    DdeClientItem item(*m_conversation);
    const QString longest(255, QChar(0x0416)); // "Ж": one byte each in Windows-1251
    m_transport->answers[cp(longest)] = "ok";
    EXPECT_EQ(item.ask(longest), QStringLiteral("ok"));
    calls();
    EXPECT_EQ(item.ask(longest + QLatin1Char('1')), QString());
    EXPECT_EQ(item.ask(QStringLiteral("A\u4E2D")), QString()); // no Windows-1251 byte
    EXPECT_EQ(item.ask(QStringLiteral("A") + QChar(0) + QStringLiteral("B")), QString());
    EXPECT_EQ(calls(), (std::vector<std::string>{"T " + cp(longest)}));
}

TEST_F(DdeClientItemTest, ReplyIsCutAtNulWithControlBytesBlankedAndDecoded)
{
    ASSERT_TRUE(m_conversation->OpenLink());
    DdeClientItem item(*m_conversation);
    m_transport->answers["A"] = std::string("12\r\n3\t4\x1F\x01", 9) + std::string("\0tail", 5);
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("12  3 4  "));
    m_transport->answers["A"] = cp(QStringLiteral("Коваленко Т. І.")) + "\x7F";
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("Коваленко Т. І.\x7F"));
    m_transport->answers["A"] = std::string("\0x", 2);
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
}

TEST_F(DdeClientItemTest, FailuresNeverEscapeAnAsk)
{
    DdeClientItem item(*m_conversation);
    // Before the conversation is open, and after it ended: empty answers.
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
    ASSERT_TRUE(m_conversation->OpenLink());
    m_transport->throwing = true;
    EXPECT_NO_THROW(EXPECT_EQ(item.ask(QStringLiteral("A")), QString()));
    m_transport->throwing = false;
    m_conversation->CloseLink();
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
}

TEST_F(DdeClientItemTest, OpenFailsWhenNobodyServesAndTheProgramCannotStart)
{
    m_transport->accepting = false;
    m_conversation->setDdeService(QStringLiteral("no-such-accounting-program-4vt"));
    DdeClientItem item(*m_conversation);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(ddelink::openLink(*m_conversation, item));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(m_conversation->startedProcessId(), 0);
    EXPECT_EQ(calls().size(), 1u);
}

// A program OpenLink started is asked for its service every 50 ms on the program's clock, until
// it serves or the start wait is over.
TEST_F(DdeClientItemTest, AStartedProgramIsAskedUntilItServesOrTheWaitIsOver)
{
    struct Case
    {
        const char* what;
        std::size_t servesAfter; // pauses; 0 for never
        bool opens;
        std::size_t pauses;
    };
    for (const Case& c :
         {Case{"serves after three pauses", 3, true, 3}, Case{"never serves", 0, false, 20}}) {
        SCOPED_TRACE(c.what);
        testsupport::FakeClock clock;
        m_conversation->CloseLink();
        m_transport->accepting = false;
        clock.onPause = [&](std::size_t pauses) {
            m_transport->accepting |= pauses == c.servesAfter;
        };
        m_conversation->setDdeService(QStringLiteral("true"));
        m_conversation->setStartWait(std::chrono::seconds(1));
        EXPECT_EQ(m_conversation->OpenLink(), c.opens);
        EXPECT_NE(m_conversation->startedProcessId(), 0);
        EXPECT_EQ(clock.pauses,
                  std::vector<std::chrono::milliseconds>(c.pauses, std::chrono::milliseconds(50)));
    }
}
