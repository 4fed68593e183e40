// Find, replace and go to page, driven through the dialog model the way a
// user presses its buttons; and the word count over hand-built documents.

#include "engine/Childwin.h"
#include "engine/SearchDialog.h"
#include "platform/MessageBox.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillet;

namespace {

struct Boxes : MessageBoxes {
    std::vector<std::string> texts;
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon, MsgButtons) override
    {
        texts.push_back(std::string(caption) + ": " + std::string(text));
        return MsgResult::Ok;
    }
};

// Presses the dialog's buttons in order; Cancel once the script is done.
struct ScriptedSearch : SearchDialogUi {
    std::vector<int32_t> presses;
    size_t next = 0;
    int shown = 0;
    int32_t runSearchDialog(SearchFormModel&) override
    {
        ++shown;
        return next < presses.size() ? presses[next++] : SearchFormModel::kCancel;
    }
};

class Search : public test::TypingWindow {
protected:
    Search()
    {
        setMessageBoxes(&boxes);
        w.SearchDialogs = &dialog;
    }
    ~Search() override { setMessageBoxes(nullptr); }

    // Paragraphs of the body, typed; "\n" is Enter.
    void typeText(std::string_view s)
    {
        for (char c : s) {
            if (c == '\n') key(VK_RETURN);
            else type(std::string_view(&c, 1));
        }
    }

    // A fresh document holding `doc`; the dialog script and the boxes emptied.
    void reset(std::string_view doc)
    {
        w.Areas.resize(1);
        w.Areas[0].Lines.resize(1);
        InitNewLine(w.Areas[0].Lines, 0);
        w.Cursor = w.Anchor = TextPos{};
        w.FreeAllUndoCops();
        typeText(doc);
        dialog.next = 0;
        boxes.texts.clear();
    }

    std::string body()
    {
        std::string s;
        for (int32_t a = 0; a >= 0; a = w.Areas[size_t(a)].NextInFlow)
            for (const TextLine& l : w.Areas[size_t(a)].Lines) {
                s += text(l);
                if (l.EndKind == ekParagraph) s += '\n';
            }
        return s;
    }

    std::string selected()
    {
        w.FindMarkingStart();
        std::string s;
        TextPos p = w.MarkingStart;
        const TextPos e = w.MarkingEnd;
        while (!(p.Area == e.Area && p.Line == e.Line && p.Char >= e.Char)) {
            const TextLine& l = w.Areas[size_t(p.Area)].Lines[size_t(p.Line)];
            if (p.Char < l.CharCount()) s.push_back(char(l.Chars[size_t(p.Char)].Code));
            if (++p.Char > l.CharCount()) {
                if (p.Line + 1 >= w.Areas[size_t(p.Area)].LineCount()) break;
                ++p.Line;
                p.Char = 0;
            }
        }
        return s;
    }

    Boxes boxes;
    ScriptedSearch dialog;
};

TEST_F(Search, FindsWithTheOptionsAsGiven)
{
    struct Case {
        const char* name;
        const char* doc;
        const char* find;
        SearchFormModel::Options opts;
        int presses;        // "Find again" presses
        TextPos cursor;     // where the search starts
        const char* expect; // the selected text after the last press, "" when nothing was found
        int32_t anchorChar; // where the selection starts in its line
    };
    using O = SearchFormModel::Options;
    const std::vector<Case> cases = {
        {"plain", "the cat sat", "cat", O{}, 1, {0, 0, 0}, "cat", 4},
        {"case folded", "the CAT sat", "cat", O{}, 1, {0, 0, 0}, "CAT", 4},
        {"case kept", "the CAT sat", "cat", O{1, 0, 0, 0, 0}, 1, {0, 0, 0}, "", -1},
        {"accented letters fold", "gro\xdf \xc9t\xe9", "\xe9t\xc9", O{}, 1, {0, 0, 0}, "\xc9t\xe9", 5},
        {"inside a longer word", "concatenate", "cat", O{}, 1, {0, 0, 0}, "cat", 3},
        {"whole word skips a longer word", "concatenate cat", "cat", O{0, 1, 0, 0, 0}, 1, {0, 0, 0}, "cat", 12},
        {"whole word at a paragraph start", "cat\nx", "cat", O{0, 1, 0, 0, 0}, 1, {0, 0, 0}, "cat", 0},
        {"whole word before a paragraph end", "a cat\nx", "cat", O{0, 1, 0, 0, 0}, 1, {0, 0, 0}, "cat", 2},
        {"not across a paragraph end", "ab\ncd", "bc", O{}, 1, {0, 0, 0}, "", -1},
        {"second press finds the next", "cat cat", "cat", O{}, 2, {0, 0, 0}, "cat", 4},
        {"one letter moves on", "aXa", "a", O{}, 2, {0, 0, 0}, "a", 2},
        {"no overlapping matches", "aaa", "aa", O{}, 2, {0, 0, 0}, "", -1},
        {"from the cursor", "cat cat", "cat", O{}, 1, {0, 0, 1}, "cat", 4},
        {"start at the beginning", "cat cat", "cat", O{0, 0, 1, 0, 0}, 1, {0, 0, 5}, "cat", 0},
        {"backward from the cursor", "cat dog cat", "cat", O{0, 0, 0, 1, 0}, 1, {0, 0, 7}, "cat", 0},
        {"backward twice", "cat cat cat", "cat", O{0, 0, 0, 1, 0}, 2, {0, 0, 11}, "cat", 4},
        {"backward from the end of the body", "cat x cat", "cat", O{0, 0, 1, 1, 0}, 1, {0, 0, 0}, "cat", 6},
        {"backward whole word", "cats cat", "cat", O{0, 1, 0, 1, 0}, 1, {0, 0, 8}, "cat", 5},
        {"whole word again past a paragraph end", "cat x\ncat y cat", "cat", O{0, 1, 0, 0, 0}, 3, {0, 0, 0}, "cat", 6},
        {"backward whole word three times", "cat cat cat cat", "cat", O{0, 1, 0, 1, 0}, 3, {0, 0, 15}, "cat", 4},
        {"again and again", "ab ab ab ab", "ab", O{}, 4, {0, 0, 0}, "ab", 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset(c.doc);
        w.Cursor = w.Anchor = c.cursor;
        SearchFormModel& m = w.searchForm();
        m.Find1 = c.find;
        m.Opts[0] = c.opts;
        dialog.presses.assign(size_t(c.presses), SearchFormModel::kFindAgain);
        w.SuchenErsetzen(0);
        EXPECT_EQ(w.WalkAllAreas, 0);
        if (*c.expect == 0) {
            EXPECT_EQ(boxes.texts, std::vector<std::string>{"Search: The search has been finished."});
            continue;
        }
        EXPECT_EQ(selected(), c.expect);
        EXPECT_EQ(std::min(w.Anchor.Char, w.Cursor.Char), c.anchorChar);
    }
}

TEST_F(Search, ReplaceAllEndsAndIsOneUndoStep)
{
    struct Case {
        const char* name;
        const char* doc;
        const char* find;
        const char* with;
        uint8_t words;
        const char* expect;
    };
    const std::vector<Case> cases = {
        {"simple", "a cat and a cat\nthe cat", "cat", "dog", 0, "a dog and a dog\nthe dog"},
        {"replacement holds the text", "cat cat", "cat", "catcat", 0, "catcat catcat"},
        {"empty replacement deletes", "xaxbx", "x", "", 0, "ab"},
        {"whole words only", "cat cats cat", "cat", "dog", 1, "dog cats dog"},
        {"longer replacement", "ab ab", "ab", "abcdefgh", 0, "abcdefgh abcdefgh"},
        {"whole words at paragraph edges", "cat\ncat cat\ncat", "cat", "dog", 1, "dog\ndog dog\ndog"},
        {"shorter replacement side by side", "abcabc abc", "abc", "x", 0, "xx x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset(c.doc);
        const std::string before = body();
        w.Cursor = w.Anchor = TextPos{};
        w.TypingRun = 1;  // the user's own typing must not join the replacement
        SearchFormModel& m = w.searchForm();
        m.Find2 = c.find;
        m.Replace = c.with;
        m.Opts[1] = SearchFormModel::Options{0, c.words, 1, 0, 0};
        dialog.presses = {SearchFormModel::kSearchAgain, SearchFormModel::kReplaceAll};
        w.SuchenErsetzen(1);
        EXPECT_EQ(body(), c.expect);
        const int32_t steps = w.UndoPos;
        ASSERT_GE(steps, 1);
        w.RestoreCopyFromUndo(0);
        EXPECT_EQ(body(), before);
    }
}

TEST_F(Search, ReplaceFirstFindsThenReplaces)
{
    typeText("one two one");
    w.Cursor = w.Anchor = TextPos{};
    SearchFormModel& m = w.searchForm();
    m.Find2 = "one";
    m.Replace = "1";
    dialog.presses = {SearchFormModel::kReplace};
    w.SuchenErsetzen(1);
    EXPECT_EQ(body(), "one two one");
    EXPECT_EQ(selected(), "one");
    dialog.next = 0;
    dialog.presses = {SearchFormModel::kReplace, SearchFormModel::kReplace};
    w.SuchenErsetzen(1);
    EXPECT_EQ(body(), "1 two one");
    EXPECT_EQ(selected(), "one");
}

TEST_F(Search, EmptyTextEndsSilentlyAndTheFormKeepsItsState)
{
    SearchFormModel& m = w.searchForm();
    m.Find1 = "";
    dialog.presses = {SearchFormModel::kFindAgain};
    w.SuchenErsetzen(0);
    EXPECT_TRUE(boxes.texts.empty());
    m.Find1 = "kept";
    m.Opts[0].Caps = 1;
    dialog.next = 0;
    w.SuchenErsetzen(2);
    EXPECT_EQ(w.searchForm().Find1, "kept");
    EXPECT_EQ(w.searchForm().Opts[0].Caps, 1);
    EXPECT_EQ(w.searchForm().Page, 2);
}

TEST_F(Search, HeadersAreSearchedOnlyOnAllFields)
{
    w.CreateHeaderFooter();
    int32_t header = -1;
    for (int32_t a = 0; a < w.AreaCount(); ++a)
        if (w.Areas[size_t(a)].AreaType == atHeader) header = a;
    ASSERT_GE(header, 0);
    putChars(w.Areas[size_t(header)].Lines[0], "needle");
    SearchFormModel& m = w.searchForm();
    m.Find1 = "needle";
    for (uint8_t all : {0, 1}) {
        SCOPED_TRACE(int(all));
        w.Cursor = w.Anchor = TextPos{};
        m.Opts[0] = SearchFormModel::Options{0, 0, 0, 0, all};
        dialog.next = 0;
        dialog.presses = {SearchFormModel::kFindAgain};
        w.SuchenErsetzen(0);
        EXPECT_EQ(w.Cursor.Area == header, all == 1);
        EXPECT_EQ(w.WalkAllAreas, 0);
    }
}

TEST_F(Search, GoToPageFollowsTheMainFlow)
{
    typeText("one");
    uint16_t k = VK_RETURN;
    w.getkeysKeyDown(k, ssCtrl);
    typeText("two");
    ASSERT_GE(w.AreaCount(), 2);
    for (auto [page, expectPage] : std::vector<std::pair<int32_t, int32_t>>{{1, 0}, {2, 1}, {3, 1}, {0, 0}}) {
        SCOPED_TRACE(page);
        w.searchForm().PageNo = page;
        dialog.next = 0;
        dialog.presses = {SearchFormModel::kGoToPage};
        w.SuchenErsetzen(2);
        EXPECT_EQ(w.Areas[size_t(w.Cursor.Area)].PageIndex, expectPage);
        EXPECT_EQ(w.Areas[size_t(w.Cursor.Area)].AreaType, atPageBody);
        EXPECT_EQ(w.Cursor, w.Anchor);
        EXPECT_EQ(w.Cursor.Char, 0);
    }
}

} // namespace
