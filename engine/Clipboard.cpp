// Copy, cut and paste. Copy puts the selection on the clipboard twice: as
// plain text for other programs and in the private format, which carries
// the lines, characters, fonts, pictures, fields and footnotes so they come
// back whole in any window of the program. Paste takes the best format the
// clipboard offers, or the one the paste-special dialog names.

#include "engine/Childwin.h"
#include "engine/ClipboardDialog.h"
#include "engine/ClipboardStream.h"
#include "engine/DocWalk.h"
#include "platform/Clipboard.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <exception>
#include <new>
#include <system_error>
#include <thread>

namespace quillet {

namespace {

constexpr int32_t kMaxFootnote = 0xFFFF;
constexpr size_t kMaxPictureSlots = 0xFFFF;
// From so many copied characters on, the plain text is made on a thread of
// its own while the stream is written.
constexpr size_t kTextThreadChars = size_t(1) << 16;

bool isFloating(const TextArea& a) { return a.AreaType > atFooter && a.Selected; }

struct FlagRestore {
    uint8_t& Flag;
    uint8_t Old;
    FlagRestore(uint8_t& flag, uint8_t value) : Flag(flag), Old(flag) { Flag = value; }
    ~FlagRestore() { Flag = Old; }
};

class NoPasteDialog final : public PasteSpecialUi {
public:
    bool runInsertContentDialog(InsertContentModel&) override { return false; }
};

// A copy of the line's format and table fields, without its characters.
TextLine lineWithoutChars(TextLine& l)
{
    std::vector<TextChar> chars = std::move(l.Chars);
    l.Chars.clear();
    TextLine copy = l;
    l.Chars = std::move(chars);
    return copy;
}

// The selected characters of a line form one stretch [first, end): a line
// lies wholly inside the selection, or its start or end is cut by the
// selection's start or end. Looking from both ends finds the stretch
// without asking about every character between.
std::pair<int32_t, int32_t> markedRange(TMDIChild& w, int32_t area, int32_t line)
{
    const TextLine* l = lineAt(w.Areas, area, line);
    if (!l) return {0, 0};
    const int32_t n = l->CharCount();
    int32_t from = 0;
    while (from < n && !w.isinmarking(area, line, from)) ++from;
    int32_t to = n;
    while (to > from && !w.isinmarking(area, line, to - 1)) --to;
    return {from, to};
}

// Pastes a copied line's characters at the cursor as one insertion: the
// same characters, fonts, pictures and footnotes, in the same order, as
// inserting them one by one, without moving the rest of the line once per
// character. False when the cursor is no place for text.
// `lineTotal` is how many characters will have gone into the cursor's line
// by the time the copied paragraph ends there: a paragraph of many soft
// wrapped lines lands in one line, which is sized once instead of growing
// (and moving every character) again and again.
bool insertPastedRun(TMDIChild& w, const std::vector<TextChar>& chars, size_t lineTotal, const ClipFragment& f,
                     std::vector<int32_t>& newFootnotes, bool& stateFontKnown, std::vector<TextChar>& run)
{
    if (chars.empty()) return true;
    const TextPos at = w.Cursor;
    TextLine* l = lineAt(w, at);
    if (!l || at.Char < 0 || at.Char > l->CharCount()) {
        // Odd places (past the last line) are left to the single insertion.
        for (const TextChar& src : chars)
            if (!w.InsertPastedChar(w.PastedChar(src, f, 0, newFootnotes))) return false;
        return true;
    }
    if (l->Chars.capacity() < l->Chars.size() + lineTotal) l->Chars.reserve(l->Chars.size() + lineTotal);
    // At the line's end the characters go straight in; elsewhere they are
    // gathered first, so the rest of the line moves once.
    const bool atEnd = at.Char == l->CharCount();
    std::vector<TextChar>& into = atEnd ? l->Chars : run;
    if (!atEnd) {
        run.clear();
        run.reserve(chars.size());
    }
    for (const TextChar& src : chars) {
        into.push_back(w.PastedChar(src, f, 0, newFootnotes));
        if (!stateFontKnown) {
            // Inserting a character registers the typing format's font,
            // right after the first pasted character's own.
            w.GetNewFontIndex(FontEntryFromState(w.FontState));
            stateFontKnown = true;
        }
    }
    if (!atEnd)
        l->Chars.insert(l->Chars.begin() + at.Char, std::make_move_iterator(run.begin()), std::make_move_iterator(run.end()));
    const int32_t count = int32_t(chars.size());
    w.PositionsCharsInserted(at.Area, at.Line, at.Char, count);
    w.Cursor = TextPos{at.Area, at.Line, at.Char + count};
    l->Dirty = 1;
    return true;
}

} // namespace

PasteSpecialUi* pasteSpecialDialogOf(TMDIChild& w)
{
    static NoPasteDialog none;
    if (w.PasteDialogs) return w.PasteDialogs;
    if (auto* frame = dynamic_cast<PasteSpecialUi*>(w.Ui)) return frame;
    return &none;
}

// ---- Copy ------------------------------------------------------------------------

namespace {

// The selection (or the selected areas) with what it needs, as copied. With
// `view`, the selected text's characters stay where they are and the view
// names them; without, they are copied into the fragment's lines.
ClipFragment copySelection(TMDIChild& w, ClipTextView* view)
{
    ClipFragment f;
    f.Fonts = w.Fonts;
    std::vector<int32_t> pictureSlot(w.Pictures.size(), -1);
    std::vector<int32_t> refs;
    // The fragment's own picture list holds only the pictures it uses.
    auto take = [&](TextChar c) {
        if (c.Kind == ckPicture) {
            if (c.PictureIndex() < w.Pictures.size()) {
                int32_t& slot = pictureSlot[c.PictureIndex()];
                if (slot < 0) {
                    slot = int32_t(f.Pictures.size());
                    f.Pictures.push_back(w.Pictures[c.PictureIndex()].clone());
                }
                c.setPictureIndex(uint16_t(slot));
            } else {
                c.setPictureIndex(uint16_t(f.Pictures.size()));  // names nothing: sent as empty
            }
        }
        if (c.Kind == ckFootnoteRef) refs.push_back(c.FootnoteId());
        SettingOpsB(c.Flags, cfMisspelt, false);
        return c;
    };
    auto copyLine = [&](const TextLine& l) {
        TextLine out = l;
        for (TextChar& c : out.Chars) c = take(c);
        return out;
    };

    if (std::any_of(w.Areas.begin(), w.Areas.end(), isFloating)) {
        f.Mode = ClipFragment::kAreas;
        for (const TextArea& a : w.Areas) {
            if (!isFloating(a)) continue;
            TextArea copy = a;
            for (TextLine& l : copy.Lines) l = copyLine(l);
            f.Areas.push_back(std::move(copy));
        }
    } else if (w.isThereAmarking()) {
        f.Mode = ClipFragment::kText;
        w.FindMarkingStart();
        f.RowMarking = w.RowMarking;
        TMDIChild::TextWalker walk = w.MarkedWalk();
        int64_t guard = 0;
        for (const TextArea& a : w.Areas) guard += a.LineCount() + 1;
        for (; guard > 0; --guard) {
            const int32_t ai = walk.Pos.Area, li = walk.Pos.Line;
            if (TextLine* l = lineAt(w.Areas, ai, li)) {
                const auto [from, to] = markedRange(w, ai, li);
                const uint8_t endSelected = w.isinmarking(ai, li, l->CharCount()) ? 1 : 0;
                if (view) {
                    view->Lines.push_back({l, from, to, endSelected, view->Altered.size()});
                    for (int32_t ch = from; ch < to; ++ch) {
                        const TextChar& c = l->Chars[size_t(ch)];
                        if (clipAltersChar(c)) view->Altered.push_back(take(c));
                        else if (c.Kind == ckFootnoteRef) refs.push_back(c.FootnoteId());
                    }
                } else {
                    ClipFragment::Line rec;
                    rec.Text = lineWithoutChars(*l);
                    rec.Text.Chars.reserve(size_t(to - from));
                    for (int32_t ch = from; ch < to; ++ch) rec.Text.Chars.push_back(take(l->Chars[size_t(ch)]));
                    rec.EndSelected = endSelected;
                    f.Lines.push_back(std::move(rec));
                }
            }
            // Straight on to the next line: the walk would otherwise step
            // over this line's characters one at a time.
            if (const TextLine* l = lineAt(w.Areas, ai, li)) {
                walk.Pos.Char = std::max(walk.Pos.Char, l->CharCount() - 1);
                walk.Seen = walk.Pos;
            }
            if (!(f.RowMarking ? w.getnextmarkedlineTableBlind(walk) : w.getnextmarkedline(walk))) break;
        }
    }
    for (int32_t id : refs) {
        const int32_t a = w.GetFootNoteField(id);
        TextArea copy;
        if (a >= 0) {
            copy = w.Areas[size_t(a)];
            for (TextLine& l : copy.Lines) l = copyLine(l);
        }
        f.Footnotes.push_back(std::move(copy));
    }
    return f;
}

// Makes the plain text of a copy into `text` while `work` runs: a large
// copy's text is made on a thread of its own beside the stream's writing.
template <class Work>
auto besideTextOf(const ClipFragment& f, const ClipTextView& view, std::string& text, Work work)
{
    size_t chars = 0;
    for (const ClipTextView::Line& l : view.Lines) chars += size_t(std::max(l.To - l.From, 0));
    if (chars < kTextThreadChars) {
        text = ClipText(f, &view);
        return work();
    }
    std::exception_ptr failed;
    std::thread maker;
    try {
        maker = std::thread([&] {
            try {
                text = ClipText(f, &view);
            } catch (...) {
                failed = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        text = ClipText(f, &view);  // no thread to be had
    }
    auto result = [&] {
        try {
            return work();
        } catch (...) {
            if (maker.joinable()) maker.join();
            throw;
        }
    }();
    if (maker.joinable()) maker.join();
    if (failed) std::rethrow_exception(failed);
    return result;
}

} // namespace

ClipFragment TMDIChild::CopyFragment() { return copySelection(*this, nullptr); }

ClipFragment CopyClipView(TMDIChild& w, ClipTextView& view) { return copySelection(w, &view); }

std::string TMDIChild::FragmentText(const ClipFragment& f) { return ClipText(f, nullptr); }

void TMDIChild::KopierenInZwischenAblage(uint8_t cut)
{
    WalkAllAreas = 0;
    const bool areas = std::any_of(Areas.begin(), Areas.end(), isFloating);
    if (!areas && !isThereAmarking()) return;
    // The clipboard is emptied first. The block of the last copy comes back
    // with it (unless a paste still holds it) and takes the new stream:
    // memory touched for the first time costs more than writing it.
    std::vector<uint8_t> spare = clipboard().clear().reclaim();
    std::string text;
    std::vector<uint8_t> stream;
    try {
        // A large copy writes straight from the document: holding a copy of
        // every selected character first cost more than writing the stream.
        ClipTextView view;
        const ClipFragment f = CopyClipView(*this, view);
        stream = besideTextOf(f, view, text, [&] { return WriteClipStream(f, view, std::move(spare)); });
    } catch (const std::bad_alloc&) {
        // Out of memory: the clipboard stays as emptying it left it, never
        // with part of a copy, and a cut deletes nothing.
        return;
    }
    clipboard().set(text, std::move(stream));
    if (!cut) return;
    if (areas) {
        // Only the areas went to the clipboard, so only they go; the Delete
        // key's path takes the undo step.
        uint16_t key = VK_DELETE;
        getkeysKeyDown(key, 0);
    } else {
        MakeCopyForUndo("Cut");
        TypingRun = 0;
        CutInProgress = 1;
        DeleteMarking();
        CutInProgress = 0;
    }
    RefreshDirtyContent();
}

// ---- Paste -------------------------------------------------------------------------

bool TMDIChild::PasteAllowed() { return PasteAllowedAt(Cursor); }

bool TMDIChild::PasteAllowedAt(TextPos at)
{
    if (!validIndex(at.Area, Areas.size())) return false;
    // Text put into a drawing object would never be laid out or seen.
    const TextArea& a = Areas[size_t(at.Area)];
    return a.AreaType <= atTextFrame && !(a.AreaType == atTextFrame && a.Selected);
}

TextChar TMDIChild::PastedChar(const TextChar& src, const ClipFragment& f, int32_t footnoteId,
                               std::vector<int32_t>& newFootnotes)
{
    TextChar c = src;
    if (validIndex(src.FontIndex(), f.Fonts.size())) c.setFontIndex(GetNewFontIndex(f.Fonts[size_t(src.FontIndex())]));
    else c.setFontIndex(GetNewFontIndex(FontEntryFromState(FontState)));
    SettingOpsB(c.Flags, cfMisspelt, false);
    if (c.Kind == ckPicture) {
        // A picture the list cannot take becomes an empty character of its
        // own, never an index into someone else's list.
        if (src.PictureIndex() < f.Pictures.size() && Pictures.size() < kMaxPictureSlots) {
            Pictures.push_back(f.Pictures[src.PictureIndex()].clone());
            c.setPictureIndex(uint16_t(Pictures.size() - 1));
        } else {
            c.Kind = ckText;
            c.Code = ' ';
            c.setPictureIndex(0);
        }
    } else if (c.Kind == ckFootnoteRef) {
        if (footnoteId == 0 && FootnoteCounter >= 0 && FootnoteCounter < kMaxFootnote) {
            const int32_t id = ++FootnoteCounter;
            c.setFootnoteId(uint16_t(id));
            c.setShownNumber(uint16_t(id));
            newFootnotes.push_back(id);
        } else {
            c.Kind = ckText;  // inside a footnote: its number as plain text
        }
    } else if (c.Kind == ckFootnoteNumber) {
        if (footnoteId > 0) {
            c.setFootnoteId(uint16_t(footnoteId));
            c.setShownNumber(uint16_t(footnoteId));
        } else {
            c.Kind = ckText;
        }
    }
    return c;
}

bool TMDIChild::InsertPastedChar(const TextChar& c)
{
    const TextPos at = Cursor;
    TextChar* slot = NewChar();
    if (!slot) return false;
    *slot = c;
    PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
    Cursor = TextPos{at.Area, at.Line, at.Char + 1};
    if (TextLine* l = lineAt(*this, at)) l->Dirty = 1;
    return true;
}

void TMDIChild::PasteBreak(int32_t endKind)
{
    const TextLine* l = lineAt(*this, Cursor);
    if (!l) return;
    if (l->IsCell) {
        // A cell keeps its paragraphs inside it: the Enter key knows how.
        TypingRun = 1;
        LastEditKind = 1;
        uint16_t key = VK_RETURN;
        getkeysKeyDown(key, 0);
        return;
    }
    int32_t a = Cursor.Area, ln = Cursor.Line, ch = Cursor.Char;
    InsertEnterOnThatPos(a, ln, endKind, ch);
    Cursor = TextPos{a, ln, ch};
}

TextArea TMDIChild::PastedArea(const TextArea& src, const ClipFragment& f, int32_t footnoteId,
                               std::vector<int32_t>& newFootnotes)
{
    TextArea a = src;
    a.PrevInFlow = a.NextInFlow = -1;
    a.AnchorId = 0;
    a.Selected = 0;
    a.Visited = 0;
    int32_t pages = 1;
    for (const TextArea& b : Areas)
        if (b.AreaType == atPageBody) pages = std::max(pages, b.PageIndex + 1);
    a.PageIndex = std::clamp(a.PageIndex, 0, pages - 1);
    if (footnoteId > 0) a.FootnoteNumber = footnoteId;
    for (TextLine& l : a.Lines) {
        for (TextChar& c : l.Chars) c = PastedChar(c, f, footnoteId, newFootnotes);
        l.Dirty = 1;
    }
    if (a.Lines.empty()) {
        a.Lines.resize(1);
        InitNewLine(a.Lines, 0);
    }
    return a;
}

namespace {

// Pastes `f` at the cursor; with `spend` (the same fragment, no longer
// needed afterwards) the characters of each copied line are freed as soon
// as they are in.
void pasteFragment(TMDIChild& w, const ClipFragment& f, ClipFragment* spend)
{
    std::vector<int32_t> newFootnotes;
    const TextPos home = w.Cursor;
    if (f.Mode == ClipFragment::kAreas) {
        for (const TextArea& src : f.Areas) w.Areas.push_back(w.PastedArea(src, f, 0, newFootnotes));
    } else if (f.RowMarking) {
        // Whole rows go in as whole lines before the cursor's row (or its
        // paragraph, split at the cursor), never into the middle of a run.
        TextLine* l = lineAt(w, w.Cursor);
        if (!l) return;
        if (l->IsCell) {
            int32_t a = w.Cursor.Area, ln = w.Cursor.Line;
            toFirstRun(w, a, ln);
            w.Cursor = TextPos{a, ln - columnOf(*lineAt(w, a, ln)), 0};
        } else if (w.Cursor.Char > 0) {
            w.PasteBreak(ekParagraph);
        }
        for (const ClipFragment::Line& rec : f.Lines) {
            const int32_t a = w.Cursor.Area, at = w.Cursor.Line;
            w.InsertNewLine(a, at);
            TextLine& nl = w.Areas[size_t(a)].Lines[size_t(at)];
            nl = rec.Text;
            for (TextChar& c : nl.Chars) c = w.PastedChar(c, f, 0, newFootnotes);
            nl.Dirty = 1;
            w.Cursor = TextPos{a, at + 1, 0};
        }
    } else {
        bool stateFontKnown = false;
        std::vector<TextChar> run;
        auto breaksAfter = [](const ClipFragment::Line& rec) {
            return rec.EndSelected && (rec.Text.EndKind != ekSoft || rec.Text.IsCell);
        };
        // Characters from each record to the end of its paragraph.
        std::vector<size_t> toBreak(f.Lines.size() + 1, 0);
        for (size_t i = f.Lines.size(); i-- > 0;)
            toBreak[i] = f.Lines[i].Text.Chars.size() + (breaksAfter(f.Lines[i]) ? 0 : toBreak[i + 1]);
        for (size_t i = 0; i < f.Lines.size(); ++i) {
            const ClipFragment::Line& rec = f.Lines[i];
            if (!insertPastedRun(w, rec.Text.Chars, toBreak[i], f, newFootnotes, stateFontKnown, run)) return;
            // A record already pasted gives its memory back at once, for the
            // lines still to come to take.
            if (spend) std::vector<TextChar>().swap(spend->Lines[i].Text.Chars);
            if (!breaksAfter(rec)) continue;
            const TextPos before = w.Cursor;
            const bool wasCell = lineAt(w, before) && lineAt(w, before)->IsCell;
            w.PasteBreak(rec.Text.IsCell ? ekParagraph : rec.Text.EndKind);
            // The paragraph it ended takes the copied paragraph's format; a
            // cell and a plain line keep their own indents.
            if (TextLine* target = lineAt(w, before); target && !wasCell && !rec.Text.IsCell) {
                target->Para = rec.Text.Para;
                target->Dirty = 1;
            }
        }
    }
    // The footnotes of the pasted references, each with its own copy.
    const size_t n = std::min(newFootnotes.size(), f.Footnotes.size());
    int32_t page = 0;
    if (validIndex(home.Area, w.Areas.size())) page = w.Areas[size_t(home.Area)].PageIndex;
    for (size_t i = 0; i < n; ++i) {
        std::vector<int32_t> none;
        TextArea a = w.PastedArea(f.Footnotes[i], f, newFootnotes[i], none);
        a.AreaType = atFooter;
        a.PageIndex = page;
        w.Areas.push_back(std::move(a));
    }
    w.InvalidateMarking();
    TMDIChild::ClampPosition(w.Areas, w.Cursor);
    w.Anchor = w.Cursor;
}

} // namespace

void TMDIChild::PasteFragment(const ClipFragment& f) { pasteFragment(*this, f, nullptr); }

void TMDIChild::PasteText(const std::string& text)
{
    FlagRestore quiet(NoRefresh, 1);
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t b = uint8_t(text[i]);
        if (b == '\r' || (b == '\n' && (i == 0 || text[i - 1] != '\r'))) {
            PasteBreak(ekParagraph);
            continue;
        }
        // Other control bytes would turn into line or page breaks when laid out.
        if (b < 32 && b != '\t') continue;
        const TextPos at = Cursor;
        TextChar* c = NewChar();
        if (!c) return;
        c->Kind = ckText;
        c->Code = b;
        const char ch = char(b);
        RenderChar(*c, false, std::string_view(&ch, 1));
        if (TextLine* l = lineAt(*this, at)) l->Dirty = 1;
        PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
        Cursor = TextPos{at.Area, at.Line, at.Char + 1};
    }
    Anchor = Cursor;
}

bool TMDIChild::EinfuegenAusZwischenAblage(int32_t kind)
{
    Clipboard& board = clipboard();
    bool pasted = false;
    if (board.hasPrivate() && (kind == 0 || kind == 1)) {
        // A stream that fails any check pastes nothing at all. The bytes are
        // the clipboard's own block, held here while they are read.
        const SharedBytes stream = board.privateData();
        std::optional<ClipFragment> f = ReadClipStream(stream);
        if (f && PasteAllowed()) {
            TypingRun = 0;
            MakeCopyForUndo("Insert");
            CaretAtLineEnd = 0;
            if (isThereAmarking()) DeleteMarking();
            FlagRestore quiet(NoRefresh, 1);
            pasteFragment(*this, *f, &*f);
            pasted = true;
        }
    } else if (board.hasText() && (kind == 0 || kind == 2)) {
        if (PasteAllowed()) {
            TypingRun = 0;
            MakeCopyForUndo("Insert");
            CaretAtLineEnd = 0;
            if (isThereAmarking()) DeleteMarking();
            PasteText(board.text());
            pasted = true;
        }
    } else if (board.hasPicture() && (kind == 0 || kind == 3)) {
        Dib d = board.picture();
        // A resolution under about 25 dpi would make the picture metres
        // wide: such a picture is sized by the screen's resolution instead.
        if (d.Header.biXPelsPerMeter < 1000) d.Header.biXPelsPerMeter = 0;
        pasted = InsertPictureAtCursor(std::move(d), DisplayDpi, true);
    }
    TypingRun = 0;
    RefreshDirtyContent();
    return pasted;
}

void TMDIChild::InhalteEinfuegenAusZwischenAblage()
{
    Clipboard& board = clipboard();
    InsertContentModel m;
    if (board.hasPrivate()) m.Rows.push_back({"Formated text", 1});
    if (board.hasText()) m.Rows.push_back({"Unformated text", 2});
    if (board.hasPicture()) m.Rows.push_back({"Bitmap graphic", 3});
    if (m.Rows.empty()) return;
    m.Selected = 0;
    if (!pasteSpecialDialogOf(*this)->runInsertContentDialog(m)) return;
    if (!validIndex(m.Selected, m.Rows.size())) return;
    EinfuegenAusZwischenAblage(m.Rows[size_t(m.Selected)].second);
}

} // namespace quillet
