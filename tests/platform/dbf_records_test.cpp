// Records added to and deleted from a mail-merge table: a script of steps
// on a real table made with shapelib, each checked against the records the
// table should then show, and again after it is opened anew. A table that
// can only be read refuses both and keeps its bytes.

#include "platform/DbfTable.h"
#include "platform/SafeFile.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace quillet;

namespace {

std::filesystem::path makeNames(const std::string& file, const std::vector<const char*>& names)
{
    const auto path = test::outputDir() / file;
    std::filesystem::remove(path);
    DBFHandle h = DBFCreate(path.c_str());
    DBFAddField(h, "NAME", FTString, 10, 0);
    DBFAddField(h, "AGE", FTInteger, 3, 0);
    for (int r = 0; r < int(names.size()); ++r) DBFWriteStringAttribute(h, r, 0, names[size_t(r)]);
    DBFClose(h);
    return path;
}

// The NAME of every record the table shows, joined by ",".
std::string shown(DbfTable& t)
{
    const int32_t at = t.recNo();
    std::string out;
    for (int32_t r = 1; r <= t.recordCount(); ++r) {
        t.setRecNo(r);
        out += (r > 1 ? "," : "") + t.value(0);
    }
    t.setRecNo(at);
    return out;
}

TEST(DbfRecords, AddedEditedAndDeletedRecordsStayThatWayAfterReopening)
{
    const auto path = makeNames("records.dbf", {"Ann", "Bob", "Cy"});
    enum Op { Append, Remove, Edit, First, Last, Next, Reopen };
    const struct { Op op; const char* text; const char* names; int32_t recNo; } steps[] = {
        {Next, "", "Ann,Bob,Cy", 2},
        {Remove, "", "Ann,Cy", 2},           // the next record takes its place
        {Append, "", "Ann,Cy,", 3},
        {Edit, "Dee", "Ann,Cy,Dee", 3},
        {Reopen, "", "Ann,Cy,Dee", 1},
        {Last, "", "Ann,Cy,Dee", 3},
        {Remove, "", "Ann,Cy", 2},           // the last one: its predecessor
        {Edit, "Cyd", "Ann,Cyd", 2},
        {Append, "", "Ann,Cyd,", 3},         // the pending edit is posted first
        {First, "", "Ann,Cyd,", 1},
        {Remove, "", "Cyd,", 1},
        {Remove, "", "", 1},
        {Remove, "", "", 0},
        {Remove, "", "", 0},                 // nothing left: refused
        {Reopen, "", "", 0},
        {Append, "", "", 1},
        {Edit, "Eve", "Eve", 1},
        {Reopen, "", "Eve", 1},
    };
    DbfTable t;
    ASSERT_EQ(t.open(path, false), "");
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        SCOPED_TRACE(i);
        const bool empty = t.recordCount() == 0;
        switch (s.op) {
        case Append: EXPECT_EQ(t.append(), ""); break;
        case Remove: EXPECT_EQ(t.remove().empty(), !empty); break;
        case Edit: EXPECT_EQ(t.setValue(0, s.text), ""); break;
        case First: t.first(); break;
        case Last: t.last(); break;
        case Next: t.next(); break;
        case Reopen: t.close(); ASSERT_EQ(t.open(path, false), ""); break;
        }
        EXPECT_EQ(shown(t), s.names);
        EXPECT_EQ(t.recNo(), s.recNo);
    }
    t.close();
    // Deleting is the table's own deleted mark: the records stay in the
    // file for other programs to see as deleted.
    DBFHandle h = DBFOpen(path.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(DBFGetRecordCount(h), 6);
    int deleted = 0;
    for (int r = 0; r < DBFGetRecordCount(h); ++r) deleted += DBFIsRecordDeleted(h, r);
    EXPECT_EQ(deleted, 5);
    DBFClose(h);
}

TEST(DbfRecords, TablesThatCannotTakeRecordsRefuseAndKeepTheirBytes)
{
    const auto readOnly = makeNames("locked.dbf", {"Ann", "Bob"});
    ::chmod(readOnly.c_str(), 0444);
    const bool canStillWrite = ::access(readOnly.c_str(), W_OK) == 0;  // running as root
    const auto noFields = test::outputDir() / "nofields.dbf";
    std::filesystem::remove(noFields);
    const struct { std::filesystem::path path; bool create; bool add; bool del; const char* why; } cases[] = {
        {readOnly, false, !canStillWrite, !canStillWrite, "can only be read"},
        {noFields, true, true, false, "has no fields"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.filename().string());
        DbfTable t;
        ASSERT_EQ(t.open(c.path, c.create), "");
        std::vector<uint8_t> before, after;
        ASSERT_TRUE(ReadWholeFile(c.path, 1 << 20, before));
        const int32_t count = t.recordCount();
        if (c.add) {
            EXPECT_NE(t.append().find(c.why), std::string::npos);
        }
        if (c.del) {
            EXPECT_NE(t.remove().find(c.why), std::string::npos);
        }
        EXPECT_EQ(t.recordCount(), count);
        t.close();
        ASSERT_TRUE(ReadWholeFile(c.path, 1 << 20, after));
        EXPECT_EQ(after, before);
    }
    ::chmod(readOnly.c_str(), 0644);
}

} // namespace
