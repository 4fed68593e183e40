// The spell-check run: the document walked word by word, every word the
// word list does not know put to the spell-check dialog, and the answer
// applied. The page popup's spelling items act on the word at the cursor
// with the same learn, ignore and replace steps.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "engine/SpellCheckDialog.h"
#include "engine/TextBounds.h"
#include "language/WordList.h"
#include "platform/MessageBox.h"
#include "platform/Win1252.h"

namespace quillet {

namespace {

constexpr std::string_view kSpellChecked = "The document has been spell checked.";
constexpr std::string_view kSpellCaption = "Spell check";
constexpr std::string_view kSpellUndo = "Spell check";

class NoSpellCheckDialog final : public SpellCheckUi {
public:
    int32_t runSpellCheckDialog(SpellCheckModel&) override { return SpellCheckModel::kCancel; }
};

bool isWordChar(const TextChar& c) { return c.Kind == ckText && (isAnsiAlnum(c.Code) || c.Code == '-'); }

// A word as collected, with the place of each of its characters.
struct Collected {
    std::string Word;
    std::vector<TextPos> At;
    void clear()
    {
        Word.clear();
        At.clear();
    }
};

// Dashes around a word are punctuation, not part of it ("Ein- und
// Ausgang", "a - b"); a word left without letters is not checked at all.
bool trimForLookup(Collected& w)
{
    size_t b = 0, e = w.Word.size();
    while (b < e && w.Word[b] == '-') ++b;
    while (e > b && w.Word[e - 1] == '-') --e;
    w.Word = w.Word.substr(b, e - b);
    w.At = std::vector<TextPos>(w.At.begin() + std::ptrdiff_t(b), w.At.begin() + std::ptrdiff_t(e));
    for (char c : w.Word)
        if (isAnsiLetter(uint8_t(c))) return true;
    return false;
}

// Restores a flag of the window when the scope ends.
struct FlagRestore {
    uint8_t& Flag;
    uint8_t Old;
    FlagRestore(uint8_t& flag, uint8_t value) : Flag(flag), Old(flag) { Flag = value; }
    ~FlagRestore() { Flag = Old; }
};

} // namespace

SpellCheckUi* spellCheckDialogOf(TMDIChild& w)
{
    static NoSpellCheckDialog none;
    if (w.SpellCheckDialogs) return w.SpellCheckDialogs;
    if (auto* frame = dynamic_cast<SpellCheckUi*>(w.Ui)) return frame;
    return &none;
}

void TMDIChild::LearnWord(std::string_view word)
{
    if (word.empty()) return;
    if (!Frame.UserDict) Frame.UserDict = std::make_shared<WordList>();
    Frame.UserDict->append(std::string(word));
    SaveUserDict(Frame.writableDir() / "user.spe", *Frame.UserDict);
    addwordtowordlist(word);
}

void TMDIChild::IgnoreWord(std::string_view word)
{
    if (word.empty()) return;
    if (!Frame.IgnoreList) Frame.IgnoreList = std::make_shared<WordList>();
    Frame.IgnoreList->append(std::string(word));
    addwordtowordlist(word);
}

void TMDIChild::ReplaceWordAt(const std::vector<TextPos>& at, std::string_view replacement)
{
    if (at.empty()) return;
    for (const TextPos& p : at)
        if (!lineAt(*this, p) || p.Char < 0 || p.Char >= lineAt(*this, p)->CharCount()) return;
    const size_t kept = std::min(at.size(), replacement.size());
    // The characters both words share are rewritten in place, so each keeps
    // its format and a word broken by a soft wrap stays where it is.
    for (size_t i = 0; i < kept; ++i) {
        TextLine& l = *lineAt(*this, at[i]);
        TextChar& c = l.Chars[size_t(at[i].Char)];
        c.Code = uint8_t(replacement[i]);
        SettingOpsB(c.Flags, cfMisspelt, false);
        RenderChar(c, false, replacement.substr(i, 1));
        l.Dirty = 1;
        l.Memo.SpellKey = 0;
    }
    InvalidateMarking();
    const TextPos last = at.back();
    if (replacement.size() > at.size()) {
        // The rest goes in after the word, in the format of its last letter.
        Cursor = Anchor = TextPos{last.Area, last.Line, last.Char + 1};
        OvertakeFont();
        FlagRestore typing(ProgramTyping, 1);
        FlagRestore quiet(NoRefresh, 1);
        for (size_t i = at.size(); i < replacement.size(); ++i) {
            uint8_t k = uint8_t(replacement[i]);
            getkeysKeyPress(k);
        }
    } else if (replacement.size() < at.size()) {
        Anchor = at[kept];
        Cursor = TextPos{last.Area, last.Line, last.Char + 1};
        DeleteMarking();
    } else {
        Cursor = TextPos{last.Area, last.Line, last.Char + 1};
    }
    Anchor = Cursor;
    CaretAtLineEnd = 0;
}

int32_t TMDIChild::CheckWord(std::string word, const std::vector<TextPos>& at)
{
    if (istwortkorrekt(word, 1)) return 0;
    SpellCheckModel m;
    m.Unknown = word;
    findewortvorschlaege(word);
    m.Suggestions = SuggestionList;
    m.Replacement = word;
    int32_t result = -1;
    for (size_t i = 0; i < AlwaysChangeFrom.size() && i < AlwaysChangeTo.size(); ++i)
        if (AlwaysChangeFrom[i] == word) {
            result = SpellCheckModel::kChange;
            m.Replacement = AlwaysChangeTo[i];
            break;
        }
    if (result < 0) result = spellCheckDialogOf(*this)->runSpellCheckDialog(m);
    switch (result) {
    case SpellCheckModel::kLearn: LearnWord(word); return 0;
    case SpellCheckModel::kNeverChange: IgnoreWord(word); return 0;
    case SpellCheckModel::kIgnore: return 0;
    case SpellCheckModel::kChange:
    case SpellCheckModel::kAlwaysChange:
        MakeCopyForUndo(kSpellUndo);
        TypingRun = 0;
        if (result == SpellCheckModel::kAlwaysChange) {
            AlwaysChangeFrom.push_back(word);
            AlwaysChangeTo.push_back(m.Replacement);
        }
        ReplaceWordAt(at, m.Replacement);
        RefreshDirtyContent();
        return 1;
    default: return 2;
    }
}

void TMDIChild::Rechtschreibpruefung(uint8_t wholeDoc)
{
    if (Areas.empty()) return;
    TextPos start{0, 0, 0};
    if (!wholeDoc) {
        if (isThereAmarking()) {
            FindMarkingStart();
            start = MarkingStart;
        } else {
            start = Cursor;
        }
        ClampPosition(Areas, start);
        // Back to the start of the word under the cursor, never past the
        // start of its paragraph.
        FlagRestore stay(WalkAllAreas, 0);
        for (;;) {
            if (start.Char == 0 && startsParagraph(Areas, start.Area, start.Line)) break;
            TextWalker back(start);
            if (!getPrevsChar(back)) break;
            const TextLine* l = lineAt(Areas, back.Pos);
            if (!l || back.Pos.Char < 0 || back.Pos.Char >= l->CharCount()) break;
            if (!isWordChar(l->Chars[size_t(back.Pos.Char)])) break;
            start = back.Pos;
        }
    }
    for (TextArea& a : Areas) a.Visited = 0;
    if (validIndex(start.Area, Areas.size())) Areas[size_t(start.Area)].Visited = 1;

    {
        FlagRestore allAreas(WalkAllAreas, 1);
        TextWalker walk(start);
        Collected word;
        TextPos prev{-1, -1, -1};
        // 0 go on, 1 the word was replaced (the walk goes on after it), 2 cancelled.
        auto check = [&]() -> int32_t {
            Collected w = word;
            word.clear();
            if (w.Word.empty() || !trimForLookup(w)) return 0;
            return CheckWord(w.Word, w.At);
        };
        int32_t state = 0;
        for (;;) {
            const TextPos p = walk.Pos;
            const TextLine* l = lineAt(Areas, p);
            if (l && p.Char >= 0 && p.Char < l->CharCount()) {
                const bool newLine = p.Area != prev.Area || p.Line != prev.Line;
                prev = p;
                if (p.Char == 0 && newLine && startsParagraph(Areas, p.Area, p.Line)) state = check();
                if (state == 0) {
                    const TextChar& c = l->Chars[size_t(p.Char)];
                    if (isWordChar(c)) {
                        word.Word.push_back(char(c.Code));
                        word.At.push_back(p);
                    } else {
                        state = check();
                    }
                }
                if (state == 2) break;
                if (state == 1) {
                    state = 0;
                    walk = TextWalker(Cursor);
                    prev = TextPos{-1, -1, -1};
                    continue;
                }
            }
            if (!getnextchar(walk)) break;
        }
        if (state != 2) check();
    }
    WalkAllAreas = 0;
    AlwaysChangeFrom.clear();
    AlwaysChangeTo.clear();
    messageBoxes().show(kSpellChecked, kSpellCaption, MsgIcon::Information, MsgButtons::Ok);
}

void TMDIChild::LearnActualWord()
{
    std::string word;
    GetActualWord(0, word);
    LearnWord(word);
    if (TextLine* l = lineAt(*this, Cursor)) l->Dirty = 1;
    RefreshDirtyContent();
}

void TMDIChild::IgnorActualWord()
{
    std::string word;
    GetActualWord(0, word);
    IgnoreWord(word);
    if (TextLine* l = lineAt(*this, Cursor)) l->Dirty = 1;
    RefreshDirtyContent();
}

void TMDIChild::CorrectActualWord(int32_t tag)
{
    const int32_t index = tag - 100;
    // The popup's items come from the suggestions of its own moment; a tag
    // past the list names nothing.
    if (index < 0 || size_t(index) >= SuggestionList.size()) return;
    const std::string replacement = SuggestionList[size_t(index)];
    std::string word;
    GetActualWord(1, word);
    if (word.empty()) return;
    std::vector<TextPos> at{Cursor};
    {
        FlagRestore stay(WalkAllAreas, 0);
        TextWalker walk(Cursor);
        while (at.size() < word.size() && getnextchar(walk)) at.push_back(walk.Pos);
    }
    if (at.size() != word.size()) return;
    MakeCopyForUndo(kSpellUndo);
    TypingRun = 0;
    ReplaceWordAt(at, replacement);
    RefreshDirtyContent();
}

void TMDIChild::SpellingPopupAction(const PopupItem& item)
{
    switch (item.Kind) {
    case PopupItem::LearnWord: LearnActualWord(); break;
    case PopupItem::IgnoreWord: IgnorActualWord(); break;
    case PopupItem::Suggestion: CorrectActualWord(item.Tag); break;
    default: break;
    }
}

} // namespace quillet
