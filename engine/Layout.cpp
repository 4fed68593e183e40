// The layout pass. Stored lines are joined where they belong together, every
// dirty line is broken at the width it has (tabs, hyphenation, soft hyphens),
// heights and list numbers are set and misspelt words marked; the page-flow
// steps then distribute the lines over the areas of each flow.
//
// Widths are never measured here: every character carries the width it was
// measured with. Only an empty line asks a font for the height of a space.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "engine/LineSpan.h"

#include "platform/Units.h"
#include "platform/Win1252.h"
#include "platform/SelFont.h"

#include "language/WordList.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <iterator>
#include <string>
#include <utility>

namespace quillet {

namespace {

// Walks over a long area that follow each other alternate their direction
// where the order does not matter: a walk that begins where the one before
// it ended finds those lines still in the cache. This one follows placement.
bool anyLineDirty(const std::vector<TextArea>& areas)
{
    for (auto a = areas.rbegin(); a != areas.rend(); ++a)
        for (auto l = a->Lines.rbegin(); l != a->Lines.rend(); ++l)
            if (l->Dirty) return true;
    return false;
}

// Follow-up passes of one pass, and passes in a row that may hand marked
// lines on to the next one.
constexpr int32_t kMaxFollowUps = 8;
constexpr int32_t kMaxCarryOvers = 3;
// Cell indexes come from files: a damaged one must not size the counter table.
constexpr int32_t kMaxNumCounter = 4095;
// A cell's rest at least this long is carried down its row instead of
// moved into every line it fills; a shorter one costs less to move than an
// array of its own would.
constexpr int32_t kCarryAtLeast = 256;
// Word lengths that automatic hyphenation takes on.
constexpr size_t kMinHyphenWord = 3;
constexpr size_t kMaxHyphenWord = 25;

bool isTextCode(const TextChar& c, uint8_t code) { return c.Kind == ckText && c.Code == code; }

// Codes 13..15: the line ends of a joined table cell, kept inline.
bool isInlineEnd(const TextChar& c) { return c.Kind == ckText && c.Code >= 13 && c.Code <= 15; }

bool hasSoftHyphen(const TextChar& c) { return GettingOpsB(c.Flags, cfSoftHyphen) != 0; }

// Where a word ends for hyphenation: spaces, tabs and inline line ends.
bool endsHyphenWord(const TextChar& c)
{
    return c.Kind == ckText && (c.Code == ' ' || c.Code == 9 || (c.Code >= 13 && c.Code <= 15));
}

// Letters of a word for the spelling marks.
bool isSpellChar(const TextChar& c)
{
    return c.Kind == ckText && (isAnsiAlnum(c.Code) || c.Code == '-');
}

// The lines of the area being broken, by logical index. The array is a gap
// buffer: the walked lines stand at the front, the unwalked ones at the back,
// and between them lie holes. The joins leave the lines they removed in
// place, marked; the walk closes those holes as it goes and fills them with
// the lines that breaking inserts, so re-breaking one paragraph moves only
// the lines around it. When the inserts outrun the holes, the array is
// moved once into a larger one with a gap sized by the breaks seen so far:
// lines are large, and a second array for the rest or a doubled one would
// hold the area's lines three or four times over while the text of a long
// file is broken.
class AreaLines {
public:
    AreaLines(std::vector<TextLine>& lines, std::vector<uint8_t> removed)
        : v_(lines), removed_(std::move(removed))
    {
        pending_ = int32_t(v_.size());
        for (size_t i = 0; i < std::min(removed_.size(), v_.size()); ++i) pending_ -= removed_[i];
    }
    AreaLines(const AreaLines&) = delete;
    AreaLines& operator=(const AreaLines&) = delete;

    int32_t count() const { return live() + pending_; }
    // Lines 0 .. live() - 1 stand at their own index in the area's array.
    int32_t live() const { return int32_t(g_); }

    // Makes line i live; false when the area has no line i.
    // The walk asks for lines already live many times a line: that answer
    // stays inline, and only pulling lines in is a call. (Left to itself,
    // the compiler stops inlining these once the file grows.)
    [[gnu::always_inline]] bool reach(int32_t i)
    {
        if (i < 0) return false;
        return size_t(i) < g_ || pullTo(size_t(i));
    }

    [[gnu::always_inline]] TextLine& operator[](int32_t i)
    {
        if (i >= 0 && size_t(i) >= g_) pullTo(size_t(i));
        return v_[size_t(i)];
    }

    // Inserts `n` empty lines before line `at` (0 <= at <= count()).
    void insert(int32_t at, int32_t n)
    {
        reach(at - 1);
        const size_t from = size_t(at);
        // A paragraph broken again mostly takes as many lines as it was
        // joined from, and those lines follow it: they become the holes the
        // new lines fill, so nothing behind them moves.
        while (r_ - g_ < size_t(n) && r_ < v_.size() && isRemoved(r_)) ++r_;
        if (r_ - g_ < size_t(n)) widenGap(size_t(n));
        std::move_backward(v_.begin() + std::ptrdiff_t(from), v_.begin() + std::ptrdiff_t(g_),
                           v_.begin() + std::ptrdiff_t(g_ + size_t(n)));
        for (int32_t k = 0; k < n; ++k) clearKeepingRoom(v_[from + size_t(k)]);
        for (int32_t k = 0; k < n; ++k) InitNewLine(v_, at + k);
        g_ += size_t(n);
        inserted_ += size_t(n);
    }

    void finish()
    {
        while (pullOne()) {}
        v_.erase(v_.begin() + std::ptrdiff_t(g_), v_.end());
    }

private:
    [[gnu::noinline]] bool pullTo(size_t i)
    {
        while (g_ <= i)
            if (!pullOne()) return false;
        return true;
    }

    bool isRemoved(size_t r) const { return r < removed_.size() && removed_[r]; }

    // Makes `l` a fresh line; the room its characters had stays with it, so
    // the text that breaking moves into it needs no new memory.
    static void clearKeepingRoom(TextLine& l)
    {
        std::vector<TextChar> room = std::move(l.Chars);
        room.clear();
        l = TextLine{};
        l.Chars = std::move(room);
    }

    bool pullOne()
    {
        while (r_ < v_.size()) {
            const size_t r = r_++;
            // A joined line (its characters went up) becomes a hole; it is
            // overwritten or dropped later.
            if (isRemoved(r)) continue;
            --pending_;
            ++pulled_;
            if (r != g_) v_[g_] = std::move(v_[r]);
            ++g_;
            return true;
        }
        return false;
    }

    // Moves the lines into a new array whose gap holds at least `n` lines
    // and, as far as the breaks walked so far tell, the inserts still to
    // come; the holes and the removed lines are dropped on the way.
    [[gnu::noinline]] void widenGap(size_t n)
    {
        const size_t rest = size_t(pending_);
        size_t gap = std::max<size_t>(16, (g_ + rest) / 8);
        if (pulled_ >= 256) {
            const double perLine = double(inserted_) / double(pulled_);
            gap = std::max(gap, size_t(perLine * double(rest) * 1.1));
        }
        gap = std::max(gap, n);

        std::vector<TextLine> wider;
        wider.reserve(g_ + gap + rest);
        for (size_t i = 0; i < g_; ++i) wider.push_back(std::move(v_[i]));
        wider.resize(g_ + gap);
        for (size_t r = r_; r < v_.size(); ++r)
            if (!isRemoved(r)) wider.push_back(std::move(v_[r]));
        v_.swap(wider);
        wider = std::vector<TextLine>();
        removed_.clear();
        r_ = g_ + gap;
    }

    std::vector<TextLine>& v_;
    std::vector<uint8_t> removed_;  // by index in v_ as the joins left it
    size_t g_ = 0;                  // live lines
    size_t r_ = 0;                  // next unwalked line in v_; v_[g_, r_) are holes
    int32_t pending_ = 0;           // unwalked lines left in v_
    size_t pulled_ = 0;             // unwalked lines made live
    size_t inserted_ = 0;           // lines breaking inserted
};

// The lines of an area by logical index, stepping over the lines a join
// marked as removed. Walks that count lines by index (the spelling marks)
// see the area as if the holes were closed, without a line being moved.
class LiveLines {
public:
    LiveLines(std::vector<TextLine>& lines, const std::vector<uint8_t>& removed) : v_(lines)
    {
        if (removed.empty()) return;
        mapped_ = true;
        at_.reserve(lines.size());
        for (size_t i = 0; i < lines.size(); ++i)
            if (!(i < removed.size() && removed[i])) at_.push_back(int32_t(i));
    }

    int32_t size() const { return int32_t(mapped_ ? at_.size() : v_.size()); }
    TextLine& operator[](int32_t i) { return v_[mapped_ ? size_t(at_[size_t(i)]) : size_t(i)]; }
    const TextLine& operator[](int32_t i) const { return v_[mapped_ ? size_t(at_[size_t(i)]) : size_t(i)]; }

private:
    std::vector<TextLine>& v_;
    bool mapped_ = false;
    std::vector<int32_t> at_;  // array index of each logical line
};

// ---- Joining ----------------------------------------------------------------

// How many lines ahead the assembly of joined lines asks for the lines they take.
constexpr int32_t kJoinsAhead = 8;

// One join: line `From` (with everything joined into it before) goes to the
// end of the line it joins, after the inline end character when there is one.
struct JoinStep {
    int32_t From = 0;
    int32_t Next = -1;       // next join into the same line, in join order
    bool HasInline = false;
    TextChar Inline;
};

// Joins run from the last line up, and a line that takes others may itself
// be joined into its predecessor later. Moving the characters at every join
// would move a long paragraph's text once per line; instead the joins are
// recorded and each surviving line is assembled once at the end. The joined
// lines stay in the array, emptied; the result marks them (empty: none).
std::vector<uint8_t> joinLines(TMDIChild& w, int32_t area)
{
    std::vector<TextLine>& lines = w.Areas[size_t(area)].Lines;
    const int32_t n = int32_t(lines.size());

    std::vector<JoinStep> steps;
    std::vector<int32_t> length;     // characters each line holds after the joins so far
    std::vector<int32_t> first, last;  // first and last join into each line
    std::vector<uint8_t> removed;
    int32_t inlineFont = -1;

    for (int32_t f = n - 1; f >= 1; --f) {
        TextLine& fl = lines[size_t(f)];
        const int32_t q = f - cellsOf(fl);
        if (q < 0) continue;
        TextLine& ql = lines[size_t(q)];
        if (fl.RowFirstRun || ql.RowLastRun) continue;
        if (!((ql.EndKind == ekSoft && ql.Dirty) || (ql.IsCell && fl.IsCell))) continue;

        if (steps.empty()) {
            length.resize(size_t(n));
            for (int32_t i = 0; i < n; ++i) length[size_t(i)] = lines[size_t(i)].CharCount();
            first.assign(size_t(n), -1);
            last.assign(size_t(n), -1);
            removed.assign(size_t(n), 0);
        }

        JoinStep step;
        step.From = f;
        int32_t offset = length[size_t(q)];
        // A cell's own line end survives the join as an inline character; it
        // carries the format of the paragraph that follows it.
        if (ql.EndKind >= ekParagraph && ql.EndKind <= ekPageBreak) {
            if (inlineFont < 0) inlineFont = w.GetNewFontIndex(FontEntryFromState(w.FontState));
            step.HasInline = true;
            step.Inline.Kind = ckText;
            step.Inline.Code = uint8_t(12 + ql.EndKind);
            step.Inline.setFontIndex(inlineFont);
            if (ql.EndKind != ekLineBreak) step.Inline.ParaCopy() = fl.Para;
            ++offset;
        }
        length[size_t(q)] = offset + length[size_t(f)];

        ql.Dirty = 1;
        ql.EndKind = fl.EndKind;
        ql.RowLastRun = fl.RowLastRun;
        if (ql.AnchorId == 0 && fl.AnchorId != 0) ql.AnchorId = fl.AnchorId;

        const int32_t id = int32_t(steps.size());
        steps.push_back(std::move(step));
        if (last[size_t(q)] < 0) first[size_t(q)] = id;
        else steps[size_t(last[size_t(q)])].Next = id;
        last[size_t(q)] = id;
        removed[size_t(f)] = 1;

        // Positions on F now stand where its characters begin in Q; lines
        // below F move up. Lines above F are not looked at again, so the
        // removal itself can wait until all joins are known.
        w.PositionsLineRemoved(area, f, q, offset);
    }
    if (steps.empty()) return {};

    // Assemble every line that took others: its own characters, then each
    // joined line in join order, depth first.
    std::vector<std::pair<int32_t, int32_t>> stack;  // (line, next join to visit)
    for (int32_t r = 0; r < n; ++r) {
        // The lines a line takes lie far below it (a table row's later runs
        // a row's length away): in an area too long for the cache each is a
        // miss, so the lines two joins deep are asked for some lines ahead.
        if (r + kJoinsAhead < n && first[size_t(r + kJoinsAhead)] >= 0) {
            const int32_t a = steps[size_t(first[size_t(r + kJoinsAhead)])].From;
            __builtin_prefetch(&lines[size_t(a)]);
            if (first[size_t(a)] >= 0) __builtin_prefetch(&lines[size_t(steps[size_t(first[size_t(a)])].From)]);
        }
        if (removed[size_t(r)] || first[size_t(r)] < 0) continue;
        // The line's own characters stay where they are; its array grows
        // once to the whole paragraph.
        std::vector<TextChar>& out = lines[size_t(r)].Chars;
        out.reserve(size_t(length[size_t(r)]));
        auto take = [&](int32_t line) {
            std::vector<TextChar>& own = lines[size_t(line)].Chars;
            out.insert(out.end(), std::make_move_iterator(own.begin()), std::make_move_iterator(own.end()));
            // Its room goes back at once, for the lines that breaking
            // makes: held to the end of the pass, the rooms of every joined
            // line and of every joined paragraph would be there together.
            std::vector<TextChar>().swap(own);
        };
        stack.assign(1, {r, first[size_t(r)]});
        while (!stack.empty()) {
            const int32_t id = stack.back().second;
            if (id < 0) {
                stack.pop_back();
                continue;
            }
            JoinStep& s = steps[size_t(id)];
            stack.back().second = s.Next;
            if (s.HasInline) out.push_back(std::move(s.Inline));
            take(s.From);
            stack.push_back({s.From, first[size_t(s.From)]});
        }
    }

    return removed;
}

// ---- Spelling marks ---------------------------------------------------------

// The line that continues a soft-wrapped line's text, or -1.
int32_t softContinuation(const LiveLines& lines, int32_t line)
{
    const TextLine& l = lines[line];
    if (l.EndKind != ekSoft || (l.IsCell && l.RowLastRun)) return -1;
    const int32_t next = line + cellsOf(l);
    if (next >= lines.size() || lines[next].RowFirstRun) return -1;
    return next;
}

// What the spelling walk reads of a line beyond its characters: whether a
// word may run on into the next line, and where that line is. The memo
// keeps it, so that a line moved about or re-ended is checked again.
constexpr uint32_t kShapeFields = (1u << 23) - 1;
constexpr uint32_t kShapeUnfit = ~0u;
constexpr uint32_t kFirstInWord = 1u << 28;  // the first character is a word letter
constexpr uint32_t kLastInWord = 1u << 29;
constexpr uint32_t kWordFromPrev = 1u << 30;  // a word runs in from the line before
constexpr uint32_t kWordToNext = 1u << 31;

uint32_t spellShape(const TextLine& l)
{
    const int32_t n = cellsOf(l);
    if (n >= (1 << 20)) return kShapeUnfit;
    return uint32_t(l.EndKind == ekSoft) | uint32_t(l.IsCell && l.RowLastRun) << 1 |
           uint32_t(l.RowFirstRun != 0) << 2 | uint32_t(n) << 3;
}

// The word-list state marks are checked against: revisions start above 1.
uint64_t spellKey(const TMDIChild& w) { return w.CurrentWordList ? w.CurrentWordList->revision() : 1; }

// The codes that make up a word for the spelling marks, looked up once per
// code rather than classified anew for each of a long text's characters.
struct SpellCodes {
    std::array<bool, 256> in{};
    SpellCodes()
    {
        for (int c = 0; c < 256; ++c) in[size_t(c)] = isAnsiAlnum(uint8_t(c)) || c == '-';
    }
};

constexpr uint8_t kMisspeltBit = uint8_t(1u << cfMisspelt);

// Marks the misspelt words of the lines of one group: lines that words run
// across (a soft wrap or a hyphenation cut them), in order. A word is checked
// whole, not as fragments that are each unknown. Every character's mark is
// set once: cleared where no word stands, and as its word's lookup says.
void checkGroup(TMDIChild& w, LiveLines& lines, const std::vector<int32_t>& group)
{
    static const SpellCodes codes;
    auto inWord = [](const TextChar& c) { return c.Kind == ckText && codes.in[c.Code]; };
    auto mark = [](TextChar* from, TextChar* to, bool misspelt) {
        for (TextChar* c = from; c != to; ++c)
            c->Flags = misspelt ? uint8_t(c->Flags | kMisspeltBit) : uint8_t(c->Flags & ~kMisspeltBit);
    };

    struct Piece {
        int32_t Line, From, To;
    };
    std::vector<Piece> pieces;
    std::vector<int32_t> taken(group.size(), 0);  // leading characters checked with the line before
    std::string word;

    for (size_t k = 0; k < group.size(); ++k) {
        const int32_t li = group[k];
        TextChar* chars = lines[li].Chars.data();
        const int32_t count = int32_t(lines[li].Chars.size());
        int32_t i = taken[k];
        while (i < count) {
            if (!inWord(chars[i])) {
                chars[i].Flags = uint8_t(chars[i].Flags & ~kMisspeltBit);
                ++i;
                continue;
            }
            const int32_t from = i;
            word.clear();
            while (i < count && inWord(chars[i])) word.push_back(char(chars[i++].Code));
            pieces.assign(1, Piece{li, from, i});

            for (size_t cur = k, at = size_t(i); at == lines[group[cur]].Chars.size() && cur + 1 < group.size();) {
                const int32_t next = group[cur + 1];
                const std::vector<TextChar>& nc = lines[next].Chars;
                int32_t j = 0;
                while (j < int32_t(nc.size()) && inWord(nc[size_t(j)])) word.push_back(char(nc[size_t(j++)].Code));
                if (j == 0) break;
                taken[cur + 1] = j;
                pieces.push_back(Piece{next, 0, j});
                ++cur;
                at = size_t(j);
            }

            const bool misspelt = !w.istwortkorrekt(word, 1);
            for (const Piece& p : pieces) {
                TextChar* pc = lines[p.Line].Chars.data();
                mark(pc + p.From, pc + p.To, misspelt);
            }
        }
    }
}

// Every word of every line is looked up on every pass in principle; a group
// of lines whose characters, line ends and neighbours are unchanged since
// its marks were set against the same word list would get the same marks
// again, so it keeps them. Lines changed by an edit or by breaking are
// dirty, or have lost their memo (forgetChangedLines).
void markSpelling(TMDIChild& w, int32_t area, const std::vector<uint8_t>& removed)
{
    LiveLines lines(w.Areas[size_t(area)].Lines, removed);
    const int32_t n = lines.size();
    const uint64_t key = spellKey(w);

    const size_t count = static_cast<size_t>(n);
    std::vector<uint32_t> state(count);  // shape and edge bits as found now
    std::vector<uint8_t> known(count);   // the memo holds
    std::vector<int32_t> next(count), prev(count, -1);
    for (int32_t l = 0; l < n; ++l) {
        const TextLine& line = lines[l];
        const uint32_t shape = spellShape(line);
        const LineMemo& m = line.Memo;
        const bool memo = !line.Dirty && m.SpellKey == key && m.SpellChars == line.CharCount() &&
                          shape != kShapeUnfit && (m.SpellShape & kShapeFields) == shape;
        uint32_t edges = 0;
        if (memo) {
            edges = m.SpellShape & (kFirstInWord | kLastInWord);
        } else if (!line.Chars.empty()) {
            if (isSpellChar(line.Chars.front())) edges |= kFirstInWord;
            if (isSpellChar(line.Chars.back())) edges |= kLastInWord;
        }
        state[size_t(l)] = (shape == kShapeUnfit ? 0 : shape) | edges;
        known[size_t(l)] = memo;
        const int32_t nx = softContinuation(lines, l);
        next[size_t(l)] = nx;
        if (nx >= 0) prev[size_t(nx)] = l;
    }
    for (int32_t l = 0; l < n; ++l) {
        const int32_t nx = next[size_t(l)];
        if (nx >= 0 && (state[size_t(l)] & kLastInWord) && (state[size_t(nx)] & kFirstInWord)) {
            state[size_t(l)] |= kWordToNext;
            state[size_t(nx)] |= kWordFromPrev;
        }
    }
    for (int32_t l = 0; l < n; ++l) {
        const uint32_t links = kWordFromPrev | kWordToNext;
        if (known[size_t(l)] && (lines[l].Memo.SpellShape & links) != (state[size_t(l)] & links))
            known[size_t(l)] = 0;
    }

    std::vector<int32_t> group;
    for (int32_t h = 0; h < n; ++h) {
        if (state[size_t(h)] & kWordFromPrev) continue;
        group.clear();
        bool check = prev[size_t(h)] >= 0 && !known[size_t(prev[size_t(h)])];
        for (int32_t g = h;; g = next[size_t(g)]) {
            group.push_back(g);
            check = check || !known[size_t(g)];
            if (!(state[size_t(g)] & kWordToNext)) break;
        }
        const int32_t after = next[size_t(group.back())];
        check = check || (after >= 0 && !known[size_t(after)]);
        if (check) checkGroup(w, lines, group);
        for (int32_t g : group) {
            TextLine& line = lines[g];
            const bool fits = spellShape(line) != kShapeUnfit;
            line.Memo.SpellKey = fits ? key : 0;
            line.Memo.SpellChars = line.CharCount();
            line.Memo.SpellShape = state[size_t(g)];
        }
    }
}

// A line that was dirty during the pass may have been joined, split or
// edited after what the memo says was found: it is looked at again. The
// pass is then done with the mark, and it is cleared at the same time.
void forgetIfChanged(TextLine& l)
{
    if (!l.Dirty) return;
    l.Memo = LineMemo{};
    l.Dirty = 0;
}

// Areas that layout does not break (drawings, pictures) are not walked:
// their lines are seen to here.
bool brokenByLayout(const TextArea& a) { return a.AreaType <= atTextFrame; }

// ---- Breaking ---------------------------------------------------------------

// The width of a line's column in an area whose text is `text` wide.
double columnWidthIn(double text, const TextLine& line)
{
    if (line.ColumnCount <= 1) return text;
    return (text - (line.ColumnCount - 1) * line.ColumnGap) / line.ColumnCount;
}

// What walking a line's characters found: where it stopped (an overflowing
// character or an inline line end; -1 for neither) and the tallest height
// of the characters it passed (-1 for none).
struct WalkResult {
    int32_t Over = -1;
    int32_t InlineEnd = -1;
    double Tallest = -1;
};

// A tab's width at position x: to the first stop beyond x, less the text
// that a centred, right or decimal stop pulls back; else to the next
// default step.
void setTabWidth(const AbsatzFormat& para, TextChar* chars, int32_t count, int32_t i, double x)
{
    TextChar& tab = chars[i];
    for (const TabStop& stop : para.Tabs) {
        if (!(stop.Position > x)) continue;
        double width = stop.Position - x;
        tab.TabLeader = stop.Leader;
        if (stop.Kind >= 1 && stop.Kind <= 3) {
            // The text pulled back ends at the next tab, the decimal comma
            // or a joined cell's inline line end (what follows that is
            // another paragraph).
            double text = 0;
            for (int32_t j = i + 1; j < count; ++j) {
                const TextChar& c = chars[j];
                if (c.Kind == ckText && (c.Code == 9 || (stop.Kind == 3 && c.Code == ',') || isInlineEnd(c))) break;
                text += c.Width;
            }
            width -= stop.Kind == 1 ? text / 2 : text;
            if (!(width > 0)) width = 0;
        }
        tab.Width = width;
        return;
    }
    // A paragraph without a usable default step gets the standard one
    // rather than a division by zero.
    double step = para.DefaultTabStep;
    if (!(step > 0) || !std::isfinite(step)) step = 12.5;
    tab.Width = (std::trunc(x / step) + 1) * step - x;
    tab.TabLeader = 0;
}

// The heights a walk settled in a row, lines [Start, Next), and the tallest
// of them (by std::max from minus infinity, as the run's walk would take
// them in turn).
struct RunHeights {
    int32_t Start = -1, Next = -1;
    double Tallest = -HUGE_VAL;
};

// Per-pass state of the breaking walk.
struct BreakWalk {
    TMDIChild& w;
    int32_t area;
    AreaLines lines;

    BreakWalk(TMDIChild& win, int32_t a, std::vector<uint8_t> removed)
        : w(win), area(a), lines(win.Areas[size_t(a)].Lines, std::move(removed)), textWidth(win.AreaTextWidth(a))
    {
    }

    // The area's text width: the walk changes no geometry, and finding it
    // takes divisions that every line would repeat.
    const double textWidth;

    // The weights of the last table run asked about. Every cell of a run
    // asks for their sum: adding them up again for each cell would cost the
    // square of the run's cells. Lines inserted before the run's end move
    // its lines, so they forget it.
    struct RunWeights {
        int32_t Start = -1, Cells = 0;
        double Sum = 0;
    } runWeights;
    std::vector<double> weights;  // of the run being summed, reused
    // Lines up to here (exclusive) are broken whatever their mark: they
    // stand in a table run one of whose cells is marked.
    int32_t markedUntil = 0;
    // The heights settled so far in the run being broken, so that its last
    // cell need not walk back over the run to find the tallest.
    RunHeights runHeights;
    // The largest spaces above and below among the cells of the run being
    // walked, lines [Start, Next) so far. Placement asks for them at the
    // run's first line; finding them here, where every cell's format is
    // read anyway, spares it a walk over the whole run, which in a row too
    // long for the cache costs a miss per cell.
    struct RunSpaceScan {
        int32_t Start = -1, End = -1, Next = -1;
        double Above = 0, Below = 0;
        uint16_t AboveAt = LineMemo::kRunSpacingNone, BelowAt = LineMemo::kRunSpacingNone;
    } runSpace;

    // The rest of a long cell on its way down the row. A cell that
    // overflows hands the text beyond its break to its line in the run
    // below, where the walk breaks it again: moved into that line each
    // time, a long cell's text would be moved once for every line it
    // fills. Instead the rest stays in one array, and each line the walk
    // breaks it on takes only the characters that stay on that line. A
    // line with a rest on its way holds no characters of its own until the
    // walk reaches it. One rest per cell of the run, ordered by line: they
    // are made at the line below the one being broken, and the walk reaches
    // them in that order.
    struct CarriedRest {
        int32_t Line = 0;
        int32_t From = 0;  // the rest is Chars[From ..]
        std::vector<TextChar> Chars;
    };
    std::deque<CarriedRest> carried;

    // A line's characters as the walk sees them: its own, or its rest.
    struct CharSpan {
        TextChar* Data;
        int32_t Count;
    };
    // Most tables carry nothing: those answers stay inline.
    CharSpan charsOf(int32_t f, TextLine& l)
    {
        if (carried.empty()) return CharSpan{l.Chars.data(), l.CharCount()};
        return carriedCharsOf(f, l);
    }
    std::deque<CarriedRest>::iterator carriedAt(int32_t f)
    {
        return carried.empty() ? carried.end() : findCarried(f);
    }
    void settleCarried(int32_t f)
    {
        if (!carried.empty()) settleCarriedAt(f);
    }
    [[gnu::noinline]] CharSpan carriedCharsOf(int32_t f, TextLine& l);
    [[gnu::noinline]] std::deque<CarriedRest>::iterator findCarried(int32_t f);
    [[gnu::noinline]] void settleCarriedAt(int32_t f);
    [[gnu::noinline]] int32_t handOnRest(int32_t f, int32_t x, int32_t e, int32_t keep, int32_t& moved);

    bool startsParagraph(int32_t f);
    void number(int32_t f, bool start);
    double runWeightSum(int32_t start, int32_t n);
    double availableWidth(int32_t f);
    WalkResult walk(const AbsatzFormat& para, TextChar* chars, int32_t count, double x, double limit);
    int32_t chooseBreak(const TextChar* chars, int32_t count, int32_t over, uint8_t& hyphenAfter);
    void movePositions(int32_t f, int32_t e, int32_t to, bool atBreakToo);
    void split(int32_t f, int32_t e, int32_t kind);
    void splitChain(int32_t f, int32_t e, double limit);
    void breakLine(int32_t f, bool start);
    void dirtyWholeRun(int32_t f);
    void startRunSpacing(int32_t f);
    void scanRunSpacing(int32_t f);
    void inserted(int32_t at, int32_t n);
    void run();
};

// A line's height from the tallest character its walk passed, by its
// paragraph's line spacing.
double lineSpacing(TMDIChild& w, const AbsatzFormat& para, double tallest)
{
    double h = tallest;
    // A line with nothing walked (empty, or only a joined cell's line end)
    // still needs a height: that of a space.
    if (!(h >= 0)) h = w.LayoutSpaceHeight();
    switch (para.LineSpacingMode) {
    case 0: h *= para.LineSpacing; break;
    case 1: h = std::max(h, para.LineSpacing); break;
    case 2: h = para.LineSpacing; break;
    default: break;
    }
    return h;
}

// Height of line `line` from the tallest character its walk passed, with its
// line spacing; the last cell of a table run gives all the run's cells the
// tallest height among them. Only lines below `count` are looked at. A walk
// that settles lines in order passes `known`: when it holds the heights of
// exactly the lines before the last cell, the run is not walked for them.
void settleHeight(TMDIChild& w, std::vector<TextLine>& lines, int32_t count, int32_t line, double tallest,
                  RunHeights* known = nullptr)
{
    count = std::min(count, int32_t(lines.size()));
    if (line < 0 || line >= count) return;
    TextLine& f = lines[size_t(line)];

    double h = lineSpacing(w, f.Para, tallest);
    const int32_t n = cellsOf(f);
    if (n > 1 && f.CellIndex == n - 1) {
        const int32_t start = std::max(0, line - (n - 1));
        const int32_t end = std::min(count, start + n);
        if (known && known->Start == start && known->Next == line && end == line + 1) {
            h = std::max(h, known->Tallest);
        } else {
            for (int32_t r = start; r < end; ++r)
                if (r != line) h = std::max(h, lines[size_t(r)].Height);
        }
        // Backwards: the walk that breaks the lines has just passed the end
        // of the run, which is then still in the cache.
        for (int32_t r = end - 1; r >= start; --r) lines[size_t(r)].Height = h;
        // The run's heights have all changed.
        if (known) *known = RunHeights{};
    } else if (known) {
        if (columnOf(f) == 0) *known = RunHeights{line, line, -HUGE_VAL};
        if (known->Next == line) {
            known->Tallest = std::max(known->Tallest, h);
            ++known->Next;
        }
    }
    f.Height = h;
}

bool BreakWalk::startsParagraph(int32_t f)
{
    const TextLine& l = lines[f];
    if (l.RowFirstRun) return true;
    int32_t pa = area;
    int32_t pl = f - cellsOf(l);
    const TextLine* prev = nullptr;
    if (pl >= 0) {
        prev = &lines[pl];
    } else {
        // The line before the first one of an area lies in the area before
        // it in the flow (only a linked frame's placeholder line has one).
        w.GoToLine(pa, pl);
        if (pa != area) prev = lineAt(w, pa, pl);
    }
    if (!prev) return true;
    return endsParagraph(*prev) || prev->RowLastRun;
}

void BreakWalk::number(int32_t f, bool start)
{
    if (!start) return;
    TextLine& l = lines[f];
    const int32_t cell = std::max(0, l.CellIndex);
    if (l.Para->ListKind == 2) {
        // Written only when it changes: a pass would clone every shared block.
        const int32_t n = w.getNumCounter(cell);
        if (l.Para->ItemNumber != n) l.Para.edit().ItemNumber = n;
        w.setNumCounter(cell, n + 1);
    } else {
        w.setNumCounter(cell, 1);
    }
}

double BreakWalk::runWeightSum(int32_t start, int32_t n)
{
    if (runWeights.Start != start || runWeights.Cells != n) {
        double sum = 0;
        for (int32_t r = start; r < start + n && lines.reach(r); ++r) sum += lines[r].CellWidth;
        runWeights = RunWeights{start, n, sum};
    }
    return runWeights.Sum;
}

double BreakWalk::availableWidth(int32_t f)
{
    const TextLine& l = lines[f];
    double width = columnWidthIn(textWidth, l);
    const int32_t n = cellsOf(l);
    if (n > 1) {
        const int32_t start = std::max(0, f - columnOf(l));
        const double sum = runWeightSum(start, n);
        const TextLine& cell = lines[f];
        const double inner = width - cell.CellInsetLeft - cell.CellInsetRight;
        // Weights that add up to nothing (or to nonsense) share equally.
        width = sum > 0 && std::isfinite(sum) ? inner * cell.CellWidth / sum : inner / n;
    }
    return width - lines[f].Para->RightIndent;
}

WalkResult BreakWalk::walk(const AbsatzFormat& para, TextChar* chars, int32_t count, double x, double limit)
{
    WalkResult r;
    for (int32_t i = 0; i < count; ++i) {
        TextChar& c = chars[i];
        if (isInlineEnd(c)) {
            r.InlineEnd = i;
            // After a paragraph end (or a page break) inside a joined cell
            // comes the paragraph whose format the character carries.
            if (c.Code != 14) w.LayoutPara = c.ParaCopy() ? *c.ParaCopy() : para;
            break;
        }
        if (isTextCode(c, 9)) setTabWidth(para, chars, count, i, x);
        x += c.GapBefore();
        if (i > 0 && !isTextCode(c, ' ') && x + c.Width > limit) {
            r.Over = i;
            break;
        }
        x += c.Width;
        r.Tallest = std::max(r.Tallest, double(c.Height()));
        w.LayoutFontIndex = c.FontIndex();
    }
    return r;
}

int32_t BreakWalk::chooseBreak(const TextChar* chars, int32_t count, int32_t over, uint8_t& hyphenAfter)
{
    int32_t e = over;
    bool autoAllowed = true;
    bool hyphenated = false;

    if (hasSoftHyphen(chars[e])) {
        autoAllowed = false;
        hyphenated = true;
    }
    std::string tail;
    for (int32_t i = e; i < count; ++i) {
        const TextChar& c = chars[i];
        if (c.Kind != ckText || c.Code == '-' || endsHyphenWord(c)) break;
        if (hasSoftHyphen(c)) {
            autoAllowed = false;
            break;
        }
        // A word this long is not hyphenated whatever follows: the rest of
        // a long run of letters is not read on every line it fills.
        if (tail.size() > kMaxHyphenWord) break;
        tail.push_back(char(c.Code));
    }
    std::string head;  // reversed
    int32_t wordStart = e;
    for (int32_t i = e - 1; i >= 0; --i) {
        const TextChar& c = chars[i];
        if (c.Kind != ckText || endsHyphenWord(c)) break;
        if (c.Code == '-') {
            autoAllowed = false;
            break;
        }
        // A soft hyphen on the first character would leave the line empty
        // and the same text would come round again: it is no break point.
        if (hasSoftHyphen(c) && i > 0) {
            autoAllowed = false;
            hyphenated = true;
            e = i;
            break;
        }
        head.push_back(char(c.Code));
        wordStart = i;
    }

    // A break point in the word leaves at least one of its letters on the
    // line and falls before the overflowing character: with fewer than two
    // letters before that, the word has none to offer, and is not looked up.
    if (w.AutoHyphenation && autoAllowed && head.size() >= 2) {
        const std::string word = std::string(head.rbegin(), head.rend()) + tail;
        if (word.size() >= kMinHyphenWord && word.size() <= kMaxHyphenWord) {
            const std::string marked = w.TrenneSilben(word);
            int32_t k = 0;
            for (size_t p = 1; p <= marked.size(); ++p) {
                if (marked[p - 1] != '-') continue;
                const int32_t c = wordStart + int32_t(p) - k - 1;
                ++k;
                if (c < 1 || c >= over) continue;
                const int32_t font = chars[c].FontIndex();
                const bool noHyphen = font >= 0 && font < w.FontCount() &&
                                      GettingOps(w.Fonts[size_t(font)].Options, foNoHyphenation);
                if (!noHyphen) {
                    e = c;
                    hyphenated = true;
                }
            }
        }
    }
    hyphenAfter = hyphenated ? 1 : 0;

    if (!hyphenated) {
        for (int32_t i = e - 1; i >= 0; --i) {
            const TextChar& c = chars[i];
            if (c.Kind != ckText) continue;
            if (c.Code == 9 && i > 0) {
                e = i;
                break;
            }
            if (c.Code == ' ' || c.Code == '-') {
                e = i + 1;
                break;
            }
        }
    }
    // A line keeps at least its first character, so the pass always ends.
    return std::max(e, 1);
}

// Positions on line f from character e on now stand on line `to`, e fewer.
// A position exactly at e goes along unless a caret stands at the end of the
// soft-wrapped line.
void BreakWalk::movePositions(int32_t f, int32_t e, int32_t to, bool atBreakToo)
{
    if (atBreakToo)
        for (TextPos* p : w.StoredPositions())
            if (p->Area == area && p->Line == f && p->Char == e) *p = TextPos{area, to, 0};
    w.PositionsLineSplit(area, f, e, to);
}

// The fields a line of a new run takes from the line of its cell above.
void copyRunFields(TextLine& to, const TextLine& from)
{
    to.EndKind = ekSoft;
    to.RowFirstRun = 0;
    to.IsCell = from.IsCell;
    to.CellsPerRow = from.CellsPerRow;
    to.CellIndex = from.CellIndex;
    to.CellWidth = from.CellWidth;
    to.CellInsetLeft = from.CellInsetLeft;
    to.CellInsetRight = from.CellInsetRight;
    to.Design = from.Design;
    to.Para = from.Para;
    to.ColumnCount = from.ColumnCount;
    to.ColumnRule = from.ColumnRule;
    to.ColumnGap = from.ColumnGap;
}

// A line whose text moved on gives back the room of that text, so the
// room stays with the lines that hold the characters; only a few
// characters' room is not worth the copy.
void giveBackRoom(std::vector<TextChar>& chars)
{
    if (chars.capacity() > chars.size() + chars.size() / 8 + 4) chars.shrink_to_fit();
}

// The characters from `e` on go to the front of line `to`; `from` keeps the
// first `keep` of them (an inline end at keep goes with its format copy).
void moveRest(TextLine& from, TextLine& to, int32_t e, int32_t keep)
{
    to.Chars.insert(to.Chars.begin(), std::make_move_iterator(from.Chars.begin() + e),
                    std::make_move_iterator(from.Chars.end()));
    from.Chars.resize(size_t(keep));
    // Kept, the room of the moved text would stay with every line a long
    // cell fills, the whole rest of the cell's text on each.
    giveBackRoom(from.Chars);
}

// Moves the characters from `e` on into the line below (the same cell one run
// down), inserting a new run when there is no line to take them. A long rest
// is carried rather than moved (see CarriedRest).
void BreakWalk::split(int32_t f, int32_t e, int32_t kind)
{
    const int32_t n = cellsOf(lines[f]);
    const int32_t start = std::max(0, f - columnOf(lines[f]));
    const int32_t oldEnd = lines[f].EndKind;
    int32_t x = f + n;
    const int32_t count = lines.count();
    // A rest already bound for the line below (only where damaged cell
    // counts let two lines reach the same one) is that line's text, and
    // this line's rest goes before it.
    if (x < count) settleCarried(x);

    bool newRun = x >= count || lines[f].RowLastRun;
    if (!newRun) {
        const TextLine& xl = lines[x];
        const bool empty = xl.CharCount() == 0 && xl.EndKind == ekSoft;
        // The cell's line in the run below that holds nothing and ends
        // nothing was put there for another cell's overflow: this cell's
        // rest fills it and takes the line's end. A run of its own for each
        // cell that overflows would leave a gap above the rest of every cell
        // but the last, and give a row of n cells n runs of n lines.
        const bool spare = empty && n > 1 && xl.IsCell && !xl.RowFirstRun && cellsOf(xl) == n &&
                           columnOf(xl) == columnOf(lines[f]);
        if (oldEnd != ekSoft) newRun = !spare;
        else if (kind > 0) newRun = !empty;
    }

    if (newRun) {
        const int32_t at = std::min(start + n, count);
        lines.insert(at, n);
        inserted(at, n);
        w.PositionsLinesInserted(area, at, n);
        for (int32_t k = 0; k < n; ++k) {
            const bool inRun = start + k < at;
            TextLine& src = lines[inRun ? start + k : f];
            TextLine& nl = lines[at + k];
            copyRunFields(nl, src);
            if (!inRun) nl.CellIndex = k;
            nl.RowLastRun = src.RowLastRun;
            src.RowLastRun = 0;
            // Every line of a continuation run is broken in this pass, so the
            // run gets its height (the empty cells included).
            nl.Dirty = 1;
        }
        x = at + (f - start);
    }

    lines.reach(x);
    TextLine& fl = lines[f];
    TextLine& xl = lines[x];
    xl.Dirty = 1;
    // After an inline paragraph end (or a page break inside a cell) the text
    // that moves on is the paragraph that followed it.
    if (kind == ekParagraph || kind == ekPageBreak) xl.Para = std::move(w.LayoutPara);
    if (newRun || oldEnd != ekSoft) xl.EndKind = oldEnd;
    fl.EndKind = kind;

    const int32_t keep = kind > 0 ? e - 1 : e;
    int32_t moved = fl.CharCount() - e;
    int32_t xCount = 0;
    if (carried.empty() && moved < kCarryAtLeast) {
        moveRest(fl, xl, e, keep);
        xCount = xl.CharCount();
    } else {
        xCount = handOnRest(f, x, e, keep, moved);
    }

    w.PositionsCharsInserted(area, x, 0, moved);
    movePositions(f, e, x, kind > 0 || !w.CaretAtLineEnd);
    for (TextPos* p : w.StoredPositions())
        if (p->Area == area && p->Line == x) p->Char = std::clamp(p->Char, 0, xCount);
}

// Hands line f's text from `e` on to line x where that text is, or may
// become, a carried rest; sets `moved` to its length and returns the
// characters line x holds, its rest counted.
int32_t BreakWalk::handOnRest(int32_t f, int32_t x, int32_t e, int32_t keep, int32_t& moved)
{
    TextLine& fl = lines[f];
    TextLine& xl = lines[x];
    const int32_t n = cellsOf(fl);
    const auto rest = findCarried(f);
    const bool fromRest = rest != carried.end();
    if (fromRest) moved = int32_t(rest->Chars.size()) - rest->From - e;
    // A long rest bound for an empty line goes on as a rest. The walk
    // reaches the rests in the order they are kept: a new one comes last.
    const auto carryable = [&] {
        return moved >= kCarryAtLeast && n > 1 && xl.Chars.empty() && (carried.empty() || carried.back().Line < x);
    };
    if (!fromRest && !carryable()) {
        moveRest(fl, xl, e, keep);
        return xl.CharCount();
    }
    std::vector<TextChar> text;
    int32_t from = 0;
    if (fromRest) {
        text = std::move(rest->Chars);
        from = rest->From;
        carried.erase(rest);
    } else {
        text.swap(fl.Chars);
    }
    const auto at = text.begin() + from;
    // An inline end stays behind in the rest's array, format copy and all.
    fl.Chars.assign(std::make_move_iterator(at), std::make_move_iterator(at + keep));
    if (carryable()) {
        carried.push_back(CarriedRest{x, from + e, std::move(text)});
        return moved;
    }
    xl.Chars.insert(xl.Chars.begin(), std::make_move_iterator(at + e), std::make_move_iterator(text.end()));
    return xl.CharCount();
}

auto BreakWalk::findCarried(int32_t f) -> std::deque<CarriedRest>::iterator
{
    const auto it = std::lower_bound(carried.begin(), carried.end(), f,
                                     [](const CarriedRest& r, int32_t line) { return r.Line < line; });
    return it != carried.end() && it->Line == f ? it : carried.end();
}

BreakWalk::CharSpan BreakWalk::carriedCharsOf(int32_t f, TextLine& l)
{
    const auto rest = findCarried(f);
    if (rest == carried.end()) return CharSpan{l.Chars.data(), l.CharCount()};
    return CharSpan{rest->Chars.data() + rest->From, int32_t(rest->Chars.size()) - rest->From};
}

// The rest on its way to line f (if any) becomes the line's characters.
void BreakWalk::settleCarriedAt(int32_t f)
{
    const auto rest = carriedAt(f);
    if (rest == carried.end()) return;
    std::vector<TextChar>& chars = lines[f].Chars;
    chars.insert(chars.begin(), std::make_move_iterator(rest->Chars.begin() + rest->From),
                 std::make_move_iterator(rest->Chars.end()));
    carried.erase(rest);
}

// A line outside tables that overflows into a new line would have the rest
// of its text moved down once per line below it: a long paragraph's text
// many times over. The lines that the rest fills are broken here on the
// line's own characters instead (as each would be when the walk reached it),
// and each takes its characters once. The last of them holds all that is
// left and is broken by the walk in the usual way.
void BreakWalk::splitChain(int32_t f, int32_t e, double limit)
{
    struct Piece {
        int32_t From;
        double Height;
        uint8_t HyphenAfter;
    };
    std::vector<Piece> pieces{{e, 0, 0}};
    {
        TextLine& fl = lines[f];
        TextChar* chars = fl.Chars.data();
        const int32_t count = fl.CharCount();
        for (;;) {
            const int32_t from = pieces.back().From;
            const WalkResult r = walk(fl.Para, chars + from, count - from, fl.Para->LeftIndent, limit);
            if (r.InlineEnd >= 0 || r.Over <= 0) break;
            uint8_t hyphen = 0;
            const int32_t cut = from + chooseBreak(chars + from, count - from, r.Over, hyphen);
            pieces.back().Height = lineSpacing(w, fl.Para, r.Tallest);
            pieces.back().HyphenAfter = hyphen;
            pieces.push_back(Piece{cut, 0, 0});
        }
    }

    const int32_t k = int32_t(pieces.size());
    lines.insert(f + 1, k);
    inserted(f + 1, k);
    w.PositionsLinesInserted(area, f + 1, k);
    lines.reach(f + k);
    TextLine& fl = lines[f];
    const int32_t count = fl.CharCount();
    for (int32_t i = 0; i < k; ++i) {
        TextLine& nl = lines[f + 1 + i];
        copyRunFields(nl, fl);
        const int32_t to = i + 1 < k ? pieces[size_t(i) + 1].From : count;
        nl.Chars.assign(std::make_move_iterator(fl.Chars.begin() + pieces[size_t(i)].From),
                        std::make_move_iterator(fl.Chars.begin() + to));
        const bool last = i + 1 == k;
        nl.Dirty = last;
        nl.Height = last ? fl.Height : pieces[size_t(i)].Height;
        nl.HyphenAfter = last ? 0 : pieces[size_t(i)].HyphenAfter;
    }
    TextLine& lastLine = lines[f + k];
    lastLine.EndKind = fl.EndKind;
    lastLine.RowLastRun = fl.RowLastRun;
    fl.EndKind = ekSoft;
    fl.RowLastRun = 0;
    fl.Chars.resize(size_t(e));
    // The line held the whole paragraph while it was broken. Kept, that room
    // would stay with the line until its paragraph is joined again: after
    // opening a long text, a third more than its characters. Given back,
    // the next paragraphs' lines take it.
    giveBackRoom(fl.Chars);

    // As the splits one after the other would move them: the last cut first.
    for (int32_t i = k - 1; i >= 0; --i) movePositions(f, pieces[size_t(i)].From, f + 1 + i, !w.CaretAtLineEnd);
    for (TextPos* p : w.StoredPositions())
        if (p->Area == area && p->Line > f && p->Line <= f + k)
            p->Char = std::clamp(p->Char, 0, lines[p->Line].CharCount());
}

void BreakWalk::breakLine(int32_t f, bool start)
{
    const double limit = availableWidth(f);
    TextLine& l = lines[f];
    l.HyphenAfter = 0;
    l.Height = -1;
    const double x = l.Para->LeftIndent + (start ? l.Para->FirstLineIndent : 0);
    const CharSpan chars = charsOf(f, l);
    const WalkResult r = walk(l.Para, chars.Data, chars.Count, x, limit);
    l.Height = r.Tallest;
    const int32_t n = cellsOf(l);

    // The last cell settles the run's height from its neighbours.
    lines.reach(std::max(0, f - columnOf(lines[f])) + n - 1);
    settleHeight(w, w.Areas[size_t(area)].Lines, lines.live(), f, r.Tallest, &runHeights);

    if (r.InlineEnd >= 0) {
        split(f, r.InlineEnd + 1, chars.Data[r.InlineEnd].Code - 12);
    } else if (r.Over > 0) {
        TextLine& fl = lines[f];
        const int32_t e = chooseBreak(chars.Data, chars.Count, r.Over, fl.HyphenAfter);
        const bool opensLine = fl.EndKind != ekSoft || f + 1 >= lines.count() || fl.RowLastRun;
        if (n == 1 && opensLine) {
            settleCarried(f);
            splitChain(f, e, limit);
        } else {
            split(f, e, ekSoft);
        }
    }
}

// A dirty cell re-breaks its whole run: the run's last cell settles the
// shared height from its neighbours' fresh heights. The walk marks nothing
// ahead: the lines are marked as it reaches them. The run's weights are
// gathered on the same walk, as its cells will ask for their sum.
//
// The walk goes from the run's end back to its start. The walk before it
// (joining) went up the area and ended at the run's start, and the breaking
// walk that follows begins there: in a run too long for the cache, a walk
// down the run would leave its start the longest unused line when the
// breaking walk wants it first, and every line would be a miss twice.
// The sum is still taken from the first cell on, so it comes out the same.
void BreakWalk::dirtyWholeRun(int32_t f)
{
    const int32_t n = cellsOf(lines[f]);
    const int32_t end = int32_t(std::min<int64_t>(int64_t(f) + n, lines.count()));
    lines.reach(end - 1);
    bool dirty = false;
    weights.resize(size_t(end - f));
    for (int32_t r = end - 1; r >= f; --r) {
        const TextLine& l = lines[r];
        dirty = dirty || l.Dirty;
        weights[size_t(r - f)] = l.CellWidth;
    }
    double sum = 0;
    for (const double weight : weights) sum += weight;
    runWeights = RunWeights{f, n, sum};
    if (dirty) markedUntil = std::max(markedUntil, end);
}

// `n` lines were inserted before line `at`: what the walk keeps by line
// index past that point has moved.
void BreakWalk::inserted(int32_t at, int32_t n)
{
    if (at < runWeights.Start + runWeights.Cells) runWeights = RunWeights{};
    if (at < runHeights.Next) runHeights = RunHeights{};
    if (at < markedUntil) markedUntil += n;
    if (at < runSpace.Next) runSpace = RunSpaceScan{};
    for (auto r = carried.rbegin(); r != carried.rend() && r->Line >= at; ++r) r->Line += n;
}

void BreakWalk::startRunSpacing(int32_t f)
{
    TextLine& l = lines[f];
    l.Memo.RunAboveAt = l.Memo.RunBelowAt = LineMemo::kRunSpacingUnknown;
    runSpace = RunSpaceScan{};
    const int32_t n = cellsOf(l);
    // Places in the run must fit the memo; a longer run is walked by
    // placement as before.
    if (n > int32_t(LineMemo::kRunSpacingNone)) return;
    runSpace.Start = runSpace.Next = f;
    runSpace.End = f + n;
}

// Takes line f's spacing into the run's largest, as placement's walk over
// the run would (a value replaces the largest so far only when it is
// larger: which of equal values wins, and the order, do not matter), and
// leaves the answer on the run's first line with its last cell. Line f's
// format no longer changes in this walk: breaking only sets the formats of
// lines below the run.
void BreakWalk::scanRunSpacing(int32_t f)
{
    if (f != runSpace.Next) return;
    const AbsatzFormat& p = lines[f].Para;
    const uint16_t at = uint16_t(f - runSpace.Start);
    if (runSpace.Above < p.SpaceAbove) {
        runSpace.Above = p.SpaceAbove;
        runSpace.AboveAt = at;
    }
    if (runSpace.Below < p.SpaceBelow) {
        runSpace.Below = p.SpaceBelow;
        runSpace.BelowAt = at;
    }
    if (++runSpace.Next < runSpace.End) return;
    LineMemo& m = lines[runSpace.Start].Memo;
    m.RunAboveAt = runSpace.AboveAt;
    m.RunBelowAt = runSpace.BelowAt;
    runSpace = RunSpaceScan{};
}

void BreakWalk::run()
{
    // An empty line takes the height of a space in the nearest character
    // format before it in the area, else in the current format. (The line
    // is only remembered: looking at its characters costs a cache miss.)
    int32_t lastWithText = -1;
    for (int32_t f = 0; f < lines.count(); ++f) {
        {
            const TextLine& l = lines[f];
            if (cellsOf(l) > 1 && columnOf(l) == 0) {
                dirtyWholeRun(f);
                startRunSpacing(f);
            }
        }
        const bool start = startsParagraph(f);
        number(f, start);
        if (f < markedUntil) lines[f].Dirty = 1;
        if (lines[f].Dirty) {
            w.LayoutFontIndex = lastWithText >= 0 ? lines[lastWithText].Chars.back().FontIndex() : -1;
            breakLine(f, start);
        }
        settleCarried(f);
        if (!lines[f].Chars.empty()) lastWithText = f;
        // Nothing in the walk changes a line it has passed but its height
        // and its run flags, so its mark is done with here rather than on a
        // walk of its own over the area.
        forgetIfChanged(lines[f]);
        scanRunSpacing(f);
    }
    while (!carried.empty()) settleCarried(carried.front().Line);
    lines.finish();
}

// ---- The pass ---------------------------------------------------------------

// The areas in the order the breaking walk takes them: by index, but the
// pages of a flow right after its first page, in flow order, as list numbers
// count on from page to page. (A flow gathered whole leaves its later pages
// empty, where walking them is nothing.)
std::vector<int32_t> walkOrder(const std::vector<TextArea>& areas)
{
    const size_t n = areas.size();
    std::vector<int32_t> order;
    order.reserve(n);
    std::vector<uint8_t> taken(n, 0);
    for (size_t a = 0; a < n; ++a) {
        if (taken[a]) continue;
        taken[a] = 1;
        order.push_back(int32_t(a));
        if (areas[a].PrevInFlow != -1 || areas[a].AreaType != atPageBody) continue;
        size_t budget = n;
        for (int32_t m = areas[a].NextInFlow; validIndex(m, n) && !taken[size_t(m)] && budget > 0; --budget) {
            if (areas[size_t(m)].AreaType != atPageBody) break;
            taken[size_t(m)] = 1;
            order.push_back(m);
            m = areas[size_t(m)].NextInFlow;
        }
    }
    return order;
}

} // namespace

bool TMDIChild::SpellMarksKnown(const TextLine& l) const
{
    if (!Frame.Options.SpellWhileTyping) return true;
    const uint32_t shape = spellShape(l);
    const LineMemo& m = l.Memo;
    return !l.Dirty && m.SpellKey == spellKey(*this) && m.SpellChars == l.CharCount() && shape != kShapeUnfit &&
           (m.SpellShape & kShapeFields) == shape;
}

bool TMDIChild::SpellMarksRunInFromBefore(const TextLine& l) const
{
    return Frame.Options.SpellWhileTyping && (l.Memo.SpellShape & kWordFromPrev) != 0;
}

TMDIChild::FlowStamp TMDIChild::CurrentFlowStamp() const
{
    return FlowStamp{PageHeightPx, PrinterDpi, ScreenDpi, Frame.Options.SpellWhileTyping ? spellKey(*this) : 0};
}

void TMDIChild::MakeSoftEnters()
{
    const bool noSelection = Anchor == Cursor;
    LayoutFontIndex = -1;
    LayoutSpaceHeights.clear();

    FelderAktuallisieren();
    FlowGather();

    NumCounters.clear();
    for (const int32_t a : walkOrder(Areas)) {
        if (!brokenByLayout(Areas[size_t(a)])) continue;
        std::vector<uint8_t> joined = joinLines(*this, a);
        // Pages whose lines stayed in place hold no line whose marks are unknown.
        const bool inPlace = validIndex(a, LinesLeftInPlace.size()) && LinesLeftInPlace[size_t(a)];
        if (Frame.Options.SpellWhileTyping && !inPlace) markSpelling(*this, a, joined);
        BreakWalk(*this, a, std::move(joined)).run();
    }
    NumCounters.clear();
    NumCounters.shrink_to_fit();
    // Placement may widen footnote marks (9 -> 10) and mark their lines;
    // those marks must survive the pass so the lines get broken again: the
    // marks are cleared before it (the breaking walk cleared its own).
    for (TextArea& a : Areas)
        if (!brokenByLayout(a))
            for (TextLine& l : a.Lines) forgetIfChanged(l);
    LayoutMarkedLines = false;
    FlowPlace();
    FieldsAfterPlacement();
    LastFlowStamp = CurrentFlowStamp();

    if (noSelection) Anchor = Cursor;
    ClampPositions();
    InvalidateMarking();
    LayoutPara = AbsatzFormat{};
    LayoutSpaceHeights.clear();

    // One more pass breaks what placement marked; numbers settle after it,
    // and the depth bound keeps a pathological document from looping.
    // Looking for marks is a walk over every line of the document, taken
    // only where something after the breaking walk marked a line; the
    // answer is used again unless a follow-up pass has changed it.
    const bool mayFollowUp = LayoutFollowUps < std::clamp(LayoutFollowUpLimit, 0, kMaxFollowUps);
    if (!mayFollowUp && LayoutFollowUps > 0) return;
    bool dirty = LayoutMarkedLines && anyLineDirty(Areas);
    if (dirty && mayFollowUp) {
        ++LayoutFollowUps;
        MakeSoftEnters();
        --LayoutFollowUps;
        if (LayoutFollowUps == 0) dirty = LayoutMarkedLines && anyLineDirty(Areas);
    }
    if (LayoutFollowUps > 0) return;
    if (!dirty) {
        LayoutCarryOvers = 0;
        return;
    }
    // Still marked after the follow-ups: a line that lost its mark now would
    // stay unbroken (and overhang) until an edit happened to touch it. It
    // keeps the mark, so whichever pass comes next breaks it, and a repaint
    // is asked for. A document whose marks never settle gets a few such
    // rounds in a row and is then left as it stands.
    if (LayoutCarryOvers < kMaxCarryOvers) {
        ++LayoutCarryOvers;
        Host->restartTimer2();
    } else {
        LayoutCarryOvers = 0;
        ClearAllDirtyFlags();
    }
}

void TMDIChild::CalcLineHeight(int32_t area, int32_t line, double tallest)
{
    if (area < 0 || area >= AreaCount()) return;
    std::vector<TextLine>& lines = Areas[size_t(area)].Lines;
    settleHeight(*this, lines, int32_t(lines.size()), line, tallest);
}

double TMDIChild::LayoutSpaceHeight()
{
    const bool known = LayoutFontIndex >= 0 && LayoutFontIndex < FontCount();
    const size_t slot = known ? size_t(LayoutFontIndex) + 1 : 0;
    if (LayoutSpaceHeights.size() <= slot) LayoutSpaceHeights.resize(slot + 1, -1);
    double& cached = LayoutSpaceHeights[slot];
    if (cached < 0) {
        const FontEntry f = known ? Fonts[size_t(LayoutFontIndex)] : FontEntryFromState(FontState);
        const int32_t dpi = PrinterDpi > 0 ? PrinterDpi : 600;
        const FontHandle font = selfont(f.Face, dpi, f.Charset, f.Style, f.Size, 100);
        cached = font ? double(font->textExtent(" ").cy) / dpi * kMmPerInch : 0;
    }
    return cached;
}

int32_t TMDIChild::getNumCounter(int32_t cellIndex)
{
    const size_t i = size_t(std::clamp(cellIndex, 0, kMaxNumCounter));
    if (NumCounters.size() <= i) NumCounters.resize(i + 1, 1);
    return NumCounters[i];
}

void TMDIChild::setNumCounter(int32_t cellIndex, int32_t value)
{
    const size_t i = size_t(std::clamp(cellIndex, 0, kMaxNumCounter));
    if (NumCounters.size() <= i) NumCounters.resize(i + 1, 1);
    NumCounters[i] = value;
}

double TMDIChild::AreaTextWidth(int32_t area) const
{
    if (area < 0 || area >= AreaCount()) return 0;
    const TextArea& a = Areas[size_t(area)];
    const double inner = a.InnerLeft + a.InnerRight;
    if (!a.AnchorRight) return a.Right - a.Left - inner;
    // The page width goes through the fixed logical screen resolution, as
    // everywhere in layout, so breaks never depend on the monitor.
    const int32_t printer = PrinterDpi > 0 ? PrinterDpi : 600;
    const int32_t screen = ScreenDpi > 0 ? ScreenDpi : 96;
    const double screenPx = std::trunc(double(PageWidthPx) * screen / printer);
    const double pageMm = screenPx / screen * kMmPerInch;
    return pageMm - a.Right - a.Left - inner;
}

double TMDIChild::ColumnWidth(int32_t area, const TextLine& line) const
{
    return columnWidthIn(AreaTextWidth(area), line);
}

namespace {

// The lines [start, end) of the table run that line `line` stands in.
std::pair<int32_t, int32_t> runOf(LineSpan lines, int32_t line)
{
    const TextLine& l = lines[size_t(line)];
    const int32_t start = std::max(0, line - columnOf(l));
    return {start, std::min(int32_t(lines.size()), start + cellsOf(l))};
}

template <class Get>
double rowSpacing(LineSpan lines, int32_t line, Get get)
{
    if (line < 0 || size_t(line) >= lines.size()) return 0;
    const TextLine& l = lines[size_t(line)];
    if (cellsOf(l) < 2) return get(l);
    const auto [start, end] = runOf(lines, line);
    double best = 0;
    for (int32_t r = start; r < end; ++r) best = std::max(best, get(lines[size_t(r)]));
    return best;
}

// Whether a cell place the breaking walk left in a run's first line answers
// for a run of `cells` lines.
bool knownIn(uint16_t at, int32_t cells)
{
    return at != LineMemo::kRunSpacingUnknown && (at == LineMemo::kRunSpacingNone || at < cells);
}

double spaceAbove(const TextLine& l) { return l.Para->SpaceAbove; }
double spaceBelow(const TextLine& l) { return l.Para->SpaceBelow; }

} // namespace

RunSpacing::Spacing RunSpacing::ofRun(LineSpan lines, int32_t line)
{
    const auto [start, end] = runOf(lines, line);
    if (lines.data() != Data || lines.size() != Size || start != Start || end != End) {
        Data = lines.data();
        Size = lines.size();
        Start = start;
        End = end;
        const TextLine& l = lines[size_t(line)];
        Found = {};
        if (cellsOf(l) < 2) {
            Found = {l.Para->SpaceAbove, l.Para->SpaceBelow};
        } else if (const TextLine& first = lines[size_t(start)];
                   columnOf(first) == 0 && cellsOf(first) == end - start &&
                   knownIn(first.Memo.RunAboveAt, end - start) && knownIn(first.Memo.RunBelowAt, end - start)) {
            // The breaking walk found them for exactly these lines.
            const LineMemo& m = first.Memo;
            if (m.RunAboveAt != LineMemo::kRunSpacingNone)
                Found.Above = lines[size_t(start + m.RunAboveAt)].Para->SpaceAbove;
            if (m.RunBelowAt != LineMemo::kRunSpacingNone)
                Found.Below = lines[size_t(start + m.RunBelowAt)].Para->SpaceBelow;
        } else {
            // Both answers in one walk over the run, from its end: the
            // largest does not depend on the order, and the end is what
            // layout touched last.
            for (int32_t r = end - 1; r >= start; --r) {
                const AbsatzFormat& p = lines[size_t(r)].Para;
                Found.Above = std::max(Found.Above, p.SpaceAbove);
                Found.Below = std::max(Found.Below, p.SpaceBelow);
            }
        }
    }
    return Found;
}

double rowSpaceAboveIn(LineSpan lines, int32_t line) { return rowSpacing(lines, line, spaceAbove); }

double rowSpaceBelowIn(LineSpan lines, int32_t line) { return rowSpacing(lines, line, spaceBelow); }

double TMDIChild::RowSpaceAbove(const std::vector<TextLine>& lines, int32_t line) { return rowSpaceAboveIn(lines, line); }

double TMDIChild::RowSpaceBelow(const std::vector<TextLine>& lines, int32_t line) { return rowSpaceBelowIn(lines, line); }

} // namespace quillet
