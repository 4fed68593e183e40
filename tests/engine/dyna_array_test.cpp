#include "engine/DynaArray.h"

#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quillet;

namespace {

struct Shown {
    std::string text;
    std::string caption;
    MsgIcon icon;
    MsgButtons buttons;
};

class RecordingBoxes final : public MessageBoxes {
public:
    RecordingBoxes() { setMessageBoxes(this); }
    ~RecordingBoxes() override { setMessageBoxes(nullptr); }
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        shown.push_back({std::string(text), std::string(caption), icon, buttons});
        return MsgResult::Ok;
    }
    std::vector<Shown> shown;
};

int32_t recordValue(const uint8_t* rec)
{
    int32_t v;
    std::memcpy(&v, rec, sizeof v);
    return v;
}

void setRecordValue(uint8_t* rec, int32_t v) { std::memcpy(rec, &v, sizeof v); }

bool allZero(const uint8_t* rec, int32_t size)
{
    return std::all_of(rec, rec + size, [](uint8_t b) { return b == 0; });
}

} // namespace

TEST(DynaArray, GrowsInWholeStepsAndKeepsRecords)
{
    TDynaArray a(8);
    EXPECT_EQ(a.GrowthStep, 100);
    EXPECT_EQ(a.AllocatedBytes(), 0);
    EXPECT_EQ(a.CurrentIndex(), -1);
    for (int32_t i = 0; i < 201; ++i) {
        uint8_t* rec = a.Add();
        ASSERT_NE(rec, nullptr);
        EXPECT_TRUE(allZero(rec, 8));
        setRecordValue(rec, i * 7);
        const int32_t count = i + 1;
        EXPECT_EQ(a.Count(), count);
        EXPECT_EQ(a.CurrentIndex(), i);
        EXPECT_EQ(a.Current(), rec);
        if (count <= 100) EXPECT_EQ(a.AllocatedBytes(), 800) << count;
        else if (count <= 200) EXPECT_EQ(a.AllocatedBytes(), 1600) << count;
        else EXPECT_EQ(a.AllocatedBytes(), 2400) << count;
    }
    for (int32_t i = 0; i < 201; ++i) EXPECT_EQ(recordValue(a.Select(i)), i * 7);
}

TEST(DynaArray, SmallerStepAfterFillingKeepsEveryRecord)
{
    TDynaArray a(8);
    for (int32_t i = 0; i < 50; ++i) setRecordValue(a.Add(), i + 1);
    EXPECT_EQ(a.AllocatedBytes(), 800);
    a.GrowthStep = 10;
    setRecordValue(a.Add(), 51);
    EXPECT_EQ(a.AllocatedBytes(), 480);
    for (int32_t i = 0; i < 51; ++i) EXPECT_EQ(recordValue(a.Select(i)), i + 1);
}

TEST(DynaArray, InsertBoundsAndZeroFill)
{
    TDynaArray a(12);
    EXPECT_EQ(a.Insert(1), nullptr);   // beyond Count of an empty array
    EXPECT_EQ(a.Insert(-1), nullptr);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.AllocatedBytes(), 0);

    uint8_t* r = a.Insert(0);          // Insert(Count) appends
    ASSERT_NE(r, nullptr);
    setRecordValue(r, 10);
    r = a.Insert(a.Count());
    ASSERT_NE(r, nullptr);
    setRecordValue(r, 30);
    std::memset(r + 4, 0xFF, 8);       // dirty the rest of the record
    ASSERT_EQ(a.Count(), 2);

    EXPECT_EQ(a.Insert(a.Count() + 1), nullptr);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.CurrentIndex(), 1);    // the failed insert changed nothing

    r = a.Insert(1);                   // in the middle
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(allZero(r, 12));
    EXPECT_EQ(a.CurrentIndex(), 1);
    EXPECT_EQ(a.Current(), r);
    EXPECT_EQ(recordValue(a.Select(0)), 10);
    EXPECT_EQ(recordValue(a.Select(2)), 30);

    // A record appended after the tail moved up is zero too.
    EXPECT_TRUE(allZero(a.Add(), 12));
}

TEST(DynaArray, FirstNextVisitsEveryRecordAndMirrorsOwner)
{
    int32_t* current = nullptr;
    TDynaArray a(sizeof(int32_t), &current);
    EXPECT_FALSE(a.Next());
    a.First();                         // empty: nothing selected
    EXPECT_EQ(current, nullptr);
    EXPECT_EQ(a.CurrentIndex(), -1);

    for (int32_t v : {5, 6, 7}) {
        a.Add();
        *current = v;                  // the owner's variable follows Add
    }
    a.First();
    EXPECT_EQ(a.CurrentIndex(), 0);
    std::vector<int32_t> seen;
    while (a.Next()) {
        seen.push_back(*current);
        EXPECT_EQ(current, a.CurrentAs<int32_t>());
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{5, 6, 7}));
    EXPECT_EQ(a.CurrentIndex(), 3);
    EXPECT_FALSE(a.Next());
}

TEST(DynaArray, OwnerVariableFollowsTheBlockWhenItMoves)
{
    int32_t* current = nullptr;
    TDynaArray a(sizeof(int32_t), &current);
    a.GrowthStep = 2;
    for (int32_t i = 0; i < 9; ++i) *static_cast<int32_t*>(static_cast<void*>(a.Add())) = i;
    a.First();
    ASSERT_TRUE(a.Next());
    ASSERT_TRUE(a.Next());             // record 1 visited, CurrentIndex 2
    a.GrowthStep = 1000;
    ASSERT_TRUE(a.Grow());             // the block moves
    EXPECT_EQ(*current, 1);
    EXPECT_EQ(current, a.CurrentAs<int32_t>());
}

TEST(DynaArray, SelectOutsideTheRecordsGivesNullAndChangesNothing)
{
    TDynaArray a(4);
    EXPECT_EQ(a.Select(0), nullptr);
    a.Add();
    a.Add();
    uint8_t* cur = a.Select(1);
    EXPECT_EQ(a.Select(2), nullptr);
    EXPECT_EQ(a.Select(-1), nullptr);
    EXPECT_EQ(a.CurrentIndex(), 1);
    EXPECT_EQ(a.Current(), cur);
}

TEST(DynaArray, FailedAllocationReportsAndLeavesArrayUnchanged)
{
    RecordingBoxes boxes;
    TDynaArray a(1 << 30);             // one step is 100 GiB
    EXPECT_EQ(a.Add(), nullptr);
    EXPECT_EQ(a.Insert(0), nullptr);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.AllocatedBytes(), 0);
    EXPECT_EQ(a.Current(), nullptr);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text,
              "Error while trying to allocate 107374182400 bytes of RAM. Not enough memory.");
    EXPECT_EQ(boxes.shown[0].caption, "");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);

    // A working array that cannot take one more step keeps what it has.
    TDynaArray b(1 << 20);
    b.GrowthStep = 1;
    uint8_t* first = b.Add();
    ASSERT_NE(first, nullptr);
    setRecordValue(first, 42);
    b.GrowthStep = 100000;             // next step: ~100 GiB
    EXPECT_EQ(b.Add(), nullptr);
    EXPECT_EQ(b.Count(), 1);
    EXPECT_EQ(b.AllocatedBytes(), 1 << 20);
    EXPECT_EQ(recordValue(b.Select(0)), 42);
}

TEST(ShowInfoMessage, InformationIconOkOnlyDefaultCaption)
{
    RecordingBoxes boxes;
    ShowInfoMessage("Done.");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Done.");
    EXPECT_EQ(boxes.shown[0].caption, "");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::Ok);
}

namespace {

// Points the temporary folder at a fresh directory for one test.
class TempFolderOverride {
public:
    TempFolderOverride()
    {
        char pattern[] = "/tmp/quillet-tmpname-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        const char* old = std::getenv("TMPDIR");
        if (old) old_ = old;
        hadOld_ = old != nullptr;
        ::setenv("TMPDIR", dir_.c_str(), 1);
    }
    ~TempFolderOverride()
    {
        if (hadOld_) ::setenv("TMPDIR", old_.c_str(), 1);
        else ::unsetenv("TMPDIR");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::string old_;
    bool hadOld_ = false;
};

} // namespace

TEST(MakeTempFileName, FirstFreeNumberCreatedEmpty)
{
    TempFolderOverride tmp;
    const auto p0 = MakeTempFileName("tempdib", ".dat");
    EXPECT_EQ(p0, tmp.dir() / "tempdib0.dat");
    ASSERT_TRUE(std::filesystem::exists(p0));
    EXPECT_EQ(std::filesystem::file_size(p0), 0u);

    EXPECT_EQ(MakeTempFileName("tempdib", ".dat"), tmp.dir() / "tempdib1.dat");
    std::ofstream(tmp.dir() / "tempdib2.dat") << "taken";
    EXPECT_EQ(MakeTempFileName("tempdib", ".dat"), tmp.dir() / "tempdib3.dat");
    EXPECT_EQ(std::filesystem::file_size(tmp.dir() / "tempdib2.dat"), 5u);  // left alone

    // A freed number is handed out again; other prefixes count on their own.
    std::filesystem::remove(p0);
    EXPECT_EQ(MakeTempFileName("tempdib", ".dat"), p0);
    EXPECT_EQ(MakeTempFileName("pdf", ".tmp"), tmp.dir() / "pdf0.tmp");
}

TEST(MakeTempFileName, ConcurrentCallersNeverShareAName)
{
    TempFolderOverride tmp;
    constexpr int kThreads = 8, kEach = 25;
    std::mutex m;
    std::vector<std::filesystem::path> names;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                auto p = MakeTempFileName("race", ".dat");
                std::lock_guard lock(m);
                names.push_back(p);
            }
        });
    for (auto& t : threads) t.join();
    std::set<std::filesystem::path> distinct(names.begin(), names.end());
    EXPECT_EQ(distinct.size(), names.size());
    EXPECT_EQ(distinct.count({}), 0u);
    for (int n = 0; n < kThreads * kEach; ++n)
        EXPECT_TRUE(distinct.count(tmp.dir() / ("race" + std::to_string(n) + ".dat"))) << n;
}
