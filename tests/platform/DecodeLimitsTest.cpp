#include "platform/imagesource/DecodeLimits.h"

#include <QImageReader>
#include <gtest/gtest.h>

namespace {

// Restores Qt's reader limit, which is process-wide.
class DecodeLimitsTest : public ::testing::Test {
  protected:
    void TearDown() override { QImageReader::setAllocationLimit(saved); }
    int saved = QImageReader::allocationLimit();
};

TEST_F(DecodeLimitsTest, LargePhotographFitsTheApplicationsLimit) {
    QImageReader::setAllocationLimit(1024);
    EXPECT_TRUE(DecodeLimits::allows(10000, 10000, 4)); // 100 megapixels, 400 MB
    // A 100-megapixel raw: its decoder's own buffers do not count against
    // the image's budget, only against the machine's.
    EXPECT_TRUE(DecodeLimits::allows(10000, 10000, 4, 11));
    EXPECT_LE(DecodeLimits::budgetBytes(), qint64(1024) << 20);
    EXPECT_GE(DecodeLimits::budgetBytes(), qint64(256) << 20);
}

TEST_F(DecodeLimitsTest, QtsLimitBindsEveryDecoder) {
    QImageReader::setAllocationLimit(64);
    EXPECT_EQ(DecodeLimits::budgetBytes(), qint64(64) << 20);
    EXPECT_FALSE(DecodeLimits::allows(5000, 5000, 4));
    EXPECT_TRUE(DecodeLimits::allows(2000, 2000, 4));
}

TEST_F(DecodeLimitsTest, AbsurdOrEmptyDimensionsAreRefused) {
    QImageReader::setAllocationLimit(0); // no Qt limit: the machine's budget alone
    EXPECT_FALSE(DecodeLimits::allows(100000, 100000, 4));
    EXPECT_FALSE(DecodeLimits::allows(DecodeLimits::maxSide + 1, 1, 1));
    EXPECT_FALSE(DecodeLimits::allows(0, 100, 4));
    EXPECT_FALSE(DecodeLimits::allows(100, -1, 4));
    EXPECT_TRUE(DecodeLimits::allows(100, 100, 4));
}

TEST_F(DecodeLimitsTest, WorkingBuffersHaveABudgetOfTheirOwn) {
    QImageReader::setAllocationLimit(100);
    EXPECT_TRUE(DecodeLimits::allows(4000, 4000, 4, 16));
    EXPECT_GE(DecodeLimits::workBudgetBytes(), DecodeLimits::budgetBytes());
    EXPECT_FALSE(
        DecodeLimits::allows(4000, 4000, 4, int(DecodeLimits::workBudgetBytes() / 16000000 + 1)));
    EXPECT_FALSE(DecodeLimits::allowsWork(DecodeLimits::workBudgetBytes() + 1));
}

} // namespace
