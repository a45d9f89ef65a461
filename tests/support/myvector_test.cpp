#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pieces/koma.h"
#include "support/myvector.h"
#include "support/report.h"

namespace {

std::vector<std::string> reports;

void recordReport(const char *title, const char *text) { reports.push_back(std::string(title) + "|" + text); }

class CheckedAccess : public ::testing::Test {
protected:
    void SetUp() override {
        reports.clear();
        setReportHook(recordReport);
    }
    void TearDown() override { setReportHook(nullptr); }
};

}  // namespace

TEST_F(CheckedAccess, GoodIndicesReadAndWriteWithoutReport) {
    myvector<int> v(81, 7);
    v.at(80) = 3;
    EXPECT_EQ(v.get(80), 3);
    EXPECT_EQ(v.at(0), 7);
    EXPECT_TRUE(reports.empty());
}

// The title carries the formatted report, the body is always the fixed words.
TEST_F(CheckedAccess, BadIndicesAreReportedWithTheirFormats) {
    myvector<Koma *> board(81, nullptr);
    board.at(81);
    EXPECT_EQ(board.get(200), nullptr);
    board.get(-1);
    board.at(-5);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0], "Out of vector index (81/81)|Debug Message");
    EXPECT_EQ(reports[1], "Out of index (200/81)|Debug Message");
    EXPECT_EQ(reports[2], "Out of index (-1/81)|Debug Message");
    EXPECT_EQ(reports[3], "Out of vector index (-5/81)|Debug Message");
}

// A write through a bad index lands in a scratch element: the array itself is never touched.
TEST_F(CheckedAccess, WritesThroughABadIndexLeaveTheContainerAlone) {
    myvector<int> v(3, 1);
    v.at(3) = 99;
    v.at(-1) = 42;
    EXPECT_EQ(v.size(), 3u);
    EXPECT_EQ(v.get(0), 1);
    EXPECT_EQ(v.get(2), 1);
    EXPECT_EQ(v.at(7), 0);  // the scratch element is fresh on every bad access
    const myvector<int> &constant = v;
    EXPECT_EQ(constant.at(3), 0);
    EXPECT_EQ(reports.size(), 4u);
}

TEST(OutOfMemory, FailedAllocationPrintsAndExitsWithStatusOne) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer replaces operator new and reports exhaustion itself";
#endif
    EXPECT_EXIT(
        {
            installOutOfMemoryRule();
            std::vector<char> huge;
            huge.reserve(std::size_t{1} << 46);  // 64 TiB: no machine here gives that
        },
        ::testing::ExitedWithCode(1), "^out of memory\n$");
}
