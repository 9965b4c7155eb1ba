// The DDEML client and the item link's order of transactions over it, against a server made of
// raw DDE messages. Names and data are Windows-1251 bytes, written here as escapes.
#include "link/DdemlClient.h"
#include "FakeDdeServer.h"
#include "link/ItemLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

using ddelink::DdemlClient;
using ddelink::ItemLink;
using fakedde::FakeDdeServer;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

namespace {

const std::string kService = "\xC1\xD3\xD5";          // БУХ
const std::string kTopic = "\xC2\xDB\xD0";            // ВЫР
const std::string kDateItem = "\xD0\xC4\xC0\xD2\xC0"; // РДАТА

class DdemlClientTest : public ::testing::Test
{
protected:
    DdemlClientTest()
    {
        m_server.answer(kDateItem, "01102008   ");
        m_server.answer("A", "1");
        m_server.answer("B", "2");
    }

    // The open of the main window's first activation: connect, then the link on the date item.
    void open()
    {
        ASSERT_TRUE(m_client.connect(kService, kTopic));
        ASSERT_TRUE(m_link.set(kDateItem));
        m_server.clearLog();
    }

    FakeDdeServer m_server{kService, kTopic};
    DdemlClient m_client; // the program's own timeout
    ItemLink m_link{m_client};
};

} // namespace

TEST(WineLocale, AnsiCodePageIsWindows1251)
{
    EXPECT_EQ(GetACP(), 1251u);
}

TEST_F(DdemlClientTest, OpensByAnsiNamesWithTheDateItemAdvisedWithoutDataThenRequested)
{
    ASSERT_TRUE(m_client.connect(kService, kTopic));
    EXPECT_TRUE(m_client.connected());
    ASSERT_TRUE(m_link.set(kDateItem));
    EXPECT_EQ(m_link.text(), "01102008   ");
    EXPECT_EQ(m_server.log(), (Lines{"INITIATE " + kService + " " + kTopic,
                                     "ADVISE " + kDateItem + " CF_TEXT nodata",
                                     "REQUEST " + kDateItem + " CF_TEXT"}));
}

TEST_F(DdemlClientTest, NobodyServesAnotherTopic)
{
    EXPECT_FALSE(m_client.connect(kService, "\xC8\xCD\xD8")); // ИНШ
    EXPECT_FALSE(m_client.connected());
    EXPECT_FALSE(m_link.set("A"));
}

TEST_F(DdemlClientTest, EveryAskStopsTheLastLinkThenStartsAndRequestsTheNewItem)
{
    open();
    EXPECT_TRUE(m_link.set("A"));
    EXPECT_EQ(m_link.text(), "1");
    EXPECT_TRUE(m_link.set("A"));
    EXPECT_TRUE(m_link.set("B"));
    EXPECT_EQ(m_link.text(), "2");
    EXPECT_EQ(
        m_server.log(),
        (Lines{"UNADVISE " + kDateItem + " CF_TEXT", "ADVISE A CF_TEXT nodata", "REQUEST A CF_TEXT",
               "UNADVISE A CF_TEXT", "ADVISE A CF_TEXT nodata", "REQUEST A CF_TEXT",
               "UNADVISE A CF_TEXT", "ADVISE B CF_TEXT nodata", "REQUEST B CF_TEXT"}));
}

TEST_F(DdemlClientTest, ReplyIsCutAtItsFirstNulWithControlBytesBlanked)
{
    open();
    m_server.answer("C", std::string("\xCF\xB3\xE2 12,50\r\n3\t\x1F!\0tail", 19));
    ASSERT_TRUE(m_link.set("C"));
    EXPECT_EQ(m_link.text(), "\xCF\xB3\xE2 12,50  3  !"); // Пів
}

TEST_F(DdemlClientTest, RefusedItemGivesAnEmptyTextAndIsNeitherRequestedNorStopped)
{
    open();
    EXPECT_FALSE(m_link.set("UNKNOWN"));
    EXPECT_EQ(m_link.text(), "");
    EXPECT_FALSE(m_link.timedOut()); // the server's own answer
    EXPECT_TRUE(m_link.set("A"));
    EXPECT_EQ(m_server.log(),
              (Lines{"UNADVISE " + kDateItem + " CF_TEXT", "ADVISE UNKNOWN CF_TEXT nodata",
                     "ADVISE A CF_TEXT nodata", "REQUEST A CF_TEXT"}));
}

TEST_F(DdemlClientTest, ItemNameOver255BytesIsNeverSent)
{
    open();
    const std::string longest(255, '\xC0');
    m_server.answer(longest, "7");
    EXPECT_TRUE(m_link.set(longest));
    EXPECT_EQ(m_link.text(), "7");
    m_server.clearLog();
    EXPECT_FALSE(m_link.set(longest + "A"));
    EXPECT_EQ(m_link.text(), "");
    EXPECT_EQ(m_server.log(), (Lines{"UNADVISE " + longest + " CF_TEXT"}));
}

TEST_F(DdemlClientTest, ReplyLaterThanASecondIsDroppedAndTheNextAsksAreRight)
{
    open();
    m_server.answer("SLOW", "9");
    m_server.busyFor("SLOW", std::chrono::milliseconds(1600));
    const auto start = Clock::now();
    EXPECT_TRUE(m_link.set("SLOW"));
    const auto waited = Clock::now() - start;
    EXPECT_EQ(m_link.text(), "");
    // No answer at all, which the run must not take for "no data".
    EXPECT_TRUE(m_link.timedOut());
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(1500));
    EXPECT_TRUE(m_client.connected());

    // The late reply turns up while the next ask is under way.
    for (const auto& [item, value] : {std::pair{"A", "1"}, {"B", "2"}, {"A", "1"}}) {
        m_link.set(item);
        EXPECT_EQ(m_link.text(), value) << item;
        EXPECT_FALSE(m_link.timedOut()) << item;
    }
    EXPECT_TRUE(m_client.connected());
}

TEST_F(DdemlClientTest, ServerEndingTheConversationEmptiesEveryLaterAsk)
{
    open();
    EXPECT_TRUE(m_link.set("A"));
    m_server.endConversation();
    for (const char* item : {"B", "A"}) {
        EXPECT_FALSE(m_link.set(item));
        EXPECT_EQ(m_link.text(), "") << item;
    }
    // What the generation run looks at to stop instead of skipping every later employee.
    EXPECT_FALSE(m_client.connected());
    const Lines log = m_server.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "ADVISE B CF_TEXT nodata"), 0);
}

TEST_F(DdemlClientTest, DisconnectEndsTheConversationAndLaterAsksSendNothing)
{
    open();
    m_client.disconnect();
    EXPECT_FALSE(m_client.connected());
    EXPECT_FALSE(m_link.set("A"));
    EXPECT_EQ(m_link.text(), "");
    // The terminate is posted; the server reads it on its own thread.
    for (int i = 0; i < 50 && m_server.log().empty(); ++i)
        Sleep(10);
    EXPECT_EQ(m_server.log(), (Lines{"TERMINATE"}));
}

// Every item name becomes an atom: in the table all of Windows shares on its way to the server,
// and in the process's own table as Wine's DDEML string handle. Each table holds about 16 000
// names and a long run asks thousands of distinct ones, one per employee and figure: none may
// stay behind once its link is stopped, or the run fails part way.
TEST_F(DdemlClientTest, DistinctItemsLeaveNoAtomsBehind)
{
    open();
    constexpr int kItems = 300;
    std::map<std::string, std::string> answers;
    for (int i = 0; i < kItems; ++i)
        answers["\xD1\xD3\xCC" + std::to_string(i)] = "1"; // СУМ
    m_server.answerAll(answers);
    for (const auto& [item, value] : answers) {
        ASSERT_TRUE(m_link.set(item)) << item;
        ASSERT_EQ(m_link.text(), value) << item;
    }
    ASSERT_TRUE(m_link.set(kDateItem));
    int global = 0;
    int local = 0;
    for (const auto& item : answers) {
        global += GlobalFindAtomA(item.first.c_str()) != 0;
        local += FindAtomA(item.first.c_str()) != 0;
    }
    EXPECT_EQ(global, 0);
    EXPECT_EQ(local, 0);
}
