// Printing: which pages a range prints and in which order, the job's life
// on a print service, failures that are said, and mail-merge runs.

#include "render/Printing.h"

#include "engine/Childwin.h"
#include "platform/DbfTable.h"
#include "render/RecordingCanvas.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <memory>

namespace quillet {
namespace {

using namespace quillet::test;

TEST(Printing, PageSequences)
{
    struct Case {
        int32_t kind, from, to, filter;
        bool reverse;
        int32_t count, current;
        std::vector<int32_t> pages;
    };
    const Case cases[] = {
        {2, 2, 5, 1, false, 9, 1, {3, 5}},          // odd pages of 2..5
        {2, 2, 5, 1, true, 9, 1, {5, 3}},           // and last first
        {2, 2, 5, 2, false, 9, 1, {2, 4}},
        {0, 0, 0, 2, false, 1, 1, {}},              // even pages of a one-page document
        {0, 7, 3, 0, false, 3, 1, {1, 2, 3}},       // all pages ignore the range
        {0, 0, 0, 0, true, 3, 1, {3, 2, 1}},
        {1, 1, 1, 0, false, 6, 4, {4}},             // the current page
        {1, 1, 1, 1, false, 6, 4, {}},              // filtered away
        {2, 5, 2, 0, false, 9, 1, {}},              // last below first
        {2, 0, 99, 0, false, 3, 1, {1, 2, 3}},      // kept inside the document
    };
    for (const Case& k : cases)
        EXPECT_EQ(PrintPageSequence(k.kind, k.from, k.to, k.filter, k.reverse, k.count, k.current), k.pages)
            << k.kind << " " << k.from << ".." << k.to << " filter " << k.filter << " reverse " << k.reverse;
}

TEST(Printing, MailMergeRecordChoices)
{
    struct Case {
        int32_t choice, from, to, count;
        std::vector<int32_t> records;
    };
    const Case cases[] = {
        {0, 1, 3, 3, {}},            // the record shown: nothing to move to
        {1, 0, 0, 3, {1, 2, 3}},
        {2, 5, 2, 6, {2, 3, 4, 5}},  // swapped
        {2, 0, 2, 6, {1, 2}},        // there is no record 0
        {2, 2, 9, 3, {2, 3}},
        {1, 0, 0, 0, {}},
    };
    for (const Case& k : cases)
        EXPECT_EQ(MailMergeRecords(k.choice, k.from, k.to, k.count), k.records) << k.choice << " " << k.from;
}

// A print service that keeps every sheet as a recording.
struct PaperTray : PrintTarget {
    bool Installed = true, Starts = true;
    int Jobs = 0, Ends = 0;
    std::string Title;
    double PaperW = 0, PaperH = 0;
    std::vector<std::unique_ptr<RecordingCanvas>> Sheets;
    std::vector<int> SheetJob;

    bool available() const override { return Installed; }
    void setTitle(const std::string& t) override { Title = t; }
    void setPaper(double w, double h) override { PaperW = w, PaperH = h; }
    bool beginJob() override
    {
        if (!Starts) return false;
        ++Jobs;
        return newPage();
    }
    bool newPage() override
    {
        Sheets.push_back(std::make_unique<RecordingCanvas>(CanvasKind::Printer, 100, 827, 1170));
        SheetJob.push_back(Jobs);
        return true;
    }
    bool endJob() override { return ++Ends, true; }
    Canvas& canvas() override { return *Sheets.back(); }
    std::string errorText() const override { return "the printer is off"; }

    std::string textOf(size_t sheet) const
    {
        std::string s;
        for (const CanvasCall& c : Sheets[sheet]->callsOf(CanvasOp::Text)) s += c.Text;
        return s;
    }
};

struct Boxes {
    RecordingBoxes boxes;
    MessageBoxes& previous = messageBoxes();
    Boxes() { setMessageBoxes(&boxes); }
    ~Boxes() { setMessageBoxes(&previous); }
};

void fivePages(RenderDoc& d)
{
    const char* words[] = {"one", "two", "three", "four", "five"};
    for (int i = 0; i < 5; ++i) {
        if (i) d.w.UmbruchEinfuegen();
        d.type(words[i]);
    }
}

TEST(Printing, RangesPrintAsOneJobOnTheDocumentsPaper)
{
    RenderDoc d;
    fivePages(d);
    d.w.ShownTitle = "Letter \xc3\xa4.qdt";
    ASSERT_EQ(d.w.GetAnzPages(), 5);
    PaperTray tray;
    Boxes boxes;
    EXPECT_EQ(PrintDocument(d.w, tray, 2, 2, 5, 1, 1), PrintResult::Printed);
    ASSERT_EQ(tray.Sheets.size(), 2u);
    EXPECT_EQ(tray.textOf(0), "five");
    EXPECT_EQ(tray.textOf(1), "three");
    EXPECT_EQ(tray.Jobs, 1);
    EXPECT_EQ(tray.Ends, 1);
    EXPECT_EQ(tray.Title, "Quillet - Letter \xc3\xa4.qdt");
    EXPECT_NEAR(tray.PaperW, 210, 0.1);
    EXPECT_NEAR(tray.PaperH, 297, 0.1);

    // Even pages of one page start no job at all.
    RenderDoc one;
    one.type("single");
    PaperTray empty;
    EXPECT_EQ(PrintDocument(one.w, empty, 0, 1, 1, 2, 0), PrintResult::NothingToPrint);
    EXPECT_EQ(empty.Jobs + empty.Ends, 0);

    EXPECT_EQ(FastPrinting(d.w, tray), PrintResult::Printed);
    ASSERT_EQ(tray.Sheets.size(), 7u);
    EXPECT_EQ(tray.textOf(2), "one");
    EXPECT_EQ(tray.textOf(6), "five");
    EXPECT_TRUE(boxes.boxes.texts.empty());
}

TEST(Printing, NoPrinterOrAJobThatCannotStartIsSaid)
{
    RenderDoc d;
    d.type("text");
    Boxes boxes;
    PaperTray none;
    none.Installed = false;
    EXPECT_EQ(FastPrinting(d.w, none), PrintResult::NoPrinter);
    PaperTray off;
    off.Starts = false;
    EXPECT_EQ(FastPrinting(d.w, off), PrintResult::Failed);
    EXPECT_EQ(off.Ends, 0);
    EXPECT_EQ(boxes.boxes.texts,
              (std::vector<std::string>{kNoPrinter, std::string(kPrintFailed) + "\nthe printer is off"}));
}

TEST(Printing, ALandscapeDocumentAsksForLandscapePaper)
{
    RenderDoc d;
    std::swap(d.w.PageWidthPx, d.w.PageHeightPx);
    d.type("wide");
    PaperTray tray;
    EXPECT_EQ(FastPrinting(d.w, tray), PrintResult::Printed);
    EXPECT_NEAR(tray.PaperW, 297, 0.1);
    EXPECT_NEAR(tray.PaperH, 210, 0.1);
}

std::filesystem::path makeNames(const std::vector<std::string>& names)
{
    const std::filesystem::path path = freshTestDir("printing") / "names.dbf";
    DBFHandle h = DBFCreate(path.c_str());
    DBFAddField(h, "NAME", FTString, 20, 0);
    for (size_t r = 0; r < names.size(); ++r) DBFWriteStringAttribute(h, int(r), 0, names[r].c_str());
    DBFClose(h);
    return path;
}

TEST(Printing, AMailMergePrintsOneJobPerRecordAndGoesBack)
{
    RenderDoc d;
    d.frame.MergeTable = std::make_shared<DbfTable>();
    const auto path = makeNames({"Ann", "Bob", "Cyd"});
    ASSERT_EQ(d.frame.MergeTable->open(path, false), "");
    d.frame.Options.DatabaseFile = path.string();
    d.type("Dear ");
    d.w.InsertField("dbfield1");
    d.frame.MergeTable->setRecNo(2);
    d.w.CompleteRefresh();

    PaperTray tray;
    const auto results = PrintMailMerge(d.w, tray, MailMergeRecords(1, 0, 0, 3), 0, 1, 1, 0, 0);
    EXPECT_EQ(results, std::vector<PrintResult>(3, PrintResult::Printed));
    ASSERT_EQ(tray.Sheets.size(), 3u);
    EXPECT_EQ(tray.Jobs, 3);
    EXPECT_EQ(tray.textOf(0), "Dear Ann");
    EXPECT_EQ(tray.textOf(1), "Dear Bob");
    EXPECT_EQ(tray.textOf(2), "Dear Cyd");
    EXPECT_EQ(d.frame.MergeTable->recNo(), 2);

    // Records 3 down to 2, and the record shown alone.
    PaperTray some;
    PrintMailMerge(d.w, some, MailMergeRecords(2, 3, 2, 3), 0, 1, 1, 0, 0);
    ASSERT_EQ(some.Sheets.size(), 2u);
    EXPECT_EQ(some.textOf(0), "Dear Bob");
    EXPECT_EQ(some.textOf(1), "Dear Cyd");
    PaperTray shown;
    PrintMailMerge(d.w, shown, MailMergeRecords(0, 0, 0, 3), 0, 1, 1, 0, 0);
    ASSERT_EQ(shown.Sheets.size(), 1u);
    EXPECT_EQ(shown.textOf(0), "Dear Bob");
    d.frame.MergeTable->close();
}

} // namespace
} // namespace quillet
