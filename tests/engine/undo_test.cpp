#include "engine/Childwin.h"
#include "formats/StandardServices.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quillet;

namespace {

struct RecordingHost : HostView {
    int timerRestarts = 0;
    std::string caption;
    void restartTimer2() override { ++timerRestarts; }
    void setCaption(const std::string& c) override { caption = c; }
};

struct RecordingUi : FrameUi {
    std::vector<std::string> undo;
    std::vector<std::string> redo;
    int hintUpdates = 0;
    int fileMenuUpdates = 0;
    void setUndoHints(const std::vector<std::string>& u, const std::vector<std::string>& r) override
    {
        undo = u;
        redo = r;
        ++hintUpdates;
    }
    void fileMenuChanged() override { ++fileMenuUpdates; }
};

TextArea bodyArea()
{
    TextArea a;
    a.AreaType = atPageBody;
    a.Lines.resize(1);
    InitNewLine(a.Lines, 0);
    return a;
}

// What a key press would do to the text, without the keyboard module.
void insertText(TMDIChild& w, std::string_view s)
{
    for (char ch : s) {
        TextLine& line = w.Areas[size_t(w.Cursor.Area)].Lines[size_t(w.Cursor.Line)];
        TextChar c;
        c.Code = static_cast<uint8_t>(ch);
        c.Width = 2.0;
        line.Chars.insert(line.Chars.begin() + w.Cursor.Char, c);
        ++w.Cursor.Char;
    }
    w.Anchor = w.Cursor;
}

void splitLine(TMDIChild& w)
{
    auto& lines = w.Areas[size_t(w.Cursor.Area)].Lines;
    const size_t at = size_t(w.Cursor.Line);
    TextLine next = lines[at];
    next.Chars.assign(lines[at].Chars.begin() + w.Cursor.Char, lines[at].Chars.end());
    lines[at].Chars.resize(size_t(w.Cursor.Char));
    lines[at].EndKind = ekParagraph;
    lines.insert(lines.begin() + ptrdiff_t(at) + 1, std::move(next));
    w.Cursor = {w.Cursor.Area, w.Cursor.Line + 1, 0};
    w.Anchor = w.Cursor;
}

// A typed run shares one snapshot, as the keyboard groups it.
void typeKeys(TMDIChild& w, std::string_view s)
{
    for (char ch : s) {
        if (!w.TypingRun) w.MakeCopyForUndo("Input");
        w.TypingRun = 1;
        insertText(w, std::string_view(&ch, 1));
    }
}

std::string text(const TMDIChild& w)
{
    std::string out;
    for (size_t a = 0; a < w.Areas.size(); ++a) {
        if (a) out += '#';
        for (size_t l = 0; l < w.Areas[a].Lines.size(); ++l) {
            if (l) out += '|';
            for (const TextChar& c : w.Areas[a].Lines[l].Chars) out += char(c.Code);
        }
    }
    return out;
}

bool inside(const TMDIChild& w, const TextPos& p)
{
    if (p.Area < 0 || p.Area >= w.AreaCount()) return false;
    const TextArea& a = w.Areas[size_t(p.Area)];
    if (a.Lines.empty()) return p.Line == 0 && p.Char == 0;
    return p.Line >= 0 && p.Line < a.LineCount() && p.Char >= 0 &&
           p.Char <= a.Lines[size_t(p.Line)].CharCount();
}

class UndoTest : public ::testing::Test {
protected:
    // Declared before the window: it talks to them until it is gone.
    RecordingHost host;
    RecordingUi ui;
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w;

    void SetUp() override
    {
        w = std::make_unique<TMDIChild>(frame);
        w->setHost(&host);
        w->setFrameUi(&ui);
        w->FreeAllUndoCops();
        w->Areas.clear();
        w->Areas.push_back(bodyArea());
        w->Cursor = w->Anchor = TextPos{};
        w->TypingRun = 0;
        w->DocTitle = "Letter";
        w->Pictures.clear();
    }

    int32_t count() const { return static_cast<int32_t>(w->UndoCopies.size()); }

    // n edits labelled "Edit 1".."Edit n", each appending its number's digit.
    void numberedEdits(int first, int last)
    {
        for (int i = first; i <= last; ++i) {
            w->MakeCopyForUndo("Edit " + std::to_string(i));
            insertText(*w, std::string(1, char('a' + (i - 1) % 26)));
        }
    }
};

TEST_F(UndoTest, UndoThenRedoReturnsExactlyAndDropsOriginal)
{
    w->MakeCopyForUndo("Input");
    insertText(*w, "Hello");
    w->MakeCopyForUndo("Input return");
    splitLine(*w);
    insertText(*w, "World");
    const std::vector<TextArea> edited = w->Areas;
    const TextPos editedCursor = w->Cursor;
    EXPECT_EQ(w->UndoPos, 2);
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(ui.undo, (std::vector<std::string>{"Input return", "Input"}));
    EXPECT_TRUE(ui.redo.empty());

    const int restartsBefore = host.timerRestarts;
    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(text(*w), "Hello");
    EXPECT_EQ(w->Cursor, (TextPos{0, 0, 5}));
    EXPECT_EQ(w->UndoPos, 1);
    EXPECT_EQ(count(), 3);  // "Original" holds the edited state
    EXPECT_EQ(w->UndoCopies.back().Label, "Original");
    EXPECT_EQ(ui.undo, (std::vector<std::string>{"Input"}));
    EXPECT_EQ(ui.redo, (std::vector<std::string>{"Input return"}));
    EXPECT_GT(host.timerRestarts, restartsBefore);

    w->RestoreBeforeRestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == edited);
    EXPECT_EQ(w->Cursor, editedCursor);
    EXPECT_EQ(w->UndoPos, 2);
    EXPECT_EQ(count(), 2);
    EXPECT_TRUE(ui.redo.empty());

    // Nothing left to redo: nothing changes.
    w->RestoreBeforeRestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == edited);
    EXPECT_EQ(count(), 2);

    // Undoing again takes a fresh "Original".
    w->RestoreCopyFromUndo(1);
    EXPECT_EQ(text(*w), "");
    EXPECT_EQ(w->UndoPos, 0);
    EXPECT_EQ(count(), 3);
    EXPECT_TRUE(ui.undo.empty());
    EXPECT_EQ(ui.redo, (std::vector<std::string>{"Input", "Input return"}));
    // Nothing left to undo.
    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(w->UndoPos, 0);
    EXPECT_EQ(count(), 3);
}

TEST_F(UndoTest, DepthLimitsHowFarBackUndoGoes)
{
    frame.Options.UndoDepth = 10;
    numberedEdits(1, 15);
    EXPECT_EQ(w->UndoPos, 11);
    EXPECT_EQ(count(), 11);
    EXPECT_EQ(w->UndoCopies.front().Label, "Edit 5");
    ASSERT_EQ(ui.undo.size(), 11u);
    EXPECT_EQ(ui.undo.front(), "Edit 15");
    EXPECT_EQ(ui.undo.back(), "Edit 5");

    // The "Original" taken by the first undo is not trimmed away.
    w->RestoreCopyFromUndo(10);
    EXPECT_EQ(count(), 12);
    EXPECT_EQ(w->UndoPos, 0);
    EXPECT_EQ(text(*w), "abcd");  // as before edit 5
    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(text(*w), "abcd");

    // Redo all the way back to the newest state.
    w->RestoreBeforeRestoreCopyFromUndo(10);
    EXPECT_EQ(text(*w), "abcdefghijklmno");
    EXPECT_EQ(count(), 11);
}

TEST_F(UndoTest, LoweredDepthTrimsAtTheNextEdit)
{
    frame.Options.UndoDepth = 20;
    numberedEdits(1, 15);
    EXPECT_EQ(w->UndoPos, 15);
    frame.Options.UndoDepth = 3;
    numberedEdits(16, 16);
    EXPECT_EQ(w->UndoPos, 4);
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(w->UndoCopies.front().Label, "Edit 13");
    // A depth outside the settings' range still leaves one step.
    frame.Options.UndoDepth = 0;
    numberedEdits(17, 18);
    EXPECT_EQ(w->UndoPos, 2);
    EXPECT_EQ(w->UndoCopies.front().Label, "Edit 17");
}

TEST_F(UndoTest, NewEditDropsTheRedoTail)
{
    numberedEdits(1, 3);
    w->RestoreCopyFromUndo(1);  // two steps back
    EXPECT_EQ(text(*w), "a");
    EXPECT_EQ(ui.redo.size(), 2u);
    w->MakeCopyForUndo("Delete");
    EXPECT_EQ(w->UndoPos, 2);
    EXPECT_EQ(count(), 2);
    EXPECT_TRUE(ui.redo.empty());
    EXPECT_EQ(ui.undo, (std::vector<std::string>{"Delete", "Edit 1"}));
    // The tail is really gone: redo does nothing.
    w->RestoreBeforeRestoreCopyFromUndo(0);
    EXPECT_EQ(text(*w), "a");
}

TEST_F(UndoTest, MultiStepUndoAndRedo)
{
    numberedEdits(1, 4);  // text "abcd"
    w->RestoreCopyFromUndo(2);
    EXPECT_EQ(text(*w), "a");
    EXPECT_EQ(w->UndoPos, 1);
    EXPECT_EQ(ui.undo, (std::vector<std::string>{"Edit 1"}));
    EXPECT_EQ(ui.redo, (std::vector<std::string>{"Edit 2", "Edit 3", "Edit 4"}));

    // Out of range requests change nothing.
    w->RestoreCopyFromUndo(1);
    w->RestoreCopyFromUndo(-1);
    w->RestoreBeforeRestoreCopyFromUndo(3);
    w->RestoreBeforeRestoreCopyFromUndo(-1);
    EXPECT_EQ(text(*w), "a");
    EXPECT_EQ(w->UndoPos, 1);
    EXPECT_EQ(count(), 5);

    w->RestoreBeforeRestoreCopyFromUndo(1);
    EXPECT_EQ(text(*w), "abc");
    EXPECT_EQ(count(), 5);
    EXPECT_EQ(ui.redo, (std::vector<std::string>{"Edit 4"}));
    w->RestoreBeforeRestoreCopyFromUndo(0);
    EXPECT_EQ(text(*w), "abcd");
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(w->UndoPos, 4);
}

TEST_F(UndoTest, TypingRunIsOneSnapshot)
{
    typeKeys(*w, "ab");
    w->TypingRun = 0;  // a cursor key closes the run
    typeKeys(*w, "c");
    EXPECT_EQ(count(), 2);
    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(text(*w), "ab");
    EXPECT_EQ(w->TypingRun, 0);
    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(text(*w), "");
}

TEST_F(UndoTest, SnapshotMarksTheDocumentChanged)
{
    const int menusBefore = ui.fileMenuUpdates;
    w->TypingRun = 1;
    w->MakeCopyForUndo("Cut");
    EXPECT_EQ(w->Modified, 1);
    EXPECT_EQ(w->TypingRun, 0);
    EXPECT_EQ(host.caption, "Letter*");
    EXPECT_GT(ui.fileMenuUpdates, menusBefore);
    w->SetFileChanged(false);
    EXPECT_EQ(w->Modified, 0);
    EXPECT_EQ(host.caption, "Letter");
}

TEST_F(UndoTest, LabelsAreCutTo255Bytes)
{
    w->MakeCopyForUndo(std::string(300, 'x'));
    ASSERT_EQ(ui.undo.size(), 1u);
    EXPECT_EQ(ui.undo[0], std::string(255, 'x'));
}

TEST_F(UndoTest, RestoresCaretSelectionAndFormat)
{
    insertText(*w, "Hello world");
    w->Anchor = {0, 0, 2};
    w->Cursor = {0, 0, 7};
    w->CurrentPage = 0;
    w->FontState.Face = "Arial";
    w->FontState.Style = 3;
    w->MakeCopyForUndo("Character format");
    w->FontState = CurrentFontState{};
    w->Anchor = w->Cursor = {0, 0, 11};
    insertText(*w, "!");

    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(w->Anchor, (TextPos{0, 0, 2}));
    EXPECT_EQ(w->Cursor, (TextPos{0, 0, 7}));
    EXPECT_EQ(w->FontState.Face, "Arial");
    EXPECT_EQ(w->FontState.Style, 3);
    // The toolbar shows the restored format, not the one left behind.
    EXPECT_EQ(w->ToolbarFormat.Face, "Arial");
    EXPECT_TRUE(w->ToolbarFormat.Bold);
    EXPECT_TRUE(w->ToolbarFormat.Italic);
    w->RestoreBeforeRestoreCopyFromUndo(0);
    EXPECT_EQ(w->Cursor, (TextPos{0, 0, 12}));
    EXPECT_EQ(w->FontState, CurrentFontState{});
    EXPECT_EQ(w->ToolbarFormat.Face, CurrentFontState{}.Face);
    EXPECT_FALSE(w->ToolbarFormat.Bold);
}

TEST_F(UndoTest, RestoreKeepsPositionsInsideTheDocument)
{
    // A snapshot taken while the caret was left past the text (as a caller
    // mid-edit might) must not bring a stray caret back.
    w->Cursor = {3, 9, 40};
    w->Anchor = {0, 0, -2};
    w->MakeCopyForUndo("Insert");
    w->Cursor = w->Anchor = TextPos{};
    insertText(*w, "abc");
    TextPos walk{0, 0, 3};
    w->RegisterPosition(&walk);
    w->RestoreCopyFromUndo(0);
    EXPECT_TRUE(inside(*w, w->Cursor));
    EXPECT_TRUE(inside(*w, w->Anchor));
    EXPECT_TRUE(inside(*w, walk));
    w->UnregisterPosition(&walk);
}

TEST_F(UndoTest, SnapshotsAndDocumentAreIndependent)
{
    insertText(*w, "ab");
    TextChar& field = w->Areas[0].Lines[0].Chars[1];
    field.Kind = ckField;
    field.FieldResult() = std::string("12");
    field.FieldCode() = std::string("page");
    TextChar par;
    par.Code = 13;
    AbsatzFormat pf = DefaultAbsatzFormat();
    pf.Tabs.push_back(TabStop{20.0, 1, 2});
    pf.BulletFace = std::string("Symbol");
    par.ParaCopy() = pf;
    w->Areas[0].Lines[0].Chars.push_back(par);
    w->Areas[0].Lines[0].Para.edit().Tabs.push_back(TabStop{40.0, 2, 0});
    w->Areas[0].Lines[0].Para.edit().BulletFace = std::string("Wingdings");
    w->Areas.push_back(bodyArea());
    w->Areas[1].AreaType = atTextFrame;
    const std::vector<TextArea> before = w->Areas;

    w->MakeCopyForUndo("Format field");
    // Editing the document in place must leave the copy alone.
    TextChar& live = w->Areas[0].Lines[0].Chars[1];
    *live.FieldResult() = "99";
    w->Areas[0].Lines[0].Chars[2].ParaCopy()->Tabs[0].Position = 1;
    *w->Areas[0].Lines[0].Chars[2].ParaCopy()->BulletFace = "Changed";
    w->Areas[0].Lines[0].Para.edit().Tabs.clear();
    w->Areas.pop_back();
    ASSERT_TRUE(w->UndoCopies[0].Areas == before);

    w->RestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == before);
    // And editing the restored document must leave the copy alone too.
    *w->Areas[0].Lines[0].Chars[1].FieldCode() = "pagecount";
    w->Areas[0].Lines[0].Chars[2].ParaCopy().reset();
    w->Areas[0].Lines[0].Para.edit().BulletFace.reset();
    w->Areas[1].Lines.clear();
    EXPECT_TRUE(w->UndoCopies[0].Areas == before);

    w->RestoreBeforeRestoreCopyFromUndo(0);  // the edited state
    EXPECT_EQ(w->AreaCount(), 1);
    EXPECT_EQ(*w->Areas[0].Lines[0].Chars[1].FieldResult(), "99");
    w->RestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == before);
}

TEST_F(UndoTest, ReusedSlotsHoldExactlyTheNewText)
{
    // Slots dropped by the depth limit or a new edit are refilled; nothing of
    // their old text may survive.
    frame.Options.UndoDepth = 1;
    insertText(*w, "long line of text");
    w->Areas[0].Lines[0].Chars[3].FieldResult() = std::string("old result");
    w->Areas[0].Lines[0].Para.edit().BulletFace = std::string("Old face");
    w->Areas.push_back(w->Areas[0]);
    w->Areas.push_back(w->Areas[0]);
    w->MakeCopyForUndo("Edit 1");
    w->MakeCopyForUndo("Edit 2");

    w->Areas.resize(1);
    w->Areas[0].Lines[0].Chars.resize(4);
    w->Areas[0].Lines[0].Chars[3].FieldResult().reset();
    w->Areas[0].Lines[0].Chars[1].FieldCode() = std::string("page");
    w->Areas[0].Lines[0].Para.edit().BulletFace.reset();
    w->Cursor = w->Anchor = TextPos{0, 0, 4};
    w->MakeCopyForUndo("Edit 3");  // trims "Edit 1"
    ASSERT_EQ(count(), 2);
    EXPECT_TRUE(w->UndoCopies.back().Areas == w->Areas);

    splitLine(*w);
    insertText(*w, "x");
    w->RestoreCopyFromUndo(0);
    w->Areas[0].Lines[0].Chars.clear();
    w->MakeCopyForUndo("Edit 4");  // reuses the dropped redo copy
    EXPECT_TRUE(w->UndoCopies.back().Areas == w->Areas);
    EXPECT_EQ(ui.undo, (std::vector<std::string>{"Edit 4", "Edit 2"}));
}

TEST_F(UndoTest, FreeingCopiesAndAll)
{
    numberedEdits(1, 3);
    w->FreeUndoCopy(1);
    EXPECT_EQ(count(), 3);
    EXPECT_TRUE(w->UndoCopies[1].Areas.empty());
    w->FreeUndoCopy(7);  // no such slot
    w->FreeUndoCopy(-1);
    w->FreeAllUndoCops();
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(w->UndoPos, 0);
    EXPECT_TRUE(ui.undo.empty());
    EXPECT_TRUE(ui.redo.empty());
    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(text(*w), "abc");
}

// Picture slots with bits, as loading a picture would leave them.
Dib somePicture()
{
    Dib d;
    d.Header.biWidth = 1;
    d.Header.biHeight = 1;
    d.Header.biBitCount = 24;
    d.BytesPerRow = 4;
    d.Bits.assign(4, 0x7F);
    return d;
}

TextChar pictureChar(uint16_t index)
{
    TextChar c;
    c.Kind = ckPicture;
    c.Code = 'a';
    c.setPictureIndex(index);
    return c;
}

TEST_F(UndoTest, PicturesStayWhileASnapshotUsesThem)
{
    w->Pictures.push_back(somePicture());
    w->Pictures.push_back(somePicture());
    auto& chars = w->Areas[0].Lines[0].Chars;
    chars.push_back(pictureChar(0));
    chars.push_back(pictureChar(1));

    // The first snapshot sweeps; both pictures are in use.
    w->MakeCopyForUndo("Delete");
    EXPECT_FALSE(w->Pictures[0].empty());
    EXPECT_FALSE(w->Pictures[1].empty());

    // Deleting the only use of picture 0 from the text keeps it for undo.
    chars.erase(chars.begin());
    w->FreeBildInListeIfNotNeeded();
    EXPECT_FALSE(w->Pictures[0].empty());
    w->RestoreCopyFromUndo(0);
    EXPECT_EQ(w->Areas[0].Lines[0].Chars[0].Kind, ckPicture);
    EXPECT_FALSE(w->Pictures[0].empty());

    // Once no snapshot holds it either, the next first snapshot releases it.
    w->Areas[0].Lines[0].Chars.erase(w->Areas[0].Lines[0].Chars.begin());
    w->FreeAllUndoCops();
    w->MakeCopyForUndo("Insert");
    EXPECT_TRUE(w->Pictures[0].empty());
    EXPECT_FALSE(w->Pictures[1].empty());
    EXPECT_EQ(w->Pictures.size(), 2u);  // slots keep their indexes
}

// A document long enough that its snapshot is copied in several runs of
// lines at once: an area far longer than the rest, areas without lines, and
// owned blocks scattered over characters and lines.
std::vector<TextArea> longDocument(int32_t seed)
{
    std::vector<TextArea> areas;
    for (int32_t a = 0; a < 7; ++a) {
        TextArea area = bodyArea();
        area.PageIndex = a;
        area.Top = seed + a;
        const int32_t lines = a == 2 ? 2600 : a == 4 ? 0 : 40 + 10 * a;
        area.Lines.resize(size_t(lines));
        for (int32_t l = 0; l < lines; ++l) {
            InitNewLine(area.Lines, l);
            TextLine& line = area.Lines[size_t(l)];
            line.Height = l % 7;
            if (l % 13 == 0) line.Para.edit().Tabs.push_back(TabStop{double(l), 1, 2});
            if (l % 17 == 0) line.Para.edit().BulletFace = "Face " + std::to_string(l + seed);
            const int32_t chars = (l * 37 + seed) % 90;
            for (int32_t c = 0; c < chars; ++c) {
                TextChar ch;
                ch.Code = uint8_t('a' + (c + l + seed) % 26);
                ch.Width = c;
                if ((c + l) % 101 == 0) ch.FieldResult() = std::string("result ") + std::to_string(c);
                if ((c + l) % 211 == 0) ch.FieldCode() = std::string("page");
                if ((c + l) % 307 == 0) {
                    ch.Code = 13;
                    ch.ParaCopy() = DefaultAbsatzFormat();
                    ch.ParaCopy()->Tabs.push_back(TabStop{12.5, 2, 1});
                }
                line.Chars.push_back(ch);
            }
        }
        areas.push_back(std::move(area));
    }
    return areas;
}

TEST_F(UndoTest, LongDocumentsAreCopiedExactlyIntoFreshAndReusedSlots)
{
    frame.Options.UndoDepth = 1;
    w->Areas = longDocument(1);
    const std::vector<TextArea> first = w->Areas;
    w->MakeCopyForUndo("Edit 1");
    ASSERT_TRUE(w->UndoCopies[0].Areas == first);

    // Edits after the snapshot stay out of it, deep blocks included.
    w->Areas[2].Lines[1300].Chars[0].Code = '#';
    *w->Areas[2].Lines[0].Para.edit().BulletFace = "Changed";
    w->Areas[2].Lines[1].Chars.clear();
    EXPECT_TRUE(w->UndoCopies[0].Areas == first);

    // A shorter document, then a longer one, into slots the depth limit
    // drops: nothing of the old text survives, nothing of the new is lost.
    w->Areas = longDocument(2);
    w->Areas.resize(3);
    w->Areas[2].Lines.resize(900);
    const std::vector<TextArea> second = w->Areas;
    w->MakeCopyForUndo("Edit 2");
    w->Areas = longDocument(3);
    w->Areas.push_back(w->Areas[2]);
    const std::vector<TextArea> third = w->Areas;
    w->MakeCopyForUndo("Edit 3");  // refills the copy of the first document
    ASSERT_EQ(count(), 2);
    EXPECT_TRUE(w->UndoCopies[0].Areas == second);
    EXPECT_TRUE(w->UndoCopies[1].Areas == third);

    // Restoring over a document of another shape gives the copy exactly,
    // and leaves the copy intact for the redo.
    w->Areas = longDocument(4);
    w->Areas.resize(1);
    w->RestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == third);
    w->RestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == second);
    EXPECT_TRUE(w->UndoCopies[1].Areas == third);
    w->RestoreBeforeRestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == third);
}

} // namespace

TEST_F(UndoTest, SnapshotsShareUnchangedAreasAndRestoreEveryStepExactly)
{
    // A run of edits, each touching one area (or the area count), undone
    // and redone step by step: every state comes back exactly, although
    // consecutive snapshots share the areas the edit between them left.
    frame.Options.UndoDepth = 100;
    w->Areas = longDocument(5);
    struct Edit {
        size_t area;
        int kind;  // 0 change a character, 1 drop a line, 2 add an area, 3 drop the last area
    };
    const Edit edits[] = {{0, 0}, {2, 1}, {1, 0}, {0, 2}, {2, 0}, {3, 3}, {1, 1}, {0, 0}};
    std::vector<std::vector<TextArea>> states;
    for (const Edit& e : edits) {
        states.push_back(w->Areas);
        const size_t before = w->UndoCopies.size();
        w->MakeCopyForUndo("Edit");
        ASSERT_EQ(w->UndoCopies.size(), before + 1);
        if (before > 0) {
            // Nothing changed between the two snapshots but the last edit.
            const SnapshotAreas& prev = w->UndoCopies[before - 1].Areas;
            const SnapshotAreas& now = w->UndoCopies[before].Areas;
            size_t shared = 0;
            for (size_t i = 0; i < std::min(prev.size(), now.size()); ++i)
                if (prev.shared(i) == now.shared(i)) ++shared;
            EXPECT_GE(shared + 2, std::min(prev.size(), now.size()));
        }
        TextArea& a = w->Areas[std::min(e.area, w->Areas.size() - 1)];
        switch (e.kind) {
        case 0: a.Lines[7].Chars[0].Code ^= 1; break;
        case 1: a.Lines.erase(a.Lines.begin() + 3); break;
        case 2: w->Areas.push_back(a); break;
        default: w->Areas.pop_back(); break;
        }
    }
    const std::vector<TextArea> last = w->Areas;
    for (size_t k = states.size(); k-- > 0;) {
        w->RestoreCopyFromUndo(0);
        ASSERT_TRUE(w->Areas == states[k]) << "undo to state " << k;
    }
    for (size_t k = 1; k < states.size(); ++k) {
        w->RestoreBeforeRestoreCopyFromUndo(0);
        ASSERT_TRUE(w->Areas == states[k]) << "redo to state " << k;
    }
    w->RestoreBeforeRestoreCopyFromUndo(0);
    EXPECT_TRUE(w->Areas == last);
}
