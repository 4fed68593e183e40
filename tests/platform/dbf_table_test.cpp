// The mail-merge table: real tables made with shapelib are read, moved
// through and edited; broken ones are refused with their reason and are
// left exactly as they were.

#include "platform/DbfTable.h"
#include "platform/SafeFile.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

std::filesystem::path tablePath(const std::string& name) { return outputDir() / name; }

// NAME C20, AGE N3, BORN D, OK L; three records, the second deleted.
std::filesystem::path makeTable(const std::string& name)
{
    const auto path = tablePath(name);
    std::filesystem::remove(path);
    DBFHandle h = DBFCreate(path.c_str());
    DBFAddField(h, "NAME", FTString, 20, 0);
    DBFAddField(h, "AGE", FTInteger, 3, 0);
    DBFAddNativeFieldType(h, "BORN", 'D', 8, 0);
    DBFAddNativeFieldType(h, "OK", 'L', 1, 0);
    const char* rows[3][4] = {{"Ann", " 31", "19760102", "T"}, {"Gone", "  1", "20010101", "F"}, {"Bob", "  7", "", "F"}};
    for (int r = 0; r < 3; ++r)
        for (int f = 0; f < 4; ++f) DBFWriteAttributeDirectly(h, r, f, const_cast<char*>(rows[r][f]));
    DBFMarkRecordDeleted(h, 1, 1);
    DBFClose(h);
    return path;
}

std::vector<uint8_t> bytesOf(const std::filesystem::path& p)
{
    std::vector<uint8_t> b;
    EXPECT_TRUE(ReadWholeFile(p, 1 << 20, b));
    return b;
}

TEST(DbfTable, MovesThroughTheLiveRecordsAndClampsAtBothEnds)
{
    DbfTable t;
    ASSERT_EQ(t.open(makeTable("people.dbf"), false), "");
    ASSERT_EQ(t.fieldCount(), 4);
    EXPECT_EQ(t.fieldName(2), "BORN");
    EXPECT_EQ(t.recordCount(), 2);  // the deleted record is hidden
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_EQ(t.value(0), "Ann");
    EXPECT_EQ(t.value(1), "31");
    EXPECT_EQ(t.value(2), "02.01.1976");
    EXPECT_EQ(t.value(3), "True");
    t.next();
    EXPECT_EQ(t.value(0), "Bob");
    EXPECT_EQ(t.value(2), "");
    EXPECT_EQ(t.value(3), "False");
    t.next();
    EXPECT_EQ(t.recNo(), 2);
    t.first();
    t.prior();
    EXPECT_EQ(t.recNo(), 1);
    t.setRecNo(-5);
    EXPECT_EQ(t.recNo(), 1);
    t.last();
    EXPECT_EQ(t.recNo(), 2);
    EXPECT_EQ(t.value(99), "");
}

TEST(DbfTable, ClosingWithoutEditsWritesNothingAndEditsArePostedOnce)
{
    const auto path = makeTable("edits.dbf");
    const auto before = bytesOf(path);
    {
        DbfTable t;
        ASSERT_EQ(t.open(path, false), "");
        t.next();
        t.close();
    }
    EXPECT_EQ(bytesOf(path), before);

    DbfTable t;
    ASSERT_EQ(t.open(path, false), "");
    const std::string tooLong(21, 'x');
    const struct { int32_t field; std::string text; bool taken; } edits[] = {
        {0, "Anna", true}, {1, "abc", false}, {1, "1234", false}, {1, "-4", true}, {2, "31.12.1999", true},
        {2, "1999-12-31", false}, {3, "no", true}, {3, "maybe", false}, {0, tooLong, false},
    };
    for (const auto& e : edits) EXPECT_EQ(t.setValue(e.field, e.text).empty(), e.taken) << e.text;
    EXPECT_TRUE(t.hasPendingEdits());
    t.next();  // posts
    t.first();
    EXPECT_EQ(t.value(0), "Anna");
    EXPECT_EQ(t.value(1), "-4");
    EXPECT_EQ(t.value(2), "31.12.1999");
    EXPECT_EQ(t.value(3), "False");
    t.close();
    DBFHandle h = DBFOpen(path.c_str(), "rb");
    EXPECT_STREQ(DBFReadStringAttribute(h, 0, 2), "19991231");
    EXPECT_EQ(DBFGetRecordCount(h), 3);
    DBFClose(h);
}

TEST(DbfTable, AMissingTableIsCreatedOnlyWhenAsked)
{
    const auto path = tablePath("new_table.dbf");
    std::filesystem::remove(path);
    DbfTable t;
    EXPECT_NE(t.open(path, false), "");
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(t.open(path, true), "");
    EXPECT_EQ(t.fieldCount(), 0);
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_EQ(t.recNo(), 0);
    t.next();
    EXPECT_EQ(t.recNo(), 0);
    EXPECT_NE(t.setValue(0, "x"), "");
    t.close();
    EXPECT_LE(std::filesystem::file_size(path), 34u);  // header, terminator, end mark: no blank record
}

TEST(DbfTable, BrokenTablesAreRefusedAndLeftUntouched)
{
    const auto good = bytesOf(makeTable("template.dbf"));
    const size_t headerLength = good[8] | good[9] << 8;
    const struct {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> spoil;
        const char* reason;
    } cases[] = {
        {"short", [](auto& b) { b.resize(20); }, "too short"},
        {"version", [](auto& b) { b[0] = 0x30; }, "no dBase table"},
        {"header length", [](auto& b) { b[8] = 0xFF; b[9] = 0xFF; }, "header is damaged"},
        {"no terminator", [&](auto& b) { b[headerLength - 1] = ' '; }, "header is damaged"},
        {"record length", [](auto& b) { b[10] = 3; }, "record length"},
        {"records", [](auto& b) { b[4] = 200; }, "promises 200 records"},
        {"truncated", [&](auto& b) { b.resize(headerLength + 10); }, "promises 3 records"},
        {"memo field", [](auto& b) { b[32 + 11] = 'M'; }, "cannot use (M)"},
        {"field name", [](auto& b) { b[32] = 0; }, "no proper name"},
        {"date width", [](auto& b) { b[32 + 2 * 32 + 16] = 9; }, "width"},
        {"deletion flag", [&](auto& b) { b[headerLength] = 'x'; }, "record 1 is damaged"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.spoil(bytes);
        const auto path = tablePath(std::string("broken_") + c.name + ".dbf");
        ASSERT_TRUE(ReplaceFileContents(path, bytes));
        DbfTable t;
        const std::string reason = t.open(path, true);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
        EXPECT_FALSE(t.isOpen()) << c.name;
        EXPECT_EQ(bytesOf(path), bytes) << c.name;
    }
}

} // namespace
