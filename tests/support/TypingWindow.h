#pragma once
// A headless document window to type into, as a test fixture: recording
// host and frame UI, no spelling while typing, no hyphenation, the page body
// 100 mm wide without margins, a font table holding only the current
// format, laid out. Keys go in through the window's own key handlers.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "tests/support/RecordingHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quillet::test {

// As the frame UI type: leaves the window with its default UI (one that
// does nothing), for tests that must not depend on what a UI answers.
struct NoFrameUi {};

template <class Ui = RecordingUi>
class TypingWindowOf : public ::testing::Test {
protected:
    // Standard: everything above. Bare: only the host, the UI and the
    // spelling and hyphenation switches; the derived fixture picks the rest
    // (widenBody, resetFonts, layout) in its own order.
    enum class Setup { Standard, Bare };

    explicit TypingWindowOf(Setup setup = Setup::Standard)
    {
        frame.Options.SpellWhileTyping = 0;
        w.setHost(&host);
        if constexpr (!std::is_same_v<Ui, NoFrameUi>) w.setFrameUi(&ui);
        w.AutoHyphenation = 0;
        if (setup == Setup::Standard) {
            widenBody();
            resetFonts();
            layout();
        }
    }

    // The page body 100 mm wide from the page's left edge, no inner margins.
    void widenBody()
    {
        TextArea& a = w.Areas[0];
        a.AnchorRight = 0;
        a.Left = 0;
        a.Right = 100;
        a.InnerLeft = a.InnerRight = 0;
    }

    // Only the current format in the font table.
    void resetFonts()
    {
        w.Fonts.clear();
        w.GetNewFontIndex(FontEntryFromState(w.FontState));
    }

    void layout()
    {
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
    }

    void type(std::string_view s)
    {
        for (char c : s) {
            uint8_t k = uint8_t(c);
            w.getkeysKeyPress(k);
        }
    }

    void key(uint16_t vk, uint8_t shift = 0, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            uint16_t k = vk;
            w.getkeysKeyDown(k, shift);
        }
    }

    static std::string text(const TextLine& l)
    {
        std::string s;
        for (const TextChar& c : l.Chars) s.push_back(char(c.Code));
        return s;
    }

    // Appends hand-made characters (1 mm wide, 4 mm high) to a line that is
    // not laid out.
    static void putChars(TextLine& l, std::string_view text)
    {
        for (char c : text) {
            TextChar ch;
            ch.Code = uint8_t(c);
            ch.Width = 1;
            ch.setHeight(4);
            l.Chars.push_back(ch);
        }
    }

    // Words of four letters: several soft-wrapped lines of the 100 mm body.
    static std::string words(int n, char first = 'a')
    {
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i) s += ' ';
            s += std::string(4, char(first + i % 26));
        }
        return s;
    }

    // The labels of the steps Undo would take back, oldest first.
    std::vector<std::string> undoLabels()
    {
        std::vector<std::string> out;
        for (int32_t i = 0; i < w.UndoPos; ++i) out.push_back(w.UndoCopies[size_t(i)].Label);
        return out;
    }

    RecordingHost host;
    Ui ui;
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;
};

using TypingWindow = TypingWindowOf<>;

} // namespace quillet::test
