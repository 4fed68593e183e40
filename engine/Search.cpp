// Find, replace and go to page. A search slides a window as long as the
// search text over the characters the document walkers hand out; the window
// holds each character's position, so a match knows where it starts and
// ends. A replacement is typed through the key handler, so it replaces the
// selected match and is undone like typing.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "engine/SearchDialog.h"
#include "engine/TextBounds.h"
#include "platform/MessageBox.h"
#include "platform/Win1252.h"

#include <deque>

namespace quillet {

namespace {

constexpr std::string_view kFinished = "The search has been finished.";
constexpr std::string_view kSearchCaption = "Search";

class NoSearchDialog final : public SearchDialogUi {
public:
    int32_t runSearchDialog(SearchFormModel&) override { return SearchFormModel::kCancel; }
};

struct Slot {
    uint8_t Code = 0;
    TextPos Pos;
};

// The sliding window: at most n characters of the walk, in document order.
class SearchWindow {
public:
    SearchWindow(std::string pattern, bool caseSensitive) : Pattern(std::move(pattern)), Caps(caseSensitive)
    {
        if (!Caps)
            for (char& c : Pattern) c = char(ansiUpper(uint8_t(c)));
    }

    void clear() { Slots.clear(); }
    void append(uint8_t code, TextPos p)
    {
        Slots.push_back({fold(code), p});
        while (Slots.size() > Pattern.size()) Slots.pop_front();
    }
    void prepend(uint8_t code, TextPos p)
    {
        Slots.push_front({fold(code), p});
        while (Slots.size() > Pattern.size()) Slots.pop_back();
    }
    bool matches() const
    {
        if (Slots.size() != Pattern.size()) return false;
        for (size_t i = 0; i < Slots.size(); ++i)
            if (Slots[i].Code != uint8_t(Pattern[i])) return false;
        return true;
    }
    const std::deque<Slot>& slots() const { return Slots; }

private:
    uint8_t fold(uint8_t c) const { return Caps ? c : ansiUpper(c); }
    std::string Pattern;
    bool Caps;
    std::deque<Slot> Slots;
};

// The last page body of the main flow: what "the end of the document" means
// for a backward search. Footers and frames come later in the area array,
// but a search that starts there would never reach the body's text.
int32_t lastBodyArea(const std::vector<TextArea>& areas)
{
    if (areas.empty()) return -1;
    return chainLast(areas, 0);
}

} // namespace

SearchDialogUi* searchDialogOf(TMDIChild& w)
{
    static NoSearchDialog none;
    if (w.SearchDialogs) return w.SearchDialogs;
    if (auto* frame = dynamic_cast<SearchDialogUi*>(w.Ui)) return frame;
    return &none;
}

SearchFormModel& TMDIChild::searchForm()
{
    if (!SearchState) SearchState = std::make_shared<SearchFormModel>();
    return *SearchState;
}

bool TMDIChild::SearchStep(std::string_view text, uint8_t caps, uint8_t words, uint8_t back, TextPos start)
{
    std::string pattern(text);
    const bool padded = words && pattern.find(' ') == std::string::npos;
    if (padded) pattern = " " + pattern + " ";
    if (pattern.empty() || Areas.empty()) return false;
    SearchWindow win(pattern, caps != 0);

    TextWalker walk(start);
    ClampPosition(Areas, walk.Pos);
    bool first = true;
    TextPos prev{-1, -1, -1};
    for (;;) {
        const TextPos p = walk.Pos;
        const TextLine* ln = lineAt(Areas, p);
        if (ln && p.Char >= 0 && p.Char < ln->CharCount()) {
            const bool newLine = first || p.Area != prev.Area || p.Line != prev.Line;
            const int32_t last = ln->CharCount() - 1;
            if (!back) {
                if (p.Char == 0 && newLine && startsParagraph(Areas, p.Area, p.Line)) {
                    win.clear();
                    if (padded) win.append(' ', p);
                }
            } else if (p.Char == last && newLine && textEndsHere(Areas, p.Area, p.Line)) {
                win.clear();
                if (padded) win.prepend(' ', TextPos{p.Area, p.Line, ln->CharCount()});
            }
            const TextChar& c = ln->Chars[size_t(p.Char)];
            if (c.Kind != ckText) {
                win.clear();
            } else if (!back) {
                win.append(c.Code, p);
            } else {
                win.prepend(c.Code, p);
            }
            bool hit = win.matches();
            if (!hit && padded) {
                if (!back && p.Char == last && textEndsHere(Areas, p.Area, p.Line)) {
                    win.append(' ', TextPos{p.Area, p.Line, ln->CharCount()});
                    hit = win.matches();
                } else if (back && p.Char == 0 && startsParagraph(Areas, p.Area, p.Line)) {
                    win.prepend(' ', p);
                    hit = win.matches();
                }
            }
            if (hit) {
                const auto& s = win.slots();
                Anchor = s[padded ? 1 : 0].Pos;
                Cursor = s.back().Pos;
                if (!padded) GoCharRight();
                CaretAtLineEnd = 0;
                return true;
            }
            first = false;
            prev = p;
        }
        if (!(back ? getPrevsChar(walk) : getnextchar(walk))) return false;
    }
}

void TMDIChild::SuchenErsetzen(int32_t mode)
{
    SearchFormModel& form = searchForm();
    form.Page = std::clamp(mode, 0, 2);
    for (TextArea& a : Areas) a.Visited = 0;
    // Replacements are their own undo step, never part of the typing before.
    TypingRun = 0;

    bool firstSearch = true;  // no search of this run has run yet
    bool found = false;       // the last search of this run found a match
    bool textGiven = false;
    bool replacingAll = false;
    bool typedAny = false;
    // Where the last step left the selection, its start first.
    struct Ends {
        TextPos Anchor, Cursor;
    } left{TextPos{-1, -1, -1}, TextPos{-1, -1, -1}};
    auto finish = [&](bool message) {
        WalkAllAreas = 0;
        if (typedAny) RefreshDirtyContent();
        if (message) messageBoxes().show(kFinished, kSearchCaption, MsgIcon::Information, MsgButtons::Ok);
    };

    for (;;) {
        const int32_t result = replacingAll ? SearchFormModel::kReplaceAll : searchDialogOf(*this)->runSearchDialog(form);
        if (result == SearchFormModel::kGoToPage) {
            GoToPageNumber(std::clamp(form.PageNo, SearchFormModel::kMinPage, SearchFormModel::kMaxPage));
            continue;
        }
        const bool replacePage = result == SearchFormModel::kReplace || result == SearchFormModel::kSearchAgain ||
                                 result == SearchFormModel::kReplaceAll;
        if (result != SearchFormModel::kFindAgain && !replacePage) {
            finish(textGiven);
            return;
        }
        const SearchFormModel::Options& o = form.Opts[replacePage ? 1 : 0];
        const std::string text = replacePage ? form.Find2 : form.Find1;
        if (text.empty()) {
            finish(false);
            return;
        }
        textGiven = true;

        const bool replace = result == SearchFormModel::kReplace || result == SearchFormModel::kReplaceAll;
        if (replace && found) {
            ReplaceSelection(replacePage ? form.Replace : text);
            typedAny = true;
            if (Anchor == Cursor) left = {Anchor, Cursor};
        }

        TextPos start;
        if (firstSearch) {
            WalkAllAreas = o.Whole;
            if (o.Start) {
                start = TextPos{0, 0, 0};
                if (o.Back) {
                    const int32_t a = lastBodyArea(Areas);
                    const int32_t l = a >= 0 ? Areas[size_t(a)].LineCount() - 1 : 0;
                    const TextLine* ln = lineAt(Areas, a, l);
                    start = TextPos{std::max(a, 0), std::max(l, 0), ln ? std::max(0, ln->CharCount() - 1) : 0};
                }
            } else if (isThereAmarking()) {
                FindMarkingStart();
                start = o.Back ? MarkingEnd : MarkingStart;
            } else {
                start = Cursor;
            }
        } else {
            // Later searches go on past the last match, so a match is never
            // found twice in a row and matches never overlap. While the caret
            // and anchor are still those the last step left, their order is
            // known (the anchor first, or both at the end of a replacement):
            // ordering them again would walk the whole flow chain once per
            // match, which made replacing all quadratic in the page count.
            if (!(Anchor == left.Anchor && Cursor == left.Cursor)) {
                FindMarkingStart();
                left = {MarkingStart, MarkingEnd};
            }
            start = o.Back ? left.Anchor : left.Cursor;
            if (o.Back) {
                TextWalker w(start);
                if (!getPrevsChar(w)) {
                    found = false;
                    finish(true);
                    return;
                }
                start = w.Pos;
            }
        }
        firstSearch = false;
        found = SearchStep(text, o.Caps, o.Words, o.Back, start);
        left = {Anchor, Cursor};
        if (!found) {
            finish(true);
            return;
        }
        if (result == SearchFormModel::kReplaceAll) {
            replacingAll = true;
        } else {
            Host->restartTimer2();
            ScrollCursorinView();
        }
    }
}

void TMDIChild::ReplaceSelection(std::string_view replacement)
{
    if (replacement.empty()) {
        // Typing nothing would leave the match: delete it as the first
        // typed key would have.
        if (!TypingRun || LastEditKind != 0) MakeCopyForUndo("Input");
        TypingRun = 1;
        LastEditKind = 0;
        DeleteMarking();
        Anchor = Cursor;
        return;
    }
    const uint8_t oldNoRefresh = NoRefresh;
    NoRefresh = 1;
    for (char ch : replacement) {
        uint8_t k = uint8_t(ch);
        getkeysKeyPress(k);
    }
    NoRefresh = oldNoRefresh;
}

void TMDIChild::GoToPageNumber(int32_t page)
{
    if (Areas.empty()) return;
    int32_t a = 0;
    for (int32_t guard = 0; guard < AreaCount(); ++guard) {
        if (Areas[size_t(a)].PageIndex + 1 == page) break;
        const int32_t next = chainNext(Areas, a);
        if (next < 0) break;
        a = next;
    }
    Cursor = Anchor = TextPos{a, 0, 0};
    CaretAtLineEnd = 0;
    Host->restartTimer2();
    ScrollCursorinView();
}

} // namespace quillet
