#include "info/InfoRequests.h"

#include <gtest/gtest.h>

using Outcome = InfoRequests::Outcome;

TEST(InfoRequestsTest, TheSameItemTwiceDoesNotReloadButAfterNoneItDoes) {
    InfoRequests requests;
    EXPECT_EQ(requests.setURL(QStringLiteral("/a.jpg")), Outcome::Loading);
    EXPECT_EQ(requests.setURL(QStringLiteral("/a.jpg")), Outcome::Unchanged);
    EXPECT_EQ(requests.setDATA("bytes"), Outcome::Loading) << "bytes after a file reload";
    EXPECT_EQ(requests.setDATA("bytes"), Outcome::Unchanged);
    EXPECT_EQ(requests.setURL(QStringLiteral("/a.jpg")), Outcome::Loading)
        << "the bytes dropped the file";
    EXPECT_EQ(requests.setDATA("bytes"), Outcome::Loading) << "and the file the bytes";
    // None forgets the item, so it can come back.
    EXPECT_EQ(requests.setURL(QString()), Outcome::Empty);
    EXPECT_EQ(requests.setURL(QStringLiteral("/a.jpg")), Outcome::Loading);
    requests.setDATA("x");
    EXPECT_EQ(requests.setDATA(QByteArray()), Outcome::Empty);
    EXPECT_EQ(requests.setDATA("x"), Outcome::Loading);
}

// Nothing runs while the panel is hidden; then one runs and one waits, and only the newest is
// shown, or none.
TEST(InfoRequestsTest, OneRunsOneWaitsAndOnlyTheNewestIsShownOrNone) {
    InfoRequests requests;
    requests.setURL(QStringLiteral("/0.jpg"));
    requests.setURL(QStringLiteral("/1.jpg"));
    EXPECT_FALSE(requests.takeNext()) << "hidden";
    requests.setVisible(true);
    const auto first = requests.takeNext();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->url, QStringLiteral("/1.jpg"));
    // Stepping on while it runs: each new request replaces the waiting one.
    for (int i = 2; i <= 9; ++i)
        requests.setURL(QStringLiteral("/%1.jpg").arg(i));
    EXPECT_FALSE(requests.takeNext()) << "one at a time";
    EXPECT_TRUE(requests.hasWaiting());
    EXPECT_FALSE(requests.finished(first->serial)) << "its result is stale";
    const auto last = requests.takeNext();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->url, QStringLiteral("/9.jpg"));
    EXPECT_FALSE(requests.hasWaiting());
    EXPECT_TRUE(requests.finished(last->serial));

    // None also outdates the running computation.
    requests.setURL(QStringLiteral("/a.jpg"));
    const auto running = requests.takeNext();
    ASSERT_TRUE(running);
    requests.setURL(QString());
    EXPECT_FALSE(requests.finished(running->serial)) << "the panel stays on no details";
    EXPECT_FALSE(requests.takeNext());
}
