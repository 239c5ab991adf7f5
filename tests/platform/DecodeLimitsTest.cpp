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

// Qt's reader limit binds every decoder; with none, the machine's budget
// alone. A decoder's own working buffers count against a budget of their own.
TEST_F(DecodeLimitsTest, ImagesAndWorkingBuffersKeepToTheirBudgets) {
    const struct {
        int qtLimitMb;
        qint64 width, height;
        int bytes, workBytes;
        bool allowed;
    } cases[] = {
        {1024, 10000, 10000, 4, 0, true},  // 100 megapixels, 400 MB
        {1024, 10000, 10000, 4, 11, true}, // a 100-megapixel raw's buffers
        {64, 5000, 5000, 4, 0, false},
        {64, 2000, 2000, 4, 0, true},
        {100, 4000, 4000, 4, 16, true},
        {0, 100000, 100000, 4, 0, false},
        {0, DecodeLimits::maxSide + 1, 1, 1, 0, false},
        {0, 0, 100, 4, 0, false},
        {0, 100, -1, 4, 0, false},
        {0, 100, 100, 4, 0, true},
    };
    for (const auto& c : cases) {
        QImageReader::setAllocationLimit(c.qtLimitMb);
        EXPECT_EQ(DecodeLimits::allows(c.width, c.height, c.bytes, c.workBytes), c.allowed)
            << c.qtLimitMb << " MB: " << c.width << " x " << c.height;
    }
    QImageReader::setAllocationLimit(64);
    EXPECT_EQ(DecodeLimits::budgetBytes(), qint64(64) << 20);
    QImageReader::setAllocationLimit(1024);
    EXPECT_LE(DecodeLimits::budgetBytes(), qint64(1024) << 20);
    EXPECT_GE(DecodeLimits::budgetBytes(), qint64(256) << 20);
    EXPECT_GE(DecodeLimits::workBudgetBytes(), DecodeLimits::budgetBytes());
    EXPECT_FALSE(
        DecodeLimits::allows(4000, 4000, 4, int(DecodeLimits::workBudgetBytes() / 16000000 + 1)));
    EXPECT_FALSE(DecodeLimits::allowsWork(DecodeLimits::workBudgetBytes() + 1));
}

} // namespace
