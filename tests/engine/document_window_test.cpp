#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestPaths.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <memory>

using namespace quillet;
using quillet::test::RecordingHost;
using quillet::test::RecordingUi;

namespace {

class DocumentWindow : public ::testing::Test {
protected:
    RecordingHost host;
    RecordingUi ui;
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w;

    void SetUp() override
    {
        frame.ProgDir = test::programDir();
        w = std::make_unique<TMDIChild>(frame);
        w->setHost(&host);
        w->setFrameUi(&ui);
        w->DocTitle = "Brief.qdt";
        w->FormCreate();
    }
};

TEST_F(DocumentWindow, CreateBuildsTheEmptyDocumentWithItsDefaults)
{
    // Anything the window held before starts over.
    w->Areas[0].Lines[0].Chars.resize(3);
    w->Vorlagen.resize(2);
    w->ZoomPercent = 40;
    w->FormCreate();

    ASSERT_EQ(w->AreaCount(), 7);
    EXPECT_EQ(w->Areas[0].AreaType, atPageBody);
    ASSERT_EQ(w->Areas[0].LineCount(), 1);
    EXPECT_EQ(w->Areas[0].Lines[0].CharCount(), 0);
    const uint8_t types[] = {atHeader, atFooter, atHeader, atFooter, atHeader, atFooter};
    const uint8_t modes[] = {99, 99, 99, 99, 1, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w->Areas[size_t(i + 1)].AreaType, types[i]) << i;
        EXPECT_EQ(w->Areas[size_t(i + 1)].PageMode, modes[i]) << i;
    }
    EXPECT_EQ(w->Cursor, TextPos{});
    EXPECT_EQ(w->Anchor, TextPos{});

    EXPECT_TRUE(w->DocPath.empty());
    EXPECT_EQ(w->ProgDir.back(), '/');
    EXPECT_EQ(w->PrinterDpi, 600);
    EXPECT_EQ(w->PageWidth, 210);
    EXPECT_EQ(w->PageHeight, 297);
    EXPECT_EQ(w->PageWidthPx, 4960);
    EXPECT_EQ(w->PageHeightPx, 7015);
    EXPECT_EQ(w->ZoomPercent, 100);
    EXPECT_EQ(w->CaretHeight, 14);
    EXPECT_EQ(w->AutoHyphenation, 1);
    EXPECT_EQ(w->DocLanguage, 0);
    EXPECT_EQ(w->FontState.Face, "Times New Roman");
    EXPECT_EQ(w->FontState.Size, 12);
    EXPECT_EQ(w->FontState.Charset, 1);
    EXPECT_EQ(w->FontState.BkColor, 0xFFFFFFu);
    EXPECT_EQ(w->FontState.ShadowColor, 0x808080u);
    EXPECT_EQ(w->FontState.OutlineColor, 0x00FFFFu);
    EXPECT_EQ(w->FontState.BkTransparent, 1);
    EXPECT_EQ(w->PictureDialogFilter.rfind("All Graphics|*.BMP;*.DIB;", 0), 0u);
    EXPECT_NE(w->PictureDialogFilter.find("|All files (*.*)|*.*"), std::string::npos);
    // Every line is laid out.
    for (const TextArea& a : w->Areas)
        for (const TextLine& l : a.Lines) EXPECT_EQ(l.Dirty, 0);

    // The German patterns are the frame's, shared with the next window.
    EXPECT_EQ(w->CurrentPatternTable, frame.PatternsGerman.get());
    TMDIChild second(frame);
    second.FormCreate();
    EXPECT_EQ(second.CurrentPatternTable, w->CurrentPatternTable);
}

struct RecordingBoxes : MessageBoxes {
    std::vector<std::string> texts;
    RecordingBoxes() { setMessageBoxes(this); }
    ~RecordingBoxes() override { setMessageBoxes(nullptr); }
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return MsgResult::Ok;
    }
};

TEST_F(DocumentWindow, MissingTemplateLeavesTheEmptyDocument)
{
    RecordingBoxes boxes;
    frame.ProgDir = test::outputDir() / "no-program-here";
    w->FormCreate();
    EXPECT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(frame.KeepName, 0);
    EXPECT_EQ(w->DocTitle, "Brief.qdt");
    EXPECT_EQ(w->AreaCount(), 7);
    EXPECT_EQ(w->Vorlagen.size(), 5u);
    EXPECT_EQ(w->Modified, 0);
}

TEST_F(DocumentWindow, NamedFileIsOpenedAndAFailedOpenClosesTheWindow)
{
    RecordingBoxes boxes;
    const auto dir = test::outputDir() / "form-create-open";
    std::filesystem::create_directories(dir);
    {
        std::ofstream out(dir / "hello.txt", std::ios::binary);
        out << "Hello\r\nworld\r\n";
    }
    frame.OpenFileName = (dir / "hello.txt").string();
    frame.OpenFilterIndex = 0;
    w->FormCreate();
    EXPECT_EQ(host.closeRequests, 0);
    ASSERT_GE(w->Areas[0].LineCount(), 2);
    EXPECT_EQ(w->Areas[0].Lines[0].CharCount(), 5);

    frame.OpenFileName = (dir / "missing.qdt").string();
    w->FormCreate();
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_FALSE(boxes.texts.empty());
    frame.OpenFileName.clear();
}

TEST_F(DocumentWindow, NewDocumentHasTheFiveStandardStylesInTheStyleBox)
{
    const std::vector<std::string> names = {"Standard", "Caption 1", "Caption 2", "Caption 3",
                                            "Default font"};
    ASSERT_EQ(w->Vorlagen.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(w->Vorlagen[i].Name, names[i]);
    EXPECT_EQ(w->Vorlagen[4].StyleKind, 1);
    const FontEntry& caption2 = w->Fonts[size_t(w->Vorlagen[2].Sample.FontIndex())];
    EXPECT_EQ(caption2.Face, "Arial");
    EXPECT_EQ(caption2.Size, 12);
    EXPECT_EQ(caption2.Style, 3);
    // "Standard" and "Default font" share one font entry.
    EXPECT_EQ(w->Vorlagen[0].Sample.FontIndex(), w->Vorlagen[4].Sample.FontIndex());
    EXPECT_EQ(ui.styleItems, names);
    EXPECT_EQ(ui.styleShown, 0);

    // An unchanged list does not refill the box.
    const int refills = ui.styleBoxRefills;
    w->ListAllVorlagen();
    EXPECT_EQ(ui.styleBoxRefills, refills);
    w->Vorlagen[1].Name = "Heading";
    w->ListAllVorlagen();
    EXPECT_EQ(ui.styleBoxRefills, refills + 1);
    EXPECT_EQ(ui.styleItems[1], "Heading");

    w->AddVorlage(std::string(300, 'x'), 0, TextChar{}, AbsatzFormat{});
    EXPECT_EQ(w->Vorlagen.back().Name, std::string(255, 'x'));
    w->FreeVorlagen();
    EXPECT_TRUE(w->Vorlagen.empty());
}

TEST_F(DocumentWindow, CaptionShowsTheChangeMark)
{
    const int before = ui.fileMenuUpdates;
    w->SetFileChanged(true);
    EXPECT_EQ(host.caption, "Brief.qdt*");
    EXPECT_EQ(w->Modified, 1);
    w->SetFileChanged(false);
    EXPECT_EQ(host.caption, "Brief.qdt");
    EXPECT_EQ(w->Modified, 0);
    EXPECT_EQ(ui.fileMenuUpdates, before + 2);
}

TEST_F(DocumentWindow, BurstOfKeysIsLaidOutEachTimeButPaintedOnce)
{
    host.timer2Restarts = 0;
    host.repaints = 0;
    for (int i = 0; i < 5; ++i) {
        w->Areas[0].Lines[0].Dirty = 1;
        w->RefreshDirtyContent();
        EXPECT_EQ(w->Areas[0].Lines[0].Dirty, 0) << "layout runs at once";
    }
    EXPECT_EQ(host.timer2Restarts, 5);
    EXPECT_EQ(host.repaints, 0);

    // The queue is empty: the one tick arrives.
    ASSERT_TRUE(host.timer2Running);
    w->Timer2Timer();
    EXPECT_FALSE(host.timer2Running);
    EXPECT_EQ(host.repaints, 1);

    // The full refreshes restart the timer too; RefreshContent leaves the view where it is.
    host.y = 1000;
    w->CaretY = -500;
    w->RefreshContent();
    EXPECT_EQ(host.y, 1000);
    EXPECT_EQ(host.timer2Restarts, 6);
    w->CompleteRefresh();
    EXPECT_EQ(host.y, 500);
    EXPECT_EQ(host.timer2Restarts, 7);
    EXPECT_EQ(host.repaints, 1);
}

TEST_F(DocumentWindow, ScrollCursorInViewKeepsTheCaretRectangleVisible)
{
    host.height = 600;
    host.y = 1000;

    // 22 px above the bottom: already fully visible.
    w->CaretY = 578;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 1000);

    // Lower: the 22 px below the caret top come into view.
    w->CaretY = 590;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 1012);

    // Above the view: its top becomes the caret top.
    w->CaretY = -30;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 982);

    // A horizontal scroll bar hides the bottom of the view: a caret
    // that would stand under it scrolls into sight above it.
    host.barHeight = 17;
    w->CaretY = 570;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 982 + 570 + 22 - (600 - 17));
    host.barHeight = 0;
    host.y = 982;

    // Never before the start.
    host.y = 10;
    w->CaretY = -300;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 0);

    // An object or a frame selected as an object keeps the view still.
    host.y = 1000;
    w->CaretY = 2000;
    TextArea object;
    object.AreaType = atRectangle;
    w->Areas.push_back(object);
    w->Cursor = w->Anchor = TextPos{w->AreaCount() - 1, 0, 0};
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 1000);
    w->Areas.back().AreaType = atTextFrame;
    w->Areas.back().Selected = 1;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 1000);
    w->Areas.back().Selected = 0;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 1000 + 2000 + 22 - 600);

    // A cursor outside the document scrolls nothing.
    w->Cursor.Area = 99;
    w->ScrollCursorinView();
    EXPECT_EQ(host.y, 2422);
}

TEST_F(DocumentWindow, ActivationActsOnlyForTheActiveChild)
{
    w->CaretX = 40;
    w->CaretY = 30;
    w->CaretHeight = 18;

    // The application was activated, not a window.
    ui.active = nullptr;
    w->FormActivate(w.get());
    TMDIChild other(frame);
    ui.active = &other;
    w->FormActivate(w.get());
    w->FormDeactivate(w.get());
    EXPECT_EQ(ui.zoomShown, -1);
    EXPECT_EQ(ui.menusVisible, -1);
    EXPECT_TRUE(host.caretCalls.empty());

    ui.active = w.get();
    frame.Options.ShowRuler = 0;
    w->ZoomPercent = 75;
    const int hints = ui.hintUpdates;
    w->FormActivate(w.get());
    EXPECT_EQ(ui.zoomShown, 75);
    EXPECT_EQ(host.caretCalls, (std::vector<std::string>{"create 2x18", "pos 40,30", "show"}));
    EXPECT_EQ(ui.hintUpdates, hints + 1);
    EXPECT_GE(ui.fileMenuUpdates, 1);
    EXPECT_EQ(ui.editMenuUpdates, 1);
    EXPECT_EQ(host.rulersVisible, 0);
    EXPECT_EQ(ui.menusVisible, 1);
    EXPECT_EQ(ui.toolbarsEnabled, 1);

    w->FormDeactivate(w.get());
    EXPECT_EQ(host.caretCalls.back(), "destroy");
    EXPECT_EQ(ui.hintUpdates, hints + 2);

    // No caret with a selection, without focus, or outside the text region.
    host.caretCalls.clear();
    w->Areas[0].Lines[0].Chars.resize(1);
    w->Cursor.Char = 1;
    w->FormActivate(w.get());
    w->Cursor.Char = 0;
    host.focused = false;
    w->FormActivate(w.get());
    host.focused = true;
    w->CaretOutside = 1;
    w->FormActivate(w.get());
    EXPECT_TRUE(host.caretCalls.empty());
}

TEST_F(DocumentWindow, FirstTimerTickActivatesOnceAndDestroyHandsTheMenusBack)
{
    ui.active = w.get();
    frame.Options.ShowRuler = 1;
    w->Timer1Timer();
    EXPECT_EQ(host.timer1Stops, 1);
    EXPECT_EQ(host.rulersVisible, 1);
    EXPECT_EQ(ui.menusVisible, 1);

    w->MakeCopyForUndo("Typing");
    w->FormDestroy();
    EXPECT_EQ(ui.menusVisible, 0);
    EXPECT_EQ(ui.toolbarsEnabled, 0);
    EXPECT_EQ(ui.buttonsEnabled, 0);
    EXPECT_EQ(ui.clipboardEnabled, 0);
    EXPECT_TRUE(w->Areas.empty());
    EXPECT_TRUE(w->Vorlagen.empty());
    EXPECT_TRUE(w->UndoCopies.empty());
    EXPECT_TRUE(w->Fonts.empty());

    TMDIChild::CloseAction action = TMDIChild::CloseAction::None;
    w->FormClose(action);
    EXPECT_EQ(action, TMDIChild::CloseAction::Free);
}

TEST_F(DocumentWindow, WheelScrollsFiftyPixelsAndAPressTakesTheFocus)
{
    host.y = 120;
    w->FormMouseWheelDown();
    EXPECT_EQ(host.y, 170);
    w->FormMouseWheelUp();
    w->FormMouseWheelUp();
    w->FormMouseWheelUp();
    EXPECT_EQ(host.y, 20);
    w->FormMouseWheelUp();
    EXPECT_EQ(host.y, 0);

    host.focused = false;
    w->ScrollBox1MouseDown();
    EXPECT_EQ(host.focusRequests, 1);
    EXPECT_TRUE(host.focused);
}


// The template's page setup runs without the dialog: a new document has
// nothing to undo and nothing to save, and closing it asks no question.
TEST_F(DocumentWindow, NewDocumentFromTheTemplateIsUnchangedWithNothingToUndo)
{
    ASSERT_TRUE(std::filesystem::exists(test::programDir() / "normal.qdm"));
    EXPECT_EQ(w->Modified, 0);
    EXPECT_TRUE(w->UndoCopies.empty());
    EXPECT_EQ(host.caption.find('*'), std::string::npos);
    bool canClose = false;
    w->FormCloseQuery(w.get(), canClose);
    EXPECT_TRUE(canClose);
    // The header areas follow the body's margins as page setup puts them.
    EXPECT_DOUBLE_EQ(w->Areas[5].Bottom, w->Areas[0].InnerTop - 0.5);
    EXPECT_DOUBLE_EQ(w->Areas[6].Top, w->Areas[0].InnerBottom - 0.5);
}

} // namespace
