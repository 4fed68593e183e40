// The inspection tool's PDF export: any file it can open becomes a PDF that
// readers accept; files it cannot open or targets it cannot write fail.
#define QUILLET_INSPECT_NO_MAIN
#include "tools/quillet_inspect.cpp"

#include "tests/support/PdfFiles.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

TEST(InspectPdf, ExportsWhatItCanOpenAndFailsOtherwise)
{
    for (const char* tool : {"qpdf", "pdftotext"})
        if (!test::haveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    const fs::path dir = test::freshTestDir("inspect_pdf");
    const fs::path text = dir / "letter.txt";
    test::writeAll(text, "Dear reader,\r\n\r\nthis letter goes out as PDF.\r\n");
    const fs::path pdf = dir / "letter.pdf";

    ASSERT_EQ(inspect::exportPdf(test::programDir(), text.string(), 0, pdf), 0);
    int status = -1;
    test::runTool("qpdf --check " + test::shellQuote(pdf) + " >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    const std::string out = test::runTool("pdftotext " + test::shellQuote(pdf) + " -");
    EXPECT_NE(out.find("Dear reader,"), std::string::npos) << out;
    EXPECT_NE(out.find("this letter goes out as PDF."), std::string::npos) << out;

    const struct {
        fs::path file, target;
    } failures[] = {
        {dir / "missing.txt", dir / "missing.pdf"},        // nothing to open
        {text, dir / "no folder" / "letter.pdf"},          // nowhere to write
    };
    for (const auto& f : failures) {
        EXPECT_EQ(inspect::exportPdf(test::programDir(), f.file.string(), 0, f.target), 1) << f.target;
        EXPECT_FALSE(fs::exists(f.target)) << f.target;
    }
}

} // namespace
