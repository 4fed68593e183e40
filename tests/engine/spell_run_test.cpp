// The spell-check run scripted through its dialog model, and the page
// popup's spelling items.

#include "engine/Childwin.h"
#include "engine/SpellCheckDialog.h"
#include "language/WordList.h"
#include "platform/MessageBox.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
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

// One answer per question: the result code and, for a change, the text.
struct Answer {
    int32_t Result;
    std::string Replacement;
};

struct ScriptedSpelling : SpellCheckUi {
    std::vector<Answer> answers;
    std::vector<std::string> asked;
    int32_t runSpellCheckDialog(SpellCheckModel& m) override
    {
        asked.push_back(m.Unknown);
        EXPECT_EQ(m.Replacement, m.Unknown);
        if (asked.size() > answers.size()) return SpellCheckModel::kCancel;
        const Answer& a = answers[asked.size() - 1];
        if (!a.Replacement.empty()) m.Replacement = a.Replacement;
        return a.Result;
    }
};

class SpellRun : public test::TypingWindow {
protected:
    SpellRun()
    {
        setMessageBoxes(&boxes);
        resetWords();
        w.SpellCheckDialogs = &dialog;
        // Each test its own folder: ctest runs them side by side.
        dir = test::freshTestDir("spell_run");
        frame.StateDir = dir;
    }
    ~SpellRun() override { setMessageBoxes(nullptr); }

    // The word list as the program started: learnt and ignored words gone.
    void resetWords()
    {
        known.clear();
        for (const char* word : {"the", "cat", "sat", "on", "a", "mat", "and", "Ein", "und", "Ausgang"})
            known.append(word);
        known.sortByKey();
        w.CurrentWordList = &known;
    }

    void typeText(std::string_view s)
    {
        for (char c : s) {
            if (c == '\n') key(VK_RETURN);
            else if (c == '|') key(VK_RETURN, ssShift);
            else type(std::string_view(&c, 1));
        }
    }

    std::string body()
    {
        std::string s;
        for (const TextLine& l : w.Areas[0].Lines) {
            s += text(l);
            if (l.EndKind == ekParagraph) s += '\n';
            if (l.EndKind == ekLineBreak) s += '|';
        }
        return s;
    }

    Boxes boxes;
    ScriptedSpelling dialog;
    WordList known;
    std::filesystem::path dir;
};

TEST_F(SpellRun, AnswersAreApplied)
{
    using M = SpellCheckModel;
    struct Case {
        const char* name;
        const char* doc;
        std::vector<Answer> answers;
        std::vector<std::string> asked;
        const char* expect;
    };
    const std::vector<Case> cases = {
        {"all known", "the cat sat", {}, {}, "the cat sat"},
        {"digits are never asked", "the 3rd cat", {}, {}, "the 3rd cat"},
        {"change shorter", "the caat sat", {{M::kChange, "cat"}}, {"caat"}, "the cat sat"},
        {"change longer", "the ct sat", {{M::kChange, "cat"}}, {"ct"}, "the cat sat"},
        {"change at the end", "the ct", {{M::kChange, "catty"}}, {"ct"}, "the catty"},
        {"ignore asks again", "teh teh", {{M::kIgnore, ""}, {M::kIgnore, ""}}, {"teh", "teh"}, "teh teh"},
        {"never change asks once", "teh teh", {{M::kNeverChange, ""}}, {"teh"}, "teh teh"},
        {"always change", "teh cat teh", {{M::kAlwaysChange, "the"}}, {"teh"}, "the cat the"},
        {"cancel ends the run", "teh xyz", {{M::kCancel, ""}}, {"teh"}, "teh xyz"},
        {"line break ends a word", "cat|sat", {}, {}, "cat|sat"},
        {"dashes are no words", "a - b -- cat", {{M::kIgnore, ""}}, {"b"}, "a - b -- cat"},
        {"hyphenated halves", "Ein- und Ausgang", {}, {}, "Ein- und Ausgang"},
        {"paragraphs", "cat\nmaat\nsat", {{M::kChange, "mat"}}, {"maat"}, "cat\nmat\nsat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.Areas.resize(1);
        w.Areas[0].Lines.resize(1);
        InitNewLine(w.Areas[0].Lines, 0);
        w.Cursor = w.Anchor = TextPos{};
        typeText(c.doc);
        w.FreeAllUndoCops();
        const std::string before = body();
        resetWords();
        dialog.answers = c.answers;
        dialog.asked.clear();
        boxes.texts.clear();
        w.Rechtschreibpruefung(1);
        EXPECT_EQ(dialog.asked, c.asked);
        EXPECT_EQ(body(), c.expect);
        EXPECT_EQ(boxes.texts, std::vector<std::string>{"Spell check: The document has been spell checked."});
        EXPECT_TRUE(w.AlwaysChangeFrom.empty());
        EXPECT_EQ(w.WalkAllAreas, 0);
        // Every change is an undo step of its own that brings the word back.
        while (w.UndoPos > 0) w.RestoreCopyFromUndo(0);
        EXPECT_EQ(body(), before);
    }
}

TEST_F(SpellRun, FromTheCursorStartsAtTheWordUnderIt)
{
    typeText("teh mxt fxo");
    w.Cursor = w.Anchor = TextPos{0, 0, 5};
    dialog.answers = {{SpellCheckModel::kIgnore, ""}, {SpellCheckModel::kIgnore, ""}};
    w.Rechtschreibpruefung(0);
    EXPECT_EQ(dialog.asked, (std::vector<std::string>{"mxt", "fxo"}));
}

TEST_F(SpellRun, WordsAcrossASoftWrapAreOneWord)
{
    // Two lines that end softly: the word goes on in the second.
    w.Areas[0].Lines.resize(2);
    InitNewLine(w.Areas[0].Lines, 1);
    putChars(w.Areas[0].Lines[0], "the ca");
    w.Areas[0].Lines[0].EndKind = ekSoft;
    putChars(w.Areas[0].Lines[1], "aat");
    dialog.answers = {{SpellCheckModel::kChange, "cat"}};
    w.NoRefresh = 1;
    w.Rechtschreibpruefung(1);
    EXPECT_EQ(dialog.asked, std::vector<std::string>{"caaat"});
}

TEST_F(SpellRun, LearnSavesTheUserDictionary)
{
    typeText("qwz qwz");
    dialog.answers = {{SpellCheckModel::kLearn, ""}};
    w.Rechtschreibpruefung(1);
    EXPECT_EQ(dialog.asked, std::vector<std::string>{"qwz"});
    ASSERT_TRUE(frame.UserDict);
    EXPECT_EQ(frame.UserDict->words(), std::vector<std::string>{"qwz"});
    WordList saved;
    ASSERT_TRUE(LoadUserDict(dir / "user.spe", saved));
    EXPECT_EQ(saved.words(), std::vector<std::string>{"qwz"});
}

TEST_F(SpellRun, PopupItemsActOnTheWordAtTheCursor)
{
    typeText("the kat sat");
    w.Cursor = w.Anchor = TextPos{0, 0, 5};
    w.SuggestionList = {"cat", "kit"};
    w.PopupItemChosen(PopupItem{PopupItem::Suggestion, 101, "kit"});
    EXPECT_EQ(body(), "the kit sat");
    EXPECT_EQ(w.UndoCopies[size_t(w.UndoPos - 1)].Label, "Spell check");
    // A tag past the list names nothing.
    w.PopupItemChosen(PopupItem{PopupItem::Suggestion, 107, "x"});
    EXPECT_EQ(body(), "the kit sat");
    w.PopupItemChosen(PopupItem{PopupItem::IgnoreWord, 99, "Ignore"});
    EXPECT_TRUE(w.istwortkorrekt("kit", 1));
    ASSERT_TRUE(frame.IgnoreList);
    EXPECT_EQ(frame.IgnoreList->words(), std::vector<std::string>{"kit"});
}

} // namespace
