// Editing a long document through the window's own handlers, as the app
// calls them, on documents of 500 .. 8,000 pages (the size doubles between
// runs of one operation). Each operation reports its time, the heap it took
// at its peak (peak_MB) and kept afterwards (held_MB), and time_x / mem_x:
// the factor against the same operation on half the pages.
//
// Target: at most 2.2 times the time and memory per doubling, and a key,
// a caret move or a click that costs the same on any size of document.
// EDIT_PROBE_MAX_PAGES caps the largest document (default 8000).

#include "bench/CountingHeap.h"
#include "bench/BenchDocuments.h"
#include "engine/Childwin.h"
#include "engine/SearchDialog.h"
#include "engine/SpellCheckDialog.h"
#include "engine/TableDialogs.h"
#include "formats/StandardServices.h"
#include "render/pdf/PDFExport.h"
#include "language/WordList.h"
#include "platform/Clipboard.h"
#include "platform/MessageBox.h"
#include "platform/VirtualKeys.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;

using quillet::bench::ViewHost;

using quillet::bench::Quiet;
using quillet::bench::Script;
namespace {

using Clock = std::chrono::steady_clock;

// Every word is known: the run reads the whole document and asks nothing.
struct NoQuestions : SpellCheckUi {
    int32_t asked = 0;
    std::string word;
    int32_t runSpellCheckDialog(SpellCheckModel& m) override
    {
        if (!asked++) word = m.Unknown;
        return SpellCheckModel::kCancel;
    }
};

struct OneRowOrColumn : TableDialogUi {
    bool runInsertTableDialog(TInsertTableForm&) override { return true; }
    bool runInsertTableLinesDialog(TInsertTableLinesForm& f) override
    {
        f = TInsertTableLinesForm{};
        return true;
    }
    bool runInsertTableColsDialog(TInsertTableColsForm& f) override
    {
        f = TInsertTableColsForm{};
        return true;
    }
};

constexpr size_t kCharsPerPage = 3333;  // some 300 pages a million characters

// Paragraphs of 40..160 words from a vocabulary of 400, one word in eight
// "the": a word list can know them all and a replace finds thousands.
struct Doc {
    FrameState frame = StandardFrameState();
    ViewHost host;
    std::unique_ptr<TMDIChild> win;
    std::array<TextChar, 256> measured{};
    WordList known;
    int32_t pagesAsked = 0;
    size_t chars = 0;

    explicit Doc(int32_t pages) : pagesAsked(pages)
    {
        frame.Options.SpellWhileTyping = 0;
        frame.ProgDir = QUILLET_PROGRAM_DIR;
        win = std::make_unique<TMDIChild>(frame);
        TMDIChild& w = *win;
        w.AutoHyphenation = 0;
        quillet::bench::measurePrintable(w, measured);
        uint32_t seed = 4711;
        auto next = [&seed](uint32_t n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        std::vector<std::string> vocabulary;
        for (int i = 0; i < 400; ++i) {
            std::string word;
            const uint32_t len = 2 + next(9);
            for (uint32_t k = 0; k < len; ++k) word.push_back(char('a' + next(26)));
            vocabulary.push_back(word);
        }
        for (const char* extra : {"the", "thy"}) vocabulary.push_back(extra);
        for (const std::string& v : vocabulary) known.append(v);
        known.sortByKey();

        std::vector<TextLine>& lines = w.Areas[0].Lines;
        lines.clear();
        const size_t target = size_t(pages) * kCharsPerPage;
        while (chars < target) {
            lines.emplace_back();
            InitNewLine(lines, int32_t(lines.size()) - 1);
            TextLine& l = lines.back();
            l.EndKind = ekParagraph;
            l.Para.edit().LineSpacing = 1.25;
            const uint32_t count = 40 + next(121);
            for (uint32_t i = 0; i < count; ++i) {
                const std::string& word = next(8) == 0 ? vocabulary[400] : vocabulary[next(400)];
                for (char ch : word) l.Chars.push_back(measured[uint8_t(ch)]);
                if (i + 1 < count) l.Chars.push_back(measured[' ']);
            }
            chars += l.Chars.size();
        }
        w.setHost(&host);
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
        w.Timer2Timer();
        // As after a first edit: the history holds the text, and later
        // snapshots share what they did not change with it.
        w.MakeCopyForUndo("Start");
        w.TypingRun = 0;
        w.Modified = 0;
    }

    TMDIChild& w() { return *win; }

    int32_t pages() const
    {
        int32_t n = 0;
        for (const TextArea& a : win->Areas) n += a.AreaType == atPageBody;
        return n;
    }

    int32_t lastBody() const
    {
        int32_t last = 0;
        for (int32_t a = 0; a >= 0; a = win->Areas[size_t(a)].NextInFlow) last = a;
        return last;
    }

    // The bodies of the flow that hold text, in order.
    std::vector<int32_t> bodies() const
    {
        std::vector<int32_t> out;
        for (int32_t a = 0; a >= 0; a = win->Areas[size_t(a)].NextInFlow)
            if (win->Areas[size_t(a)].LineCount() > 0) out.push_back(a);
        return out;
    }

    // 0 start, 1 middle, 2 end of the text.
    TextPos at(int where) const
    {
        const std::vector<int32_t> b = bodies();
        if (where == 0) return TextPos{b.front(), 0, 10};
        const int32_t a = where == 1 ? b[b.size() / 2] : b.back();
        const TextArea& area = win->Areas[size_t(a)];
        const int32_t l = where == 1 ? area.LineCount() / 2 : area.LineCount() - 1;
        const int32_t chars = area.Lines[size_t(l)].CharCount();
        const int32_t c = where == 1 ? std::min(10, chars) : chars;
        return TextPos{a, l, c};
    }

    size_t textChars() const
    {
        size_t n = 0;
        for (int32_t a = 0; a >= 0; a = win->Areas[size_t(a)].NextInFlow)
            for (const TextLine& l : win->Areas[size_t(a)].Lines) n += l.Chars.size();
        return n;
    }

    // Whole words `word` in the text.
    int64_t count(std::string_view word) const
    {
        int64_t n = 0;
        for (int32_t a = 0; a >= 0; a = win->Areas[size_t(a)].NextInFlow)
            for (const TextLine& l : win->Areas[size_t(a)].Lines)
                for (size_t i = 0; i + word.size() <= l.Chars.size(); ++i) {
                    bool same = (i == 0 || l.Chars[i - 1].Code == ' ');
                    for (size_t k = 0; same && k < word.size(); ++k) same = l.Chars[i + k].Code == uint8_t(word[k]);
                    const size_t after = i + word.size();
                    n += same && (after == l.Chars.size() || l.Chars[after].Code == ' ');
                }
        return n;
    }

    // The text and each character's font, as one number.
    uint64_t textHash() const
    {
        uint64_t h = 1469598103934665603ull;
        for (int32_t a = 0; a >= 0; a = win->Areas[size_t(a)].NextInFlow)
            for (const TextLine& l : win->Areas[size_t(a)].Lines)
                for (const TextChar& c : l.Chars)
                    h = (h ^ (uint64_t(c.Code) << 16 ^ uint64_t(c.FontIndex()))) * 1099511628211ull;
        return h;
    }

    void selectAll()
    {
        uint16_t key = 'A';
        w().getkeysKeyDown(key, ssCtrl);
    }

    void keyDown(uint16_t vk, uint8_t shift = 0)
    {
        uint16_t key = vk;
        w().getkeysKeyDown(key, shift);
    }

    void press(char c)
    {
        uint8_t key = uint8_t(c);
        w().getkeysKeyPress(key);
    }

    // Takes back every step down to `steps` snapshots, then drops the
    // steps ahead, so each operation starts from the document as built.
    void undoTo(size_t steps)
    {
        while (size_t(w().UndoPos) > steps) w().RestoreCopyFromUndo(0);
        std::vector<UndoCopy>& copies = w().UndoCopies;
        if (copies.size() > steps) copies.erase(copies.begin() + std::ptrdiff_t(steps), copies.end());
        w().Cursor = w().Anchor = TextPos{0, 0, 0};
        w().TypingRun = 0;
        w().Timer2Timer();
        if (textChars() != chars) std::fprintf(stderr, "undo did not bring the text of %d pages back\n", pagesAsked);
    }
};

int32_t maxPages()
{
    const char* cap = std::getenv("EDIT_PROBE_MAX_PAGES");
    return cap ? std::max(500, std::atoi(cap)) : 8000;
}

// One document at a time: the benchmarks run size by size.
Doc& doc(int32_t pages)
{
    static std::unique_ptr<Doc> d;
    if (!d || d->pagesAsked != pages) {
        d.reset();
        d = std::make_unique<Doc>(pages);
    }
    return *d;
}

struct Heap {
    int64_t start = 0;
    Heap()
    {
        start = ::bench::heap::live.load();
        ::bench::heap::peak.store(start);
    }
    double peakMB() const { return double(::bench::heap::peak.load() - start) / 1e6; }
    double heldMB() const { return double(::bench::heap::live.load() - start) / 1e6; }
};

template <class F>
double seconds(F&& f)
{
    const Clock::time_point t = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// With EDIT_PROBE_KEEP naming a folder, the edited document of 500 pages
// is saved there as <operation>.qdt and .pdf, to compare builds by.
void keep(TMDIChild& w, const std::string& name, int32_t pages)
{
    const char* dir = std::getenv("EDIT_PROBE_KEEP");
    if (!dir || pages != 500) return;
    const std::filesystem::path base = std::filesystem::path(dir) / name;
    w.SaveQDTFile((base.string() + ".qdt"));
    SavePDFFile(w, base.string() + ".pdf");
}

struct Earlier {
    double time = 0, memory = 0;
};
std::map<std::string, std::map<int32_t, Earlier>> earlier;

// Reports one measured run: the time, memory and factors against half the size.
void report(benchmark::State& state, const std::string& name, int32_t pages, double time, const Heap& heap,
            int32_t reps = 1)
{
    state.SetIterationTime(time);
    const double perOp = time / reps;
    const double peak = heap.peakMB();
    state.counters["pages"] = doc(pages).pages();
    state.counters["ms"] = perOp * 1e3;
    state.counters["peak_MB"] = peak;
    state.counters["held_MB"] = heap.heldMB();
    if (name != "TableRowColumn") keep(doc(pages).w(), name, pages);
    auto& mine = earlier[name];
    mine[pages] = Earlier{perOp, peak};
    if (auto half = mine.find(pages / 2); half != mine.end()) {
        state.counters["time_x"] = perOp / half->second.time;
        if (half->second.memory > 0.05) state.counters["mem_x"] = peak / half->second.memory;
    }
}

using Op = std::function<void(benchmark::State&, const std::string&, int32_t)>;

// ---- Typing, Enter and Backspace ---------------------------------------------------

// A key at one place and the repaint timer's tick that lays out and paints
// the visible page, as when the user types there: the first key of a run
// (first_ms, with its undo snapshot), then ten more in the run (ms, each).
void typeAt(benchmark::State& state, const std::string& name, int32_t pages, int where)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    for (auto _ : state) {
        d.w().Cursor = d.w().Anchor = d.at(where);
        d.w().Timer2Timer();
        Heap heap;
        const double first = seconds([&] {
            d.press('x');
            d.w().Timer2Timer();
        });
        const double t = seconds([&] {
            for (int i = 0; i < 10; ++i) {
                d.press('x');
                d.w().Timer2Timer();
            }
        });
        report(state, name, pages, t, heap, 10);
        state.counters["first_ms"] = first * 1e3;
        d.undoTo(steps);
    }
}

void keyAt(benchmark::State& state, const std::string& name, int32_t pages, int where, uint16_t vk)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    for (auto _ : state) {
        d.w().Cursor = d.w().Anchor = d.at(where);
        if (vk == VK_BACK && where == 0) d.w().Cursor = d.w().Anchor = TextPos{d.at(0).Area, 1, 0};
        d.w().Timer2Timer();
        Heap heap;
        const double t = seconds([&] {
            for (int i = 0; i < 5; ++i) {
                d.keyDown(vk);
                d.w().Timer2Timer();
            }
        });
        report(state, name, pages, t, heap, 5);
        d.undoTo(steps);
    }
}

// ---- Whole-document commands -----------------------------------------------------------

void boldAll(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    for (auto _ : state) {
        Heap heap;
        const double t = seconds([&] {
            d.selectAll();
            d.w().ToggleBold();
            d.w().Timer2Timer();
        });
        report(state, name, pages, t, heap);
        d.undoTo(steps);
    }
}

void fontAll(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    for (auto _ : state) {
        Heap heap;
        const double t = seconds([&] {
            d.selectAll();
            d.w().FontState.Face = "Arial";
            TMDIChild::FormatSwitches s;
            s.Face = 1;
            d.w().formatieren(s);
            d.w().Timer2Timer();
        });
        report(state, name, pages, t, heap);
        d.undoTo(steps);
    }
}

// Select all, Del, Undo, Redo: the time of all four; each step's own in
// its counter.
void deleteUndoRedo(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    const size_t chars = d.textChars();
    for (auto _ : state) {
        Heap heap;
        double del = 0, undo = 0, redo = 0;
        del = seconds([&] {
            d.selectAll();
            d.keyDown(VK_DELETE);
            d.w().Timer2Timer();
        });
        undo = seconds([&] {
            d.w().RestoreCopyFromUndo(0);
            d.w().Timer2Timer();
        });
        if (d.textChars() != chars) state.SkipWithError("undo did not bring the text back");
        redo = seconds([&] {
            d.w().RestoreBeforeRestoreCopyFromUndo(0);
            d.w().Timer2Timer();
        });
        report(state, name, pages, del + undo + redo, heap);
        state.counters["delete_ms"] = del * 1e3;
        state.counters["undo_ms"] = undo * 1e3;
        state.counters["redo_ms"] = redo * 1e3;
        d.undoTo(steps);
    }
}

// A clipboard of a quarter of the document, pasted in the middle.
void pasteQuarter(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    MemoryClipboard board;
    setClipboard(&board);
    const std::vector<int32_t> b = d.bodies();
    const int32_t quarter = b[b.size() / 4];
    d.w().Anchor = TextPos{0, 0, 0};
    d.w().Cursor = TextPos{quarter, 0, 0};
    d.w().KopierenInZwischenAblage(0);
    for (auto _ : state) {
        d.w().Cursor = d.w().Anchor = d.at(1);
        Heap heap;
        const double t = seconds([&] {
            d.w().EinfuegenAusZwischenAblage(0);
            d.w().Timer2Timer();
        });
        report(state, name, pages, t, heap);
        state.counters["clip_MB"] = double(board.Private.size()) / 1e6;
        d.undoTo(steps);
    }
    setClipboard(nullptr);
}

void replaceAll(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    Quiet quiet;
    setMessageBoxes(&quiet);
    Script script;
    d.w().SearchDialogs = &script;
    for (auto _ : state) {
        Heap heap;
        const double t = seconds([&] {
            SearchFormModel& m = d.w().searchForm();
            m.Find2 = "the";
            m.Replace = "thy";
            m.Opts[1] = SearchFormModel::Options{1, 1, 1, 0, 0};
            script.next = 0;
            script.presses = {SearchFormModel::kSearchAgain, SearchFormModel::kReplaceAll};
            d.w().SuchenErsetzen(1);
            d.w().Timer2Timer();
        });
        report(state, name, pages, t, heap);
        state.counters["replaced"] = double(d.count("thy"));
        state.counters["text_hash"] = double(d.textHash() % 1000000);
        d.undoTo(steps);
    }
    d.w().SearchDialogs = nullptr;
    setMessageBoxes(nullptr);
}

// Find next of a word that is not there, from the start: a walk over the
// whole text.
void findAbsent(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    for (auto _ : state) {
        Heap heap;
        bool found = true;
        const double t = seconds([&] { found = d.w().SearchStep("qqqqq", 0, 0, 0, TextPos{0, 0, 0}); });
        report(state, name, pages, t, heap);
        if (found) state.SkipWithError("found a word the text does not hold");
        d.w().Cursor = d.w().Anchor = TextPos{0, 0, 0};
    }
}

void spellCheck(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    Quiet quiet;
    setMessageBoxes(&quiet);
    NoQuestions ui;
    d.w().SpellCheckDialogs = &ui;
    WordList* before = d.w().CurrentWordList;
    d.w().CurrentWordList = &d.known;
    for (auto _ : state) {
        d.w().Cursor = d.w().Anchor = TextPos{0, 0, 0};
        Heap heap;
        const double t = seconds([&] { d.w().Rechtschreibpruefung(1); });
        report(state, name, pages, t, heap);
        if (ui.asked) state.SkipWithError(("the spell check asked about " + ui.word).c_str());
    }
    d.w().CurrentWordList = before;
    d.w().SpellCheckDialogs = nullptr;
    setMessageBoxes(nullptr);
}

// The whole text broken again with automatic hyphenation on (the
// Language menu's switch alone breaks only what an edit marks); plain_ms is
// the same layout without hyphenation.
void hyphenate(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    d.w().OpenHyphenData();
    auto relayout = [&](uint8_t hyphenation) {
        d.w().AutoHyphenation = hyphenation;
        d.w().SetAllDirtyFlags();
        d.w().MakeSoftEnters();
        d.w().Timer2Timer();
    };
    for (auto _ : state) {
        const double plain = seconds([&] { relayout(0); });
        Heap heap;
        const double t = seconds([&] { relayout(1); });
        report(state, name, pages, t, heap);
        state.counters["plain_ms"] = plain * 1e3;
        relayout(0);
    }
}

// A paragraph style with its own indent and spacing, used on every
// paragraph at once.
void styleAll(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    AbsatzFormat para = DefaultAbsatzFormat();
    para.LeftIndent = 10;
    para.LineSpacing = 1.5;
    d.w().AddVorlage("Body", 0, d.measured['a'], para);
    const int32_t style = int32_t(d.w().Vorlagen.size()) - 1;
    for (auto _ : state) {
        Heap heap;
        const double t = seconds([&] {
            d.selectAll();
            d.w().useVorlage(style);
            d.w().Timer2Timer();
        });
        report(state, name, pages, t, heap);
        d.undoTo(steps);
    }
    d.w().DeleteVorlage(style);
}

// Every paragraph numbered (some 5 a page), then an item inserted at the
// top: Enter at the end of the first item and a letter typed.
void numberedList(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    for (auto _ : state) {
        Heap heap;
        const double number = seconds([&] {
            d.selectAll();
            d.w().aufzaehlung(2);
            d.w().Timer2Timer();
        });
        d.w().Cursor = d.w().Anchor = TextPos{0, 0, 0};
        d.keyDown(VK_END);
        while (d.w().Areas[size_t(d.w().Cursor.Area)].Lines[size_t(d.w().Cursor.Line)].EndKind != ekParagraph)
            d.keyDown(VK_DOWN);
        d.keyDown(VK_END);
        d.w().Timer2Timer();
        const double insert = seconds([&] {
            d.keyDown(VK_RETURN);
            d.press('x');
            d.w().Timer2Timer();
        });
        report(state, name, pages, insert, heap);
        state.counters["number_all_ms"] = number * 1e3;
        d.undoTo(steps);
    }
}

// ---- Moving and clicking --------------------------------------------------------------

void pageDown(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    for (auto _ : state) {
        d.w().Cursor = d.w().Anchor = d.at(1);
        d.w().Timer2Timer();
        Heap heap;
        const double t = seconds([&] {
            for (int i = 0; i < 10; ++i) {
                d.keyDown(VK_NEXT);
                d.w().Timer2Timer();
            }
        });
        report(state, name, pages, t, heap, 10);
    }
}

void ctrlEnd(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    for (auto _ : state) {
        Heap heap;
        const double t = seconds([&] {
            for (int i = 0; i < 5; ++i) {
                d.keyDown(VK_END, ssCtrl);
                d.w().Timer2Timer();
                d.keyDown(VK_HOME, ssCtrl);
                d.w().Timer2Timer();
            }
        });
        report(state, name, pages, t, heap, 10);
    }
}

// A click into the text of the last page, with the view there.
void clickLastPage(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    d.w().Cursor = d.w().Anchor = d.at(2);
    d.w().Timer2Timer();
    // On the caret's line, which the view shows.
    const int32_t y = d.host.y + d.w().CaretY + 2;
    for (auto _ : state) {
        Heap heap;
        const double t = seconds([&] {
            for (int i = 0; i < 10; ++i) {
                d.w().PaintBox1MouseDown(0, 0, 300 + i, y);
                d.w().PaintBox1MouseUp(0, 0, 300 + i, y);
                d.w().Timer2Timer();
            }
        });
        report(state, name, pages, t, heap, 10);
        if (d.w().Cursor.Area != d.at(2).Area) state.SkipWithError("the click missed the last page");
    }
}

// ---- Undo history ---------------------------------------------------------------------

// Fifty edits, each a word typed on a page of its own: what the history
// holds per edit must be about a page, not the document.
void undoHistory(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& d = doc(pages);
    const size_t steps = d.w().UndoCopies.size();
    const std::vector<int32_t> b = d.bodies();
    // Deep enough to keep all fifty, so that undo takes them all back.
    const int32_t depth = d.frame.Options.UndoDepth;
    d.frame.Options.UndoDepth = 60;
    for (auto _ : state) {
        Heap heap;
        const double t = seconds([&] {
            for (int i = 0; i < 50; ++i) {
                d.w().Cursor = d.w().Anchor = TextPos{b[size_t(i) * b.size() / 50], 0, 0};
                d.w().TypingRun = 0;
                for (char c : std::string("word ")) d.press(c);
                d.w().Timer2Timer();
            }
        });
        report(state, name, pages, t, heap, 50);
        state.counters["held_per_edit_KB"] = heap.heldMB() * 1e3 / 50;
        // Areas each edit's snapshot holds a copy of rather than sharing.
        const std::vector<UndoCopy>& copies = d.w().UndoCopies;
        int64_t copied = 0;
        for (size_t k = steps + 1; k < copies.size(); ++k)
            for (size_t i = 0; i < copies[k].Areas.size(); ++i)
                copied += i >= copies[k - 1].Areas.size() || copies[k].Areas.shared(i) != copies[k - 1].Areas.shared(i);
        if (copies.size() > steps + 1) state.counters["areas_per_edit"] = double(copied) / double(copies.size() - steps - 1);
        d.undoTo(steps);
    }
    d.frame.Options.UndoDepth = depth;
}

// ---- A long table -----------------------------------------------------------------------

// A table of four columns and pages/2 rows (2,000 at 4,000 pages), a word
// in each cell; a row and a column inserted at the top and deleted.
void tableRows(benchmark::State& state, const std::string& name, int32_t pages)
{
    Doc& host = doc(pages);  // for the page count in the report only
    (void)host;
    FrameState frame = StandardFrameState();
    frame.Options.SpellWhileTyping = 0;
    ViewHost view;
    TMDIChild w(frame);
    w.setHost(&view);
    OneRowOrColumn dialogs;
    w.TableDialogs = &dialogs;
    Quiet quiet;
    setMessageBoxes(&quiet);
    const int32_t rows = pages / 2;
    w.inserttableXY(4, rows);
    for (TextArea& a : w.Areas)
        for (TextLine& l : a.Lines)
            if (l.IsCell) {
                for (char c : std::string("cell")) {
                    TextChar ch = host.measured[uint8_t(c)];
                    l.Chars.push_back(ch);
                }
            }
    w.SetAllDirtyFlags();
    w.MakeSoftEnters();
    w.Timer2Timer();
    for (auto _ : state) {
        Heap heap;
        double rowIn = 0, rowOut = 0, colIn = 0, colOut = 0;
        rowIn = seconds([&] {
            w.Cursor = w.Anchor = TextPos{0, 0, 0};
            w.insertTableLines();
            w.Timer2Timer();
        });
        rowOut = seconds([&] {
            w.Cursor = w.Anchor = TextPos{0, 0, 0};
            w.DeleteTableCells(1);
            w.Timer2Timer();
        });
        colIn = seconds([&] {
            w.Cursor = w.Anchor = TextPos{0, 0, 0};
            w.InsertTableCols(0);
            w.Timer2Timer();
        });
        colOut = seconds([&] {
            w.Cursor = w.Anchor = TextPos{0, 0, 0};
            w.DeleteTableCells(2);
            w.Timer2Timer();
        });
        report(state, name, pages, rowIn + rowOut + colIn + colOut, heap);
        state.counters["rows"] = rows;
        state.counters["row_in_ms"] = rowIn * 1e3;
        state.counters["row_out_ms"] = rowOut * 1e3;
        state.counters["col_in_ms"] = colIn * 1e3;
        state.counters["col_out_ms"] = colOut * 1e3;
    }
    setMessageBoxes(nullptr);
}

const std::vector<std::pair<std::string, Op>>& ops()
{
    static const std::vector<std::pair<std::string, Op>> list = {
        {"TypeStart", [](auto& s, auto& n, int32_t p) { typeAt(s, n, p, 0); }},
        {"TypeMiddle", [](auto& s, auto& n, int32_t p) { typeAt(s, n, p, 1); }},
        {"TypeEnd", [](auto& s, auto& n, int32_t p) { typeAt(s, n, p, 2); }},
        {"EnterStart", [](auto& s, auto& n, int32_t p) { keyAt(s, n, p, 0, VK_RETURN); }},
        {"EnterMiddle", [](auto& s, auto& n, int32_t p) { keyAt(s, n, p, 1, VK_RETURN); }},
        {"EnterEnd", [](auto& s, auto& n, int32_t p) { keyAt(s, n, p, 2, VK_RETURN); }},
        {"BackspaceStart", [](auto& s, auto& n, int32_t p) { keyAt(s, n, p, 0, VK_BACK); }},
        {"BackspaceMiddle", [](auto& s, auto& n, int32_t p) { keyAt(s, n, p, 1, VK_BACK); }},
        {"BackspaceEnd", [](auto& s, auto& n, int32_t p) { keyAt(s, n, p, 2, VK_BACK); }},
        {"PageDown", pageDown},
        {"CtrlEndHome", ctrlEnd},
        {"ClickLastPage", clickLastPage},
        {"UndoHistory50", undoHistory},
        {"BoldAll", boldAll},
        {"FontAll", fontAll},
        {"DeleteAllUndoRedo", deleteUndoRedo},
        {"PasteQuarter", pasteQuarter},
        {"ReplaceAllThe", replaceAll},
        {"FindAbsent", findAbsent},
        {"SpellCheckAll", spellCheck},
        {"HyphenateAll", hyphenate},
        {"StyleAll", styleAll},
        {"NumberedListInsertTop", numberedList},
        {"TableRowColumn", tableRows},
    };
    return list;
}

// Size by size, so that one document serves every operation.
const bool registered = [] {
    for (int32_t pages = 500; pages <= maxPages(); pages *= 2)
        for (const auto& [name, op] : ops()) {
            const std::string n = name;
            const Op f = op;
            benchmark::RegisterBenchmark(("BM_" + name + "/" + std::to_string(pages)).c_str(),
                                         [n, f, pages](benchmark::State& s) { f(s, n, pages); })
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    return true;
}();

} // namespace
