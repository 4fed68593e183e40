// Copy, cut and paste between two windows through an in-memory clipboard:
// formatted text, tables, footnotes, pictures and text frames come back
// whole; plain text pastes by its line ends; a damaged private stream
// pastes nothing.

#include "engine/Childwin.h"
#include "engine/ClipboardDialog.h"
#include "engine/ClipboardStream.h"
#include "engine/RecordCodec.h"
#include "platform/ByteIO.h"
#include "platform/Clipboard.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <filesystem>
#include <functional>
#include <fstream>

#include <string>
#include <vector>

using namespace quillet;

// Allocations of at least this many bytes fail while a test asks for it.
static std::atomic<size_t> failAllocationsFrom{SIZE_MAX};

// Not inlined, so the compiler never pairs a free() with a new at a caller.
[[gnu::noinline]] void* operator new(size_t n)
{
    if (n >= failAllocationsFrom.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

class ClipboardTest : public test::TypingWindow {
protected:
    ClipboardTest()
    {
        setClipboard(&board);
        other.setHost(&host2);
        other.AutoHyphenation = 0;
        other.Fonts.clear();
        other.GetNewFontIndex(FontEntryFromState(other.FontState));
    }
    ~ClipboardTest() override { setClipboard(nullptr); }

    // Keeps the stream on the clipboard in the test output, where the fuzz
    // corpus's seeds were taken from.
    void keepStream(const char* name)
    {
        const std::filesystem::path dir = test::outputDir() / "clipboard-streams";
        std::filesystem::create_directories(dir);
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(board.Private.data()), std::streamsize(board.Private.size()));
    }

    // Inserts a footnote at the caret and types its text; the caret stays
    // in the note.
    void typeFootnote(TMDIChild& win, std::string_view text)
    {
        win.FussnoteEinfuegen();
        const int32_t note = win.GetFootNoteField(1);
        ASSERT_GE(note, 0);
        win.Cursor = win.Anchor = TextPos{note, 0, win.Areas[size_t(note)].Lines[0].CharCount()};
        typeInto(win, text);
    }

    void typeInto(TMDIChild& win, std::string_view s)
    {
        for (char c : s) {
            if (c == '\n') {
                uint16_t k = VK_RETURN;
                win.getkeysKeyDown(k, 0);
            } else {
                uint8_t k = uint8_t(c);
                win.getkeysKeyPress(k);
            }
        }
    }

    // The text of an area's lines; "\n" after a paragraph end, "|" after a cell.
    static std::string areaText(const TextArea& a)
    {
        std::string s;
        for (const TextLine& l : a.Lines) {
            s += text(l);
            if (l.IsCell) s += '|';
            else if (l.EndKind == ekParagraph) s += '\n';
        }
        return s;
    }

    void selectAll(TMDIChild& win)
    {
        const TextArea& body = win.Areas[0];
        win.Anchor = TextPos{0, 0, 0};
        win.Cursor = TextPos{0, body.LineCount() - 1, body.Lines.back().CharCount()};
    }

    MemoryClipboard board;
    test::RecordingHost host2;
    std::unique_ptr<TMDIChild> otherWin = std::make_unique<TMDIChild>(frame);
    TMDIChild& other = *otherWin;
};

TEST_F(ClipboardTest, FormattedTextKeepsItsFontInTheOtherWindow)
{
    typeInto(w, "plain ");
    w.FontState.Size = 14;
    w.FontState.Style = 1;
    typeInto(w, "bold\nnext");
    selectAll(w);
    w.KopierenInZwischenAblage(0);
    EXPECT_EQ(board.Text, "plain bold\r\nnext");
    keepStream("formatted-text");
    ASSERT_TRUE(board.hasPrivate());

    const size_t fontsBefore = other.Fonts.size();
    EXPECT_TRUE(other.EinfuegenAusZwischenAblage(0));
    EXPECT_EQ(areaText(other.Areas[0]), "plain bold\nnext");
    ASSERT_EQ(other.Fonts.size(), fontsBefore + 1);
    const TextChar& b = other.Areas[0].Lines[0].Chars[6];
    EXPECT_EQ(other.Fonts[size_t(b.FontIndex())].Size, 14);
    EXPECT_EQ(other.Fonts[size_t(b.FontIndex())].Style, 1);
    EXPECT_EQ(other.UndoCopies[size_t(other.UndoPos - 1)].Label, "Insert");
    // Undo takes the whole paste back.
    other.RestoreCopyFromUndo(0);
    EXPECT_EQ(areaText(other.Areas[0]), "");
}

TEST_F(ClipboardTest, PasteReplacesTheSelectionAndSplitsOncePerParagraph)
{
    typeInto(w, "one\ntwo\n");
    selectAll(w);
    w.KopierenInZwischenAblage(0);
    typeInto(other, "abcXYZdef");
    other.Anchor = TextPos{0, 0, 3};
    other.Cursor = TextPos{0, 0, 6};
    other.EinfuegenAusZwischenAblage(1);
    EXPECT_EQ(areaText(other.Areas[0]), "abcone\ntwo\ndef");
}

TEST_F(ClipboardTest, CutRemovesWhatWasCopied)
{
    typeInto(w, "keep cut keep");
    w.Anchor = TextPos{0, 0, 5};
    w.Cursor = TextPos{0, 0, 9};
    w.KopierenInZwischenAblage(1);
    EXPECT_EQ(areaText(w.Areas[0]), "keep keep");
    EXPECT_EQ(board.Text, "cut ");
    w.RestoreCopyFromUndo(0);
    EXPECT_EQ(areaText(w.Areas[0]), "keep cut keep");
}

TEST_F(ClipboardTest, FootnotesGetNewIdsAndTheirOwnText)
{
    typeInto(w, "ab");
    typeFootnote(w, "note");
    selectAll(w);
    w.KopierenInZwischenAblage(0);
    keepStream("footnote");
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        other.Cursor = other.Anchor = TextPos{0, 0, other.Areas[0].Lines[0].CharCount()};
        other.EinfuegenAusZwischenAblage(0);
        EXPECT_EQ(other.FootnoteCounter, round);
        const int32_t fa = other.GetFootNoteField(round);
        ASSERT_GE(fa, 0);
        EXPECT_NE(areaText(other.Areas[size_t(fa)]).find("note"), std::string::npos);
    }
}

TEST_F(ClipboardTest, PicturesAndTablesRoundTrip)
{
    Dib pic;
    std::vector<RgbQuad> grey(256);
    for (int i = 0; i < 256; ++i) grey[size_t(i)] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    newdib(&pic, 5, 3, 8, &grey, 256);
    for (size_t i = 0; i < pic.Bits.size(); ++i) pic.Bits[i] = uint8_t(i * 7);
    std::vector<uint8_t> bits = pic.Bits;
    typeInto(w, "x");
    ASSERT_TRUE(w.InsertPictureAtCursor(std::move(pic), 96, false));
    w.inserttableXY(2, 1);
    const TextPos first = w.Cursor;
    typeInto(w, "c1");
    w.Cursor = w.Anchor = TextPos{first.Area, first.Line + 1, 0};
    typeInto(w, "c2");
    selectAll(w);
    w.KopierenInZwischenAblage(0);
    keepStream("picture-and-table");
    other.EinfuegenAusZwischenAblage(0);

    ASSERT_EQ(other.Pictures.size(), 1u);
    EXPECT_EQ(other.Pictures[0].Bits, bits);
    EXPECT_EQ(other.Pictures[0].ColorTable[200], (RgbQuad{200, 200, 200, 0}));
    int32_t cells = 0;
    std::string cellText;
    for (const TextLine& l : other.Areas[0].Lines)
        if (l.IsCell) {
            ++cells;
            EXPECT_EQ(l.CellsPerRow, 2);
            cellText += text(l) + "|";
        }
    EXPECT_EQ(cells, 2);
    EXPECT_EQ(cellText, "c1|c2|");
}

TEST_F(ClipboardTest, TextFramesPasteAsNewAreas)
{
    const int32_t frameArea = w.TextfeldEinfuegenSimple(0, 20, 30, 80, 60);
    typeInto(w, "framed");
    w.Areas[size_t(frameArea)].Selected = 1;
    w.Areas[size_t(frameArea)].AnchorId = 1234;
    w.KopierenInZwischenAblage(0);
    EXPECT_EQ(board.Text, "framed");
    keepStream("text-frame");
    const int32_t before = other.AreaCount();
    other.EinfuegenAusZwischenAblage(0);
    ASSERT_EQ(other.AreaCount(), before + 1);
    const TextArea& a = other.Areas.back();
    EXPECT_EQ(a.AreaType, atTextFrame);
    EXPECT_EQ(a.Left, w.Areas[size_t(frameArea)].Left);
    EXPECT_EQ(a.AnchorId, 0);
    EXPECT_EQ(areaText(a), text(w.Areas[size_t(frameArea)].Lines[0]) + (a.Lines[0].EndKind == ekParagraph ? "\n" : ""));
}

TEST_F(ClipboardTest, PlainTextPastesByItsLineEnds)
{
    struct Case {
        const char* name;
        std::string text;
        const char* expect;
    };
    const std::vector<Case> cases = {
        {"CR LF", "a\r\nb", "a\nb"},
        {"two LF", "a\n\nb", "a\n\nb"},
        {"lone CR", "a\rb", "a\nb"},
        {"control bytes dropped", std::string("a\x0e\x0f\tb", 5), "a\tb"},
        {"code page kept", "gr\xfc\xdf", "gr\xfc\xdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        other.Areas.resize(1);
        other.Areas[0].Lines.resize(1);
        InitNewLine(other.Areas[0].Lines, 0);
        other.Cursor = other.Anchor = TextPos{};
        board.Private.clear();
        board.Text = c.text;
        board.HasText = true;
        EXPECT_TRUE(other.EinfuegenAusZwischenAblage(0));
        EXPECT_EQ(areaText(other.Areas[0]), c.expect);
    }
}

TEST_F(ClipboardTest, DamagedStreamsPasteNothing)
{
    typeInto(w, "ab");
    w.FussnoteEinfuegen();
    typeInto(w, "n");
    selectAll(w);
    const ClipFragment f = w.CopyFragment();
    const std::vector<uint8_t> good = WriteClipStream(f);
    ASSERT_TRUE(ReadClipStream(good));
    other.SetAllDirtyFlags();
    other.MakeSoftEnters();

    auto patched = [&](size_t at, int32_t value) {
        std::vector<uint8_t> b = good;
        for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
        return b;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"unknown mode", patched(0, 3)},
        {"row flag not 0 or 1", patched(4, 7)},
        {"bad tag", patched(8, 5)},
        {"char count past the end", patched(12, 1 << 20)},
        {"negative char count", patched(12, -1)},
        {"cut short", std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2))},
        {"footnote area missing", std::vector<uint8_t>(good.begin(), good.end() - 4)},
        {"bytes after the end", [&] { auto b = good; b.push_back(0); return b; }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ReadClipStream(c.bytes));
        board.Private = c.bytes.empty() ? std::vector<uint8_t>{0} : c.bytes;
        board.HasText = true;
        const std::vector<TextArea> before = other.Areas;
        const size_t undo = other.UndoCopies.size();
        EXPECT_FALSE(other.EinfuegenAusZwischenAblage(0));
        EXPECT_TRUE(other.Areas == before);
        EXPECT_EQ(other.UndoCopies.size(), undo);
    }
}

// Each character entry is the character's record image and its font
// entry's, whichever characters came before it: characters differing in
// one field each, every one written twice, against the images made one by
// one.
TEST(ClipStream, CharacterEntriesAreTheirRecordImages)
{
    TextChar base;
    base.Code = 'a';
    base.Width = 1.5;
    base.setHeight(4);
    std::vector<TextChar> variants;
    auto vary = [&](auto change) {
        TextChar c = base;
        change(c);
        variants.push_back(c);
    };
    vary([](TextChar& c) { c.Code = 'b'; });
    vary([](TextChar& c) { c.Width = 0.0; });
    vary([](TextChar& c) { c.Width = -0.0; });
    vary([](TextChar& c) { c.setHeight(4.25); });
    vary([](TextChar& c) { c.setFontIndex(1); });
    vary([](TextChar& c) { c.Flags = 1; });
    vary([](TextChar& c) { c.TabLeader = 2; });
    vary([](TextChar& c) { c.setGapBefore(0.5f); });
    vary([](TextChar& c) { c.setPictureIndex(3); });
    vary([](TextChar& c) { c.Kind = ckFootnoteNumber, c.setShownNumber(4); });
    vary([](TextChar& c) { c.Kind = ckFootnoteNumber, c.setFootnoteId(4); });
    vary([](TextChar& c) { c.Code = 13, c.ParaCopy() = AbsatzFormat(); });
    vary([](TextChar& c) { c.Code = 13; });

    ClipFragment f;
    f.Fonts.resize(2);
    f.Fonts[0].Face = "Arial";
    f.Fonts[1].Face = "Courier New";
    f.Fonts[1].Size = 14;
    ClipFragment::Line rec;
    for (int round = 0; round < 2; ++round)
        for (const TextChar& v : variants) {
            rec.Text.Chars.push_back(base);
            rec.Text.Chars.push_back(v);
        }
    f.Lines.push_back(rec);

    ByteWriter expect;
    expect.i32(ClipFragment::kText);
    expect.i32(0);
    expect.i32(1);
    encodeTextLine(expect, rec.Text, rec.Text.CharCount());
    for (const TextChar& c : rec.Text.Chars) {
        encodeTextChar(expect, c);
        const FontEntry& font = f.Fonts[size_t(c.FontIndex())];
        encodeFontEntry(expect, font);
        expect.lpString32(font.Face);
    }
    expect.i32(0);
    expect.i32(0);
    EXPECT_TRUE(WriteClipStream(f) == expect.buffer());
}

// A copy writes into the block of the copy before it, but never into one
// a paste still reads.
TEST_F(ClipboardTest, CopyAgainReusesTheLastBlockUnlessAPasteHoldsIt)
{
    typeInto(w, "written twice");
    selectAll(w);
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held by a paste" : "free");
        w.KopierenInZwischenAblage(0);
        const std::vector<uint8_t> first(board.Private.data(), board.Private.data() + board.Private.size());
        const uint8_t* block = board.Private.data();
        SharedBytes paste = held ? board.privateData() : SharedBytes();
        w.KopierenInZwischenAblage(0);
        EXPECT_EQ(board.Private.data() == block, !held);
        EXPECT_TRUE(board.Private == first);
        EXPECT_TRUE(!held || paste == first);
    }
}

// However a copy's stream is shared out among threads, its bytes are those
// of the one-thread writer: documents with empty lines, pictures, a field, a
// footnote, a table and a frame, copied whole and from the middle of a line
// to the middle of another, cut into runs at every few items and right at
// the size where sharing starts.
TEST_F(ClipboardTest, StreamsSharedAmongThreadsHaveTheOneThreadBytes)
{
    auto picture = [](TMDIChild& win) {
        Dib pic;
        newdib(&pic, 3, 2, 24, nullptr, 0);
        ASSERT_TRUE(win.InsertPictureAtCursor(std::move(pic), 96, false));
    };
    struct Doc {
        const char* name;
        std::function<void(TMDIChild&)> build;
    };
    const std::vector<Doc> docs = {
        {"empty lines",
         [this](TMDIChild& win) {
             typeInto(win, "one\n\n\ntwo lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod "
                             "tempor incididunt ut labore et dolore magna aliqua\n\nthree\n");
         }},
        {"pictures, a field and a footnote",
         [&](TMDIChild& win) {
             typeInto(win, "pic ");
             picture(win);
             typeInto(win, " and\n");
             picture(win);
             typeInto(win, "\nfield ");
             win.InsertField("PAGE");
             typeInto(win, " note");
             typeFootnote(win, "noted ");
             picture(win);
             win.Cursor = win.Anchor = TextPos{0, win.Areas[0].LineCount() - 1, win.Areas[0].Lines.back().CharCount()};
             SettingOpsB(win.Areas[0].Lines[0].Chars[1].Flags, cfMisspelt, true);
             typeInto(win, "\nend");
         }},
        {"a table",
         [this](TMDIChild& win) {
             typeInto(win, "before\n");
             win.inserttableXY(3, 2);
             typeInto(win, "c1");
             win.Cursor = win.Anchor = TextPos{0, win.Areas[0].LineCount() - 1, 0};
             typeInto(win, "after");
         }},
    };
    for (const Doc& doc : docs) {
        SCOPED_TRACE(doc.name);
        auto win = std::make_unique<TMDIChild>(frame);
        win->setHost(&host2);
        win->AutoHyphenation = 0;
        doc.build(*win);
        const TextArea& body = win->Areas[0];
        const int32_t last = body.LineCount() - 1;
        const std::vector<std::pair<TextPos, TextPos>> selections = {
            {{0, 0, 0}, {0, last, body.Lines.back().CharCount()}},
            {{0, 0, 1}, {0, last, std::max(body.Lines.back().CharCount() - 1, 0)}},
            {{0, 1, 0}, {0, last, 0}},
        };
        for (const auto& [anchor, cursor] : selections) {
            SCOPED_TRACE(testing::Message() << "from line " << anchor.Line << " char " << anchor.Char);
            win->Anchor = anchor;
            win->Cursor = cursor;
            ClipTextView view;
            const ClipFragment f = CopyClipView(*win, view);
            ClipWriteRuns one{.BytesPerRun = SIZE_MAX, .MaxThreads = 1};
            const std::vector<uint8_t> expect = WriteClipStream(f, view, {}, &one);
            ASSERT_EQ(one.Used, 1u);
            ASSERT_TRUE(ReadClipStream(expect));
            EXPECT_TRUE(WriteClipStream(win->CopyFragment()) == expect);
            for (const unsigned threads : {2u, 3u, 5u, 16u}) {
                ClipWriteRuns shared{.BytesPerRun = 1, .MaxThreads = threads};
                EXPECT_TRUE(WriteClipStream(f, view, {}, &shared) == expect) << threads << " threads";
                EXPECT_GT(shared.Used, 1u);
                ClipWriteRuns lines{.BytesPerRun = 1, .MaxThreads = threads};
                EXPECT_TRUE(WriteClipStream(win->CopyFragment(), &lines) == expect) << threads << " threads";
            }
            // Sharing starts at two runs' bytes.
            ClipWriteRuns at{.BytesPerRun = expect.size() / 2, .MaxThreads = 8};
            ClipWriteRuns below{.BytesPerRun = expect.size() / 2 + 1, .MaxThreads = 8};
            EXPECT_TRUE(WriteClipStream(f, view, {}, &at) == expect);
            EXPECT_TRUE(WriteClipStream(f, view, {}, &below) == expect);
            EXPECT_EQ(at.Used, 2u);
            EXPECT_EQ(below.Used, 1u);
        }
    }
    // Selected frames go as areas, shared out the same way.
    const int32_t frameArea = w.TextfeldEinfuegenSimple(0, 20, 30, 80, 60);
    typeInto(w, "framed\ntext");
    w.Areas[size_t(frameArea)].Selected = 1;
    const int32_t second = w.TextfeldEinfuegenSimple(0, 20, 90, 80, 60);
    typeInto(w, "again");
    w.Areas[size_t(second)].Selected = 1;
    ClipTextView view;
    const ClipFragment f = CopyClipView(w, view);
    ASSERT_EQ(f.Mode, ClipFragment::kAreas);
    ClipWriteRuns one{.BytesPerRun = SIZE_MAX, .MaxThreads = 1}, shared{.BytesPerRun = 1, .MaxThreads = 3};
    const std::vector<uint8_t> expect = WriteClipStream(f, view, {}, &one);
    EXPECT_TRUE(WriteClipStream(f, view, {}, &shared) == expect);
    EXPECT_GT(shared.Used, 1u);
}

// Out of memory while a copy is made: the clipboard takes no part of it
// and a cut deletes nothing; with memory again the same copy works.
TEST_F(ClipboardTest, OutOfMemoryPutsNoPartOfACopyOnTheClipboard)
{
    std::string words;
    for (int i = 0; i < 40; ++i) words += "lorem ipsum dolor sit amet ";
    typeInto(w, words + "\n" + words);
    const std::string before = areaText(w.Areas[0]);
    // Fails the stream's block, then anything but the smallest blocks.
    for (const size_t from : {size_t(64) << 10, size_t(512)}) {
        for (const uint8_t cut : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "from " << from << (cut ? " cut" : " copy"));
            board.set("before", {});
            selectAll(w);
            failAllocationsFrom = from;
            w.KopierenInZwischenAblage(cut);
            failAllocationsFrom = SIZE_MAX;
            EXPECT_FALSE(board.hasPrivate());
            EXPECT_NE(board.Text, words);
            EXPECT_EQ(areaText(w.Areas[0]), before);
        }
    }
    w.KopierenInZwischenAblage(0);
    EXPECT_TRUE(board.hasPrivate());
    EXPECT_TRUE(ReadClipStream(board.Private));
}

TEST_F(ClipboardTest, PasteSpecialListsWhatIsThere)
{
    struct Dialog : PasteSpecialUi {
        std::vector<std::string> rows;
        int32_t pick = 0;
        bool runInsertContentDialog(InsertContentModel& m) override
        {
            rows.clear();
            for (const auto& r : m.Rows) rows.push_back(r.first);
            m.Selected = pick;
            return true;
        }
    } dialog;
    other.PasteDialogs = &dialog;
    typeInto(w, "abc");
    selectAll(w);
    w.KopierenInZwischenAblage(0);
    dialog.pick = 1;
    other.InhalteEinfuegenAusZwischenAblage();
    EXPECT_EQ(dialog.rows, (std::vector<std::string>{"Formated text", "Unformated text"}));
    EXPECT_EQ(areaText(other.Areas[0]), "abc");
}

// Copy takes of each line the characters the selection marks, and a paste
// of whole lines at once leaves the document as inserting the characters
// one by one did: the same text, fonts (in the same order), cursor and
// positions.
TEST_F(ClipboardTest, CopyAndPasteMatchCharacterByCharacterWork)
{
    const std::string para = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor ";
    typeInto(w, para + para + "\nsh");
    const TextPos pictureAt = w.Cursor;
    Dib pic;
    newdib(&pic, 2, 2, 24, nullptr, 0);
    ASSERT_TRUE(w.InsertPictureAtCursor(std::move(pic), 96, false));
    w.FussnoteEinfuegen();
    w.Cursor = w.Anchor = TextPos{0, w.Areas[0].LineCount() - 1, w.Areas[0].Lines.back().CharCount()};
    typeInto(w, "ort\n");
    w.FontState.Size = 20;
    typeInto(w, "big");
    SettingOpsB(w.Areas[0].Lines[0].Chars[4].Flags, cfMisspelt, true);
    w.inserttableXY(2, 1);
    const TextPos cell = w.Cursor;
    typeInto(w, "c1");
    ASSERT_GT(w.Areas[0].LineCount(), 4);
    const int32_t wrapped = w.Areas[0].Lines[0].CharCount();
    struct Case {
        const char* name;
        TextPos anchor, cursor;
    };
    const std::vector<Case> cases = {
        {"inside one line", {0, 0, 3}, {0, 0, 9}},
        {"across a soft wrap", {0, 0, wrapped - 4}, {0, 1, 5}},
        {"backwards", {0, 2, 2}, {0, 0, 6}},
        {"ending at a line's start", {0, 0, 2}, {0, 2, 0}},
        {"into the table", {0, 2, 1}, {cell.Area, cell.Line, 1}},
        {"within a cell", {cell.Area, cell.Line, 0}, {cell.Area, cell.Line, 2}},
        {"a picture and a footnote", {0, 1, 3}, {pictureAt.Area, pictureAt.Line, pictureAt.Char + 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.Anchor = c.anchor;
        w.Cursor = c.cursor;
        const ClipFragment f = w.CopyFragment();
        // What the selection marks, asked character by character.
        std::vector<std::string> expect;
        std::vector<uint8_t> ends;
        TMDIChild::TextWalker walk = w.MarkedWalk();
        for (int guard = 0; guard < 100; ++guard) {
            const TextLine& l = w.Areas[size_t(walk.Pos.Area)].Lines[size_t(walk.Pos.Line)];
            std::string marked;
            for (int32_t ch = 0; ch < l.CharCount(); ++ch)
                if (w.isinmarking(walk.Pos.Area, walk.Pos.Line, ch)) marked.push_back(char(l.Chars[size_t(ch)].Code));
            expect.push_back(marked);
            ends.push_back(w.isinmarking(walk.Pos.Area, walk.Pos.Line, l.CharCount()));
            if (!(w.RowMarking ? w.getnextmarkedlineTableBlind(walk) : w.getnextmarkedline(walk))) break;
        }
        std::vector<std::string> got;
        std::vector<uint8_t> gotEnds;
        for (const ClipFragment::Line& l : f.Lines) {
            got.push_back(text(l.Text));
            gotEnds.push_back(l.EndSelected);
        }
        EXPECT_EQ(got, expect);
        EXPECT_EQ(gotEnds, ends);
        // Copying writes from the document what the copied lines hold.
        w.KopierenInZwischenAblage(0);
        EXPECT_TRUE(board.Private == WriteClipStream(f));
        EXPECT_EQ(board.Text, TMDIChild::FragmentText(f));
        if (f.RowMarking) continue;

        // Two equal windows: one pastes, the other inserts one by one.
        std::unique_ptr<TMDIChild> one = std::make_unique<TMDIChild>(frame), two = std::make_unique<TMDIChild>(frame);
        for (TMDIChild* t : {one.get(), two.get()}) {
            t->setHost(&host2);
            t->AutoHyphenation = 0;
            typeInto(*t, "first\nsecond");
            t->FontState.Size = 30;  // a typing format the table lacks yet
            t->Cursor = t->Anchor = TextPos{0, 0, 2};
        }
        one->PasteFragment(f);
        std::vector<int32_t> notes;
        for (const ClipFragment::Line& rec : f.Lines) {
            for (const TextChar& src : rec.Text.Chars) ASSERT_TRUE(two->InsertPastedChar(two->PastedChar(src, f, 0, notes)));
            if (!rec.EndSelected || (rec.Text.EndKind == ekSoft && !rec.Text.IsCell)) continue;
            const TextPos before = two->Cursor;
            const bool wasCell = two->Areas[size_t(before.Area)].Lines[size_t(before.Line)].IsCell;
            two->PasteBreak(rec.Text.IsCell ? ekParagraph : rec.Text.EndKind);
            if (!wasCell && !rec.Text.IsCell) {
                TextLine& target = two->Areas[size_t(before.Area)].Lines[size_t(before.Line)];
                target.Para = rec.Text.Para;
                target.Dirty = 1;
            }
        }
        two->InvalidateMarking();
        two->Anchor = two->Cursor;
        // The paste adds the footnotes' own areas after the others.
        ASSERT_EQ(one->Areas.size(), two->Areas.size() + notes.size());
        EXPECT_TRUE(std::equal(two->Areas.begin(), two->Areas.end(), one->Areas.begin()));
        EXPECT_EQ(one->Pictures.size(), two->Pictures.size());
        EXPECT_EQ(one->Fonts, two->Fonts);
        EXPECT_EQ(one->Cursor, two->Cursor);
    }
}

} // namespace
