// Printing through Qt's print support onto a file printer, checked with
// poppler, and the extended print options dialog.

#include "app/dialogs/PrintFormExtensionFUnit.h"
#include "engine/Childwin.h"
#include "platform/qt/QtPrinter.h"
#include "render/Printing.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/PdfFiles.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using namespace quillet::test;

TEST(PrintFormExtension, ChoicesRoundTripAndRecordNumbersStartAtOne)
{
    app();
    TPrintFormExtensionForm form;
    EXPECT_EQ(form.windowTitle(), "Erweiterte Druckoptionen");
    EXPECT_EQ(form.inverscheck->text(), "Revers print order");
    EXPECT_EQ(form.FormLetter->title(), "Form letter");
    EXPECT_EQ(form.Ser1->text(), "Print current data set");
    EXPECT_EQ(form.Ser2->text(), "Print all data sets");
    EXPECT_EQ(form.Ser3->text(), "Data sets:");
    EXPECT_TRUE(labelTexts(form).contains("to"));
    ASSERT_EQ(form.PrintCombo->count(), 3);
    EXPECT_EQ(form.PrintCombo->itemText(2), "Even pages");

    struct Case {
        PrintExtensionModel in;
        PrintExtensionModel out;
        bool recordsEnabled;
    };
    const Case cases[] = {
        {{2, true, 2, 5, 2, 6}, {2, true, 2, 5, 2, 6}, true},
        {{1, false, 1, 0, 9, 3}, {1, false, 1, 1, 3, 3}, true},   // kept inside 1..count
        {{0, false, 0, 1, 1, 0}, {0, false, 0, 1, 1, 0}, false},  // no table: the record choices are off
    };
    for (const Case& k : cases) {
        form.setModel(k.in);
        const PrintExtensionModel m = form.model();
        EXPECT_EQ(m.PageFilter, k.out.PageFilter);
        EXPECT_EQ(m.Reverse, k.out.Reverse);
        EXPECT_EQ(m.Records, k.out.Records);
        EXPECT_EQ(m.From, k.out.From);
        EXPECT_EQ(m.To, k.out.To);
        EXPECT_EQ(form.Ser2->isEnabled(), k.recordsEnabled);
        EXPECT_EQ(form.VonEd->minimum(), 1);
    }
    // Changing a record number chooses the range.
    form.setModel({0, false, 0, 1, 1, 6});
    ASSERT_TRUE(form.Ser1->isChecked());
    form.BisEd->setValue(4);
    EXPECT_TRUE(form.Ser3->isChecked());
}

class QtPrinting : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        for (const char* tool : {"pdfinfo", "pdftoppm"})
            if (!haveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    // A page is known by its picture: page N of one job against the pages
    // of the job that printed them all.
    std::string pageImage(const std::filesystem::path& pdf, int page)
    {
        const std::string n = std::to_string(page);
        return runTool("pdftoppm -r 24 -gray -f " + n + " -l " + n + " " + shellQuote(pdf));
    }
    std::filesystem::path dir = freshTestDir("qt_printing");
};

TEST_F(QtPrinting, PagesRangesAndOrderOnAFilePrinter)
{
    RenderDoc d;
    const char* words[] = {"one", "two", "three", "four", "five"};
    for (int i = 0; i < 5; ++i) {
        if (i) d.w.UmbruchEinfuegen();
        d.type(words[i]);
    }
    struct Case {
        const char* file;
        int32_t kind, from, to, filter;
        uint8_t reverse;
        std::vector<int> pages;
    };
    const Case cases[] = {
        {"all.pdf", 0, 1, 1, 0, 0, {1, 2, 3, 4, 5}},
        {"odd_reversed.pdf", 2, 2, 5, 1, 1, {5, 3}},
        {"even.pdf", 2, 1, 4, 2, 0, {2, 4}},
    };
    std::vector<std::string> pictures;
    for (const Case& k : cases) {
        QtPrinter printer(dir / k.file);
        ASSERT_EQ(PrintDocument(d.w, printer, k.kind, k.from, k.to, k.filter, k.reverse), PrintResult::Printed);
        const std::string info = runTool("pdfinfo " + shellQuote(dir / k.file));
        EXPECT_NE(info.find("Pages:           " + std::to_string(k.pages.size()) + "\n"), std::string::npos) << info;
        EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
        if (pictures.empty()) {
            for (int p = 1; p <= 5; ++p) pictures.push_back(pageImage(dir / k.file, p));
            for (int p = 1; p < 5; ++p) ASSERT_NE(pictures[size_t(p)], pictures[0]) << "pages tell apart";
        }
        for (size_t p = 0; p < k.pages.size(); ++p)
            EXPECT_EQ(pageImage(dir / k.file, int(p + 1)), pictures[size_t(k.pages[p] - 1)]) << k.file << " " << p;
    }
}

TEST_F(QtPrinting, LandscapePaperAndATargetThatCannotBeWritten)
{
    RenderDoc d;
    std::swap(d.w.PageWidthPx, d.w.PageHeightPx);
    d.type("landscape words at the start of a wide line");
    QtPrinter printer(dir / "wide.pdf");
    ASSERT_EQ(FastPrinting(d.w, printer), PrintResult::Printed);
    const std::string info = runTool("pdfinfo " + shellQuote(dir / "wide.pdf"));
    EXPECT_NE(info.find("842 x 595 pts"), std::string::npos) << info;

    RecordingBoxes boxes;
    MessageBoxes& previous = messageBoxes();
    setMessageBoxes(&boxes);
    QtPrinter nowhere(dir / "missing" / "x.pdf");
    EXPECT_EQ(FastPrinting(d.w, nowhere), PrintResult::Failed);
    setMessageBoxes(&previous);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].rfind(kPrintFailed, 0), 0u) << boxes.texts[0];
}

} // namespace
} // namespace quillet
