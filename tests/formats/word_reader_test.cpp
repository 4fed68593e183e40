#include "formats/word/Word.h"
#include "formats/word/WordStorage.h"

#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/OpenSave.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WordFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace quillet;
using test::WordFileSpec;
using test::WordPiece;

namespace {

// The body's lines as text, a line's end kind after "|".
std::vector<std::string> bodyLines(const TMDIChild& w)
{
    std::vector<std::string> out;
    for (const TextLine& l : w.Areas[0].Lines) {
        std::string s;
        for (const TextChar& c : l.Chars) s += char(c.Code);
        out.push_back(s + "|" + std::to_string(l.EndKind));
    }
    return out;
}

struct Window {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w = std::make_unique<TMDIChild>(frame);
    Window()
    {
        w->NewPage(true);
        if (w->Areas[0].Lines.empty()) w->InsertNewLine(0, 0);
    }
};

struct TextCase {
    const char* name;
    WordFileSpec spec;
    std::vector<std::string> lines;
};

WordFileSpec pieces(std::vector<WordPiece> p)
{
    WordFileSpec s;
    s.Pieces = std::move(p);
    return s;
}

TEST(WordReader, TextOfThePiecesBecomesLinesAndCharacters)
{
    WordFileSpec noClx = pieces({{u"plain\rtext", false}});
    noClx.PieceTable = false;
    WordFileSpec prc = pieces({{u"after\rprc", true}});
    prc.PropertyModifierFirst = true;
    WordFileSpec longer = pieces({{u"short", false}});
    longer.CcpText = 0x7FFFFFFF;  // beyond every piece: the text simply ends
    WordFileSpec shorter = pieces({{u"shortened", false}});
    shorter.CcpText = 5;

    const std::vector<TextCase> cases = {
        {"paragraphs", pieces({{u"Hello\rWorld", false}}), {"Hello|1", "World|0"}},
        {"line and page breaks", pieces({{u"a\vb\fc\td", false}}), {"a|2", "b|3", "c\td|0"}},
        // Two-byte text goes through the code page; what it lacks becomes "?".
        {"wide text", pieces({{u"\u00fc\u2013\u2019\u20ac\u03b1", true}}), {"\xfc\x96\x92\x80?|0"}},
        {"mixed pieces", pieces({{u"ab", false}, {u"cd", true}, {u"\u00e9", false}}), {"abcd\xe9|0"}},
        {"field result kept", pieces({{u"p\x13 REF x \x14" u"3\x15q", false}}), {"p3q|0"}},
        // Page number and count are fields of ours ("a"); inside another
        // field's instruction, or without a result, they still count.
        {"page fields", pieces({{u"p\x13 PAGE \x14" u"3\x15/\x13numpages\x15q", false}}), {"pa/aq|0"}},
        {"page field in an instruction", pieces({{u"\x13IF \x13PAGE\x14" u"1\x15=1 \x14yes\x15!", false}}), {"yes!|0"}},
        {"nested field", pieces({{u"\x13IF \x13PAGE\x14" u"1\x15=1 \x14yes\x15!", false}}), {"yes!|0"}},
        {"field code tab kept", pieces({{u"\x13X\tY\x14Z\x15", false}}), {"\tZ|0"}},
        {"hyphens", pieces({{u"co\x1fop non\x1e" u"break", false}}), {"coop non-break|0"}},
        {"controls dropped", pieces({{u"a\x01\x07\x08\x0e\x1d" u"b", false}}), {"ab|0"}},
        {"no piece table", noClx, {"plain|1", "text|0"}},
        {"modifier before pieces", prc, {"after|1", "prc|0"}},
        {"length past the pieces", longer, {"short|0"}},
        {"length inside the pieces", shorter, {"short|0"}},
    };
    for (const TextCase& c : cases) {
        Window win;
        const std::vector<uint8_t> file = test::makeWordFile(c.spec);
        ASSERT_EQ(ReadWordFile(*win.w, file), WordResult::Ok) << c.name;
        EXPECT_EQ(bodyLines(*win.w), c.lines) << c.name;
    }
}

TEST(WordReader, OptionalHyphenMarksTheNextCharacter)
{
    Window win;
    ASSERT_EQ(ReadWordFile(*win.w, test::makeWordFile(pieces({{u"co\x1fop", false}}))), WordResult::Ok);
    const auto& chars = win.w->Areas[0].Lines[0].Chars;
    ASSERT_EQ(chars.size(), 4u);
    for (size_t i = 0; i < chars.size(); ++i)
        EXPECT_EQ(GettingOpsB(chars[i].Flags, cfSoftHyphen) != 0, i == 2) << i;
}

struct BadCase {
    const char* name;
    std::vector<uint8_t> bytes;
    WordResult result;
};

TEST(WordReader, DamagedOrForeignFilesAreRefusedAndLeaveTheDocumentAlone)
{
    auto spec = [](auto change) {
        WordFileSpec s = pieces({{u"one", false}, {u"two", true}});
        change(s);
        return test::makeWordFile(s);
    };
    const std::string text = "just some text named .doc";
    // The storage's root entry names entry 1 as its right sibling.
    auto rootWithSibling = [](std::vector<uint8_t> b) {
        const unsigned shift = b[0x1E] | (b[0x1F] << 8);
        const size_t dir = b[0x30] | (b[0x31] << 8) | (b[0x32] << 16) | (size_t(b[0x33]) << 24);
        const size_t at = std::max<size_t>(512, size_t(1) << shift) + (dir << shift) + 0x48;
        b.at(at) = 1;
        b.at(at + 1) = b.at(at + 2) = b.at(at + 3) = 0;
        return b;
    };
    const std::vector<BadCase> cases = {
        {"empty", {}, WordResult::NotCompound},
        {"text", std::vector<uint8_t>(text.begin(), text.end()), WordResult::NotCompound},
        {"other compound file", test::makeCompoundFile({{"Book", {1, 2, 3}}}), WordResult::NoMainStream},
        {"root entry with a sibling", rootWithSibling(spec([](WordFileSpec&) {})), WordResult::NotCompound},
        {"short header", spec([](WordFileSpec& s) { s.MainSize = 500; }), WordResult::ShortFib},
        {"word 6", spec([](WordFileSpec& s) { s.Nfib = 104; }), WordResult::OldVersion},
        {"encrypted", spec([](WordFileSpec& s) { s.Flags = 0x0100; }), WordResult::Encrypted},
        {"1Table missing", spec([](WordFileSpec& s) { s.Flags = 0x0200; s.TableName = "0Table"; }),
         WordResult::NoTableStream},
        {"text cut off", spec([](WordFileSpec& s) { s.MainSize = 1026; }), WordResult::BadPieceTable},
        {"pieces backwards",
         spec([](WordFileSpec& s) { s.ClxPatches = {{test::clxCpOffset(s, 1), 9}}; }), WordResult::BadPieceTable},
        {"negative first cp",
         spec([](WordFileSpec& s) { s.ClxPatches = {{test::clxCpOffset(s, 0), -4}}; }), WordResult::BadPieceTable},
        {"piece past the stream",
         spec([](WordFileSpec& s) { s.ClxPatches = {{test::clxFcOffset(s, 1), 0x3FFFFFF0}}; }),
         WordResult::BadPieceTable},
        {"compressed piece past the stream",
         spec([](WordFileSpec& s) { s.ClxPatches = {{test::clxFcOffset(s, 0), -2}}; }), WordResult::BadPieceTable},
        {"table length past its stream",
         spec([](WordFileSpec& s) { s.ClxPatches = {{1, 0x7FFFFFF0}}; }), WordResult::BadPieceTable},
        // Once ran for ever: the walk went on after its cursor had failed.
        {"modifier past the table",
         spec([](WordFileSpec& s) { s.PropertyModifierFirst = true; s.ClxPatches = {{1, 0x7FF0}}; }),
         WordResult::BadPieceTable},
        {"table length not whole pieces",
         spec([](WordFileSpec& s) { s.ClxPatches = {{1, 13}}; }), WordResult::BadPieceTable},
    };
    for (const BadCase& c : cases) {
        Window win;
        EXPECT_EQ(ReadWordFile(*win.w, c.bytes), c.result) << c.name;
        EXPECT_EQ(bodyLines(*win.w), std::vector<std::string>{"|0"}) << c.name;
        EXPECT_FALSE(wordResultReason(c.result).empty()) << c.name;
    }
}

TEST(WordReader, StreamNamesAreFoundWhateverTheirCase)
{
    WordFileSpec s = pieces({{u"found", false}});
    s.MainName = "worddocument";
    s.TableName = "0TABLE";
    Window win;
    ASSERT_EQ(ReadWordFile(*win.w, test::makeWordFile(s)), WordResult::Ok);
    EXPECT_EQ(bodyLines(*win.w), std::vector<std::string>{"found|0"});

    const std::vector<uint8_t> bytes = test::makeCompoundFile({{"Data", {7, 8}}, {"dATA2", {}}});
    const auto file = word::CompoundFile::open(bytes.data(), bytes.size());
    ASSERT_TRUE(file);
    std::vector<uint8_t> out;
    EXPECT_TRUE(file->readStream("data", out));
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 8}));
    EXPECT_TRUE(file->readStream("DATA2", out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(file->readStream("Dat", out));
}

// An imported document is one the program can keep: saved in its own
// format and read back, every line, character and format comes back as
// the import made it.
TEST(WordReader, ImportedDocumentSurvivesSavingInTheOwnFormat)
{
    using test::sprm;
    using test::sprm16;
    using test::operator+;
    std::u16string text;
    std::vector<test::WordRun> paras, chars;
    const std::vector<uint8_t> inTable = sprm(0x2416, {1});
    for (int i = 0; i < 12; ++i) {
        const int32_t first = int32_t(text.size());
        if (i % 4 == 3) {
            // A row of two cells, the first holding a paragraph end.
            text += u"c1\rin\x07" u"c2\x07";
            const int32_t cells = int32_t(text.size());
            std::vector<uint8_t> def{2, 0, 0, 0xA0, 0x05, 0x40, 0x0B};
            def.resize(def.size() + 20);
            std::vector<uint8_t> rowEnd = inTable + sprm(0x2417, {1});
            rowEnd.insert(rowEnd.end(), {0x08, 0xD6, uint8_t(def.size() + 1), 0});
            rowEnd.insert(rowEnd.end(), def.begin(), def.end());
            text += u"\x07";
            paras.push_back({first, cells, inTable + sprm(0x2403, {1}), 0});
            paras.push_back({cells, cells + 1, rowEnd, 0});
            continue;
        }
        text += u"Item \x13 PAGE \x14" u"3\x15 with\ttab, co\x1fop and a\vbreak\r";
        const int32_t lim = int32_t(text.size());
        paras.push_back({first, lim,
                         sprm(0x2403, {uint8_t(i % 4)}) + sprm16(0x840F, uint16_t(120 * i)) +
                             sprm(0xC60D, {0, 1, uint8_t(i * 16), 0x05, 0x0B}) + sprm16(0x460B, uint16_t(i % 3)),
                         uint16_t(i % 2)});
        for (int32_t k = first; k < lim; k += 9)
            chars.push_back({k, std::min(lim, k + 9),
                             k % 2 ? sprm(0x0835, {1}) + sprm16(0x4A43, 28) : sprm(0x2A3E, {3}) + sprm16(0x4A4F, 1)});
    }
    WordFileSpec spec;
    spec.Pieces = {{text.substr(0, 40), true}, {text.substr(40), false}};
    spec.ParaRuns = paras;
    spec.CharRuns = chars;
    spec.Fonts = {"Times New Roman", "Arial"};
    spec.Styles = {test::WordStyle{1, 0x0FFF, sprm16(0xA414, 120), {}},
                   test::WordStyle{1, 0, sprm(0x2403, {3}), sprm(0x0836, {1})}};
    spec.Lists = {{10, {23}}, {20, {0}}};
    spec.ListOverrides = {10, 20};

    Window imported;
    ASSERT_EQ(ReadWordFile(*imported.w, test::makeWordFile(spec)), WordResult::Ok);
    const std::vector<TextLine>& lines = imported.w->Areas[0].Lines;
    ASSERT_GT(lines.size(), 20u);
    // The file holds what the comparison is about: cells, a paragraph end
    // inside one, both kinds of list and tab stops.
    const auto any = [&](auto has) { return std::any_of(lines.begin(), lines.end(), has); };
    EXPECT_TRUE(any([](const TextLine& l) { return l.IsCell == 1; }));
    EXPECT_TRUE(any([](const TextLine& l) { return l.Chars.size() > 3 && l.Chars[2].ParaCopy(); }));
    EXPECT_TRUE(any([](const TextLine& l) { return l.Para->ListKind == 1; }));
    EXPECT_TRUE(any([](const TextLine& l) { return l.Para->ListKind == 2; }));
    EXPECT_TRUE(any([](const TextLine& l) { return !l.Para->Tabs.empty(); }));
    NativeReadResult back = readNativeDocument(writeNativeDocument(*imported.w));
    ASSERT_TRUE(back.ok) << back.error;
    Window reopened;
    takeNativeDocument(*reopened.w, std::move(back.doc));
    const std::vector<TextLine>& again = reopened.w->Areas[0].Lines;
    ASSERT_EQ(again.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const TextLine &a = lines[i], &b = again[i];
        EXPECT_EQ(a.Para, b.Para) << i;
        EXPECT_EQ(std::tie(a.EndKind, a.IsCell, a.CellsPerRow, a.CellIndex, a.ColumnCount),
                  std::tie(b.EndKind, b.IsCell, b.CellsPerRow, b.CellIndex, b.ColumnCount)) << i;
        if (a.IsCell) {
            EXPECT_DOUBLE_EQ(a.CellWidth, b.CellWidth) << i;
        }
        ASSERT_EQ(a.Chars.size(), b.Chars.size()) << i;
        for (size_t k = 0; k < a.Chars.size(); ++k) {
            const TextChar &x = a.Chars[k], &y = b.Chars[k];
            EXPECT_EQ(std::tie(x.Kind, x.Code, x.Flags), std::tie(y.Kind, y.Code, y.Flags)) << i << "/" << k;
            EXPECT_EQ(x.ParaCopy(), y.ParaCopy()) << i << "/" << k;
            EXPECT_EQ(imported.w->Fonts.at(size_t(x.FontIndex())), reopened.w->Fonts.at(size_t(y.FontIndex())))
                << i << "/" << k;
        }
    }
}

// Through the open dispatch: the file's text arrives, the window keeps no
// path (Save asks), and a bad file is said in a message and refused.
TEST(WordReader, OpenDispatchImportsByExtensionAndReportsFailures)
{
    const auto dir = test::freshTestDir("word");
    test::RecordingBoxes boxes;
    setMessageBoxes(&boxes);
    const std::vector<uint8_t> good = test::makeWordFile(pieces({{u"Opened\rfile", true}}));
    test::writeAll(dir / "good.doc", std::string(good.begin(), good.end()));
    test::writeAll(dir / "bad.DOC", "not a word file");

    FrameState frame = StandardFrameState();
    frame.ProgDir = test::programDir();
    TMDIChild w(frame);
    w.FormCreate();
    ASSERT_TRUE(w.OpenFile((dir / "good.doc").string(), ofByExtension));
    EXPECT_EQ(bodyLines(w), (std::vector<std::string>{"Opened|1", "file|0"}));
    EXPECT_TRUE(w.DocPath.empty());
    EXPECT_EQ(w.FileFormatIndex, sfNative);
    EXPECT_TRUE(boxes.texts.empty());

    TMDIChild bad(frame);
    bad.FormCreate();
    boxes.texts.clear();
    EXPECT_FALSE(bad.OpenFile((dir / "bad.DOC").string(), ofWord));
    EXPECT_EQ(boxes.texts,
              std::vector<std::string>{"Could not open doc file!\nbad.DOC: this file is not a Word 97 document"});
    setMessageBoxes(nullptr);
}

} // namespace
