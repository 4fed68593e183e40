#pragma once
// The long document the layout, typing and undo benchmarks share: about a
// million measured characters of plain paragraphs of random words, some 300
// pages once laid out, in a window of its own.

#include "engine/Childwin.h"
#include "engine/SearchDialog.h"
#include "platform/MessageBox.h"

#include "formats/StandardServices.h"
#include "language/WordList.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::bench {

// A window's view of 900 x 1000 pixels that has the focus and scrolls where
// it is told.
struct ViewHost : HostView {
    int32_t x = 0, y = 0;
    int32_t scrollX() const override { return x; }
    int32_t scrollY() const override { return y; }
    void setScrollPos(int32_t nx, int32_t ny) override
    {
        x = nx;
        y = ny;
    }
    int32_t clientWidth() const override { return 900; }
    int32_t clientHeight() const override { return 1000; }
    bool hasFocus() const override { return true; }
};

// The printable characters measured in the window's current font, by code.
inline void measurePrintable(TMDIChild& w, std::array<TextChar, 256>& measured)
{
    const int32_t font = w.GetNewFontIndex(FontEntryFromState(w.FontState));
    for (int code = 32; code < 127; ++code) {
        TextChar& c = measured[size_t(code)];
        c.Code = uint8_t(code);
        c.setFontIndex(font);
        const char text = char(code);
        w.RenderChar(c, false, std::string_view(&text, 1));
    }
}

// Message boxes that answer every question with OK and show nothing.
struct Quiet : MessageBoxes {
    MsgResult show(std::string_view, std::string_view, MsgIcon, MsgButtons) override { return MsgResult::Ok; }
};

// A search dialog that presses the given buttons in turn, then cancels.
struct Script : SearchDialogUi {
    std::vector<int32_t> presses;
    size_t next = 0;
    int32_t runSearchDialog(SearchFormModel&) override
    {
        return next < presses.size() ? presses[next++] : SearchFormModel::kCancel;
    }
};

struct LongDocumentOptions {
    // The body is one area tall enough for all the text, so the page flow
    // moves no line and what is left is the cost of breaking.
    bool OnePage = false;
    // Text from a fixed seed, so every run measures the same document.
    uint32_t Seed = 12345;
    // Keep the first 20000 words in `words` (for spell checking while typing).
    bool CollectWords = false;
};

struct LongDocument {
    static constexpr size_t kTargetChars = 1000000;

    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;
    // A measured character of the current format for each printable code.
    std::array<TextChar, 256> measured{};
    WordList words;
    size_t chars = 0;

    explicit LongDocument(const LongDocumentOptions& options = {})
    {
        frame.Options.SpellWhileTyping = 0;
        if (options.OnePage) {
            w.Areas[0].AnchorBottom = 0;
            w.Areas[0].Bottom = 1e9;
        }
        measurePrintable(w, measured);

        // Paragraphs of 40..160 words of 2..10 letters.
        uint32_t seed = options.Seed;
        auto next = [&seed](uint32_t n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        std::vector<TextLine>& lines = w.Areas[0].Lines;
        lines.clear();
        std::string word;
        while (chars < kTargetChars) {
            lines.emplace_back();
            InitNewLine(lines, int32_t(lines.size()) - 1);
            TextLine& l = lines.back();
            l.EndKind = ekParagraph;
            l.Para.edit().LineSpacing = 1.25;  // some 300 pages
            const uint32_t count = 40 + next(121);
            for (uint32_t i = 0; i < count; ++i) {
                word.clear();
                const uint32_t len = 2 + next(9);
                for (uint32_t k = 0; k < len; ++k) word.push_back(char('a' + next(26)));
                if (options.CollectWords && words.size() < 20000) words.append(word);
                for (char ch : word) l.Chars.push_back(measured[uint8_t(ch)]);
                if (i + 1 < count) l.Chars.push_back(measured[' ']);
            }
            chars += l.Chars.size();
        }
        if (options.CollectWords) words.sortByKey();
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
    }

    int32_t pages() const
    {
        int32_t n = 0;
        for (const TextArea& a : w.Areas) n += a.AreaType == atPageBody;
        return n;
    }

    // A line in the middle of the middle page body that holds text.
    TextPos middle() const
    {
        std::vector<int32_t> bodies;
        for (int32_t a = 0; a < w.AreaCount(); ++a)
            if (w.Areas[size_t(a)].AreaType == atPageBody && w.Areas[size_t(a)].LineCount() > 0) bodies.push_back(a);
        const int32_t a = bodies[bodies.size() / 2];
        const int32_t l = w.Areas[size_t(a)].LineCount() / 2;
        return TextPos{a, l, std::min(10, w.Areas[size_t(a)].Lines[size_t(l)].CharCount())};
    }

    // Takes out the character just before the caret and lays out again, so
    // that every iteration of a typing benchmark sees the same text.
    void untype()
    {
        const TextPos q = w.Cursor;
        TextLine& m = w.Areas[size_t(q.Area)].Lines[size_t(q.Line)];
        if (q.Char > 0) m.Chars.erase(m.Chars.begin() + q.Char - 1);
        m.Dirty = 1;
        w.MakeSoftEnters();
    }
};

} // namespace quillet::bench
