// Every command of the frame, once each, offscreen: every action reachable
// from the menu bar (through its submenus, each opened first so its enabling
// is current) and every toolbar control (buttons, their drop-down menus,
// each item of each box). The commands are found by walking the widgets, so
// new ones are covered without naming them here.
//
// Runs on a document with text, a table, a text frame, a picture and a
// footnote, with the caret in each of those places in turn; after each
// command the program must still run and the document must save, read back
// to the same text and records, and load into a fresh window. A pass with no
// document window checks that no command makes or changes anything then.
//
// Dialogs are answered by the test: message boxes and file dialogs through
// the frame's interfaces, every other modal window (the frame's dialogs,
// the colour and file choosers) is rejected by a watchdog timer, or in a
// second round confirmed with its OK button.

#include "app/DocumentView.h"
#include "app/Main.h"
#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/StandardServices.h"
#include "platform/Dib.h"
#include "platform/VirtualKeys.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace quillet {
namespace {

namespace fs = std::filesystem;

// Questions that would close or replace something get Cancel (or No), so a
// command never takes the document away; everything else gets its OK.
struct AnsweringBoxes : MessageBoxes {
    std::vector<std::string> texts;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons buttons) override
    {
        texts.emplace_back(text);
        switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel: return MsgResult::Ok;
        case MsgButtons::YesNo: return MsgResult::No;
        case MsgButtons::YesNoCancel: return MsgResult::Cancel;
        }
        return MsgResult::Cancel;
    }
};

// Every file dialog is cancelled.
struct CancellingDialogs : FrameFileDialogs {
    int shown = 0;
    bool getOpenFileName(QWidget*, const std::string&, std::string&, int32_t&) override { return ++shown < 0; }
    bool getSaveFileName(QWidget*, const std::string&, std::string&, int32_t&) override { return ++shown < 0; }
};

// Answers whatever modal window or popup is up: the frame's dialogs, Qt's
// own message boxes, the colour and file choosers. Rejected, or (Accept)
// confirmed with their default button: each of the first few dialogs of a
// command is confirmed once, a file chooser or a dialog that stays up after
// its OK is rejected. One that will not go away is hidden after a while and
// counted, so the test cannot hang.
class ModalWatchdog {
public:
    enum class Answer { Reject, Accept };
    explicit ModalWatchdog(Answer answer) : answer(answer)
    {
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start();
    }
    // A new command starts: it may confirm its first few dialogs again.
    void newCommand() { confirmed = 0; }
    // A modal window the watchdog leaves alone (the test closes it).
    QPointer<QWidget> spare;
    std::vector<std::string> answered;
    std::vector<std::string> stuck;

private:
    static bool pressOk(QDialog& d)
    {
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->isDefault() && b->isVisible() && b->isEnabled()) {
                b->click();
                return true;
            }
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->text().remove('&') == QLatin1String("OK") && b->isVisible() && b->isEnabled()) {
                b->click();
                return true;
            }
        d.accept();
        return true;
    }
    void tick()
    {
        if (QWidget* p = QApplication::activePopupWidget()) p->close();
        QWidget* m = QApplication::activeModalWidget();
        if (m && m == spare) return;
        if (!m) {
            seen = nullptr;
            return;
        }
        const std::string name = m->metaObject()->className();
        auto* d = qobject_cast<QDialog*>(m);
        if (m != seen) {
            seen = m;
            ticks = 0;
            answered.push_back(name);
            if (answer == Answer::Accept && d && !qobject_cast<QFileDialog*>(d) && confirmed < 4) {
                ++confirmed;
                pressOk(*d);
                return;
            }
        }
        if (d) d->reject();
        else m->close();
        if (++ticks > 500) {
            stuck.push_back(name);
            m->hide();
            if (d) d->done(QDialog::Rejected);
        }
    }
    Answer answer;
    QTimer timer;
    QPointer<QWidget> seen;
    int ticks = 0;
    int confirmed = 0;
};

// One command as the walk found it: an action (in a menu chain or on a
// toolbar), a button of its own, or one item of a box.
struct Command {
    std::string path;
    std::vector<QPointer<QMenu>> menus;  // opened in this order before it runs
    QPointer<QAction> action;
    QString text, name;                  // to find the action again when its menu was rebuilt
    QPointer<QAbstractButton> button;
    QPointer<QComboBox> box;
    QString item;
};

// QUILLET_LOG_COMMANDS=1 lists every command as it runs or is found disabled.
bool logCommands()
{
    static const bool on = [] {
        const char* v = std::getenv("QUILLET_LOG_COMMANDS");
        return v && *v == '1';
    }();
    return on;
}

std::string str(const QString& s) { return s.toStdString(); }

class CommandWalk {
public:
    explicit CommandWalk(TMainForm& frame)
    {
        for (QAction* top : frame.menuBar()->actions())
            if (QMenu* m = top->menu()) addMenu(m, {}, str(m->title()));
        QList<QToolBar*> bars = frame.findChildren<QToolBar*>();
        std::sort(bars.begin(), bars.end(), [](QToolBar* a, QToolBar* b) { return a->objectName() < b->objectName(); });
        for (QToolBar* bar : bars) addToolBar(*bar);
        // The toolbars' own right-click menu.
        popup.reset(frame.createPopupMenu());
        if (popup) addMenu(popup.get(), {}, "toolbar popup");
    }
    std::vector<Command> commands;
    std::unique_ptr<QMenu> popup;

private:
    void addMenu(QMenu* menu, std::vector<QPointer<QMenu>> chain, const std::string& path)
    {
        if (!menu || std::find(chain.begin(), chain.end(), menu) != chain.end()) return;
        chain.emplace_back(menu);
        emit menu->aboutToShow();
        int index = 0;
        for (QAction* a : menu->actions()) {
            ++index;
            if (a->isSeparator()) continue;
            const QString label = !a->text().isEmpty() ? a->text()
                                  : !a->toolTip().isEmpty() ? a->toolTip()
                                                            : QStringLiteral("item %1").arg(index);
            const std::string p = path + " > " + str(label);
            if (a->menu()) {
                addMenu(a->menu(), chain, p);
                continue;
            }
            addAction(a, chain, p);
        }
    }
    void addAction(QAction* a, const std::vector<QPointer<QMenu>>& chain, const std::string& path)
    {
        if (!seen.insert(a).second) return;
        Command c;
        c.path = path;
        c.menus = chain;
        c.action = a;
        c.text = a->text();
        c.name = a->objectName();
        commands.push_back(std::move(c));
    }
    void addToolBar(QToolBar& bar)
    {
        const std::string barName = "toolbar " + str(bar.objectName());
        for (QAction* a : bar.actions()) {
            if (a->isSeparator()) continue;
            QWidget* w = bar.widgetForAction(a);
            if (auto* box = qobject_cast<QComboBox*>(w)) {
                for (int i = 0; i < box->count(); ++i) {
                    Command c;
                    c.path = barName + " > " + str(box->objectName()) + " = " + str(box->itemText(i));
                    c.box = box;
                    c.item = box->itemText(i);
                    commands.push_back(std::move(c));
                }
                continue;
            }
            auto* button = qobject_cast<QToolButton*>(w);
            QString text = a->text().isEmpty() ? a->toolTip() : a->text();
            if (text.isEmpty() && w) text = w->toolTip().isEmpty() ? w->objectName() : w->toolTip();
            const std::string label = str(text);
            if (button && button->defaultAction() != a) {
                // A button of its own (its clicked signal is the command).
                Command c;
                c.path = barName + " > button " + str(button->objectName()) + " " + str(button->toolTip());
                c.button = button;
                commands.push_back(std::move(c));
            } else if (!a->menu()) {
                addAction(a, {}, barName + " > " + label);
            }
            QMenu* menu = button && button->menu() ? button->menu() : a->menu();
            if (menu) addMenu(menu, {}, barName + " > " + label + " menu");
            if (!button && w) {
                // A widget holding buttons of its own.
                for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
                    Command c;
                    c.path = barName + " > " + str(b->objectName()) + " " + str(b->toolTip());
                    c.button = b;
                    commands.push_back(std::move(c));
                }
            }
        }
    }
    std::set<QAction*> seen;
};

// The text of a line (kinds and codes), as the file stores it.
std::string lineText(const TextLine& l)
{
    std::string s;
    for (const TextChar& c : l.Chars) {
        s += char(c.Kind);
        s += char(c.Code);
    }
    s += char('0' + l.EndKind);
    return s;
}

// The whole document's text with its hard line ends, blind to where layout
// wrapped the lines.
std::string documentText(const TMDIChild& w)
{
    std::string s;
    for (const TextArea& a : w.Areas) {
        for (const TextLine& l : a.Lines) {
            for (const TextChar& c : l.Chars) {
                s += char(c.Kind);
                s += char(c.Code);
            }
            if (l.EndKind != ekSoft) s += char('0' + l.EndKind);
        }
        s += '|';
    }
    return s;
}

bool posInside(const TMDIChild& w, TextPos p)
{
    if (p.Area < 0 || p.Area >= w.AreaCount()) return false;
    const TextArea& a = w.Areas[size_t(p.Area)];
    if (p.Line < 0 || p.Line >= a.LineCount()) return false;
    return p.Char >= 0 && p.Char <= a.Lines[size_t(p.Line)].CharCount();
}

// The first broken invariant of the window's records; empty when none.
std::string structureFault(const TMDIChild& w)
{
    if (w.Areas.empty()) return "the document has no areas";
    if (!posInside(w, w.Cursor)) return "the cursor lies outside the document";
    if (!posInside(w, w.Anchor)) return "the anchor lies outside the document";
    for (int32_t i = 0; i < w.AreaCount(); ++i) {
        const TextArea& a = w.Areas[size_t(i)];
        const std::string where = "area " + std::to_string(i) + ": ";
        if (a.Lines.empty()) return where + "no lines";
        for (int32_t link : {a.PrevInFlow, a.NextInFlow})
            if (link < -1 || link >= w.AreaCount()) return where + "a flow link out of range";
        if (a.NextInFlow >= 0 && w.Areas[size_t(a.NextInFlow)].PrevInFlow != i) return where + "flow links disagree";
        for (const TextLine& l : a.Lines)
            for (const TextChar& c : l.Chars) {
                if (c.FontIndex() < 0 || c.FontIndex() >= w.FontCount()) return where + "a font index out of range";
                if (c.Kind == ckPicture && c.PictureIndex() >= w.Pictures.size())
                    return where + "a picture index out of range";
            }
    }
    return {};
}

// Saves the window's document to `file`, reads it back and compares text
// and record counts; then loads it into a fresh window. Empty when all agree.
std::string roundTripFault(const TMDIChild& w, const fs::path& file, FrameState& frame)
{
    const std::vector<uint8_t> bytes = writeNativeDocument(w);
    test::writeAll(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    const std::string back = test::readAll(file);
    NativeReadResult r = readNativeDocument(reinterpret_cast<const uint8_t*>(back.data()), back.size());
    if (!r.ok) return "the saved document does not read back: " + r.error;
    const NativeDocument& d = r.doc;
    if (d.Areas.size() != w.Areas.size()) return "area count changed in the file";
    for (size_t i = 0; i < d.Areas.size(); ++i) {
        const auto& a = d.Areas[i].Lines;
        const auto& b = w.Areas[i].Lines;
        if (a.size() != b.size()) return "line count of area " + std::to_string(i) + " changed in the file";
        for (size_t k = 0; k < a.size(); ++k)
            if (lineText(a[k]) != lineText(b[k]))
                return "text of area " + std::to_string(i) + " line " + std::to_string(k) + " changed in the file";
    }
    if (d.Pictures.size() != w.Pictures.size()) return "picture count changed in the file";
    if (d.Fonts.size() != w.Fonts.size()) return "font count changed in the file";
    if (d.Vorlagen.size() != w.Vorlagen.size()) return "style count changed in the file";
    if (d.FootnoteCounter != w.FootnoteCounter) return "footnote counter changed in the file";
    TMDIChild fresh(frame);
    takeNativeDocument(fresh, std::move(r.doc));
    fresh.SetAllDirtyFlags();
    fresh.MakeSoftEnters();
    if (std::string f = structureFault(fresh); !f.empty()) return "reopened: " + f;
    return {};
}

// The document the commands run on, built with the editing operations:
// two paragraphs (the second bold and larger), a footnote, a 2 x 2 table,
// a picture and a text frame.
std::vector<uint8_t> buildDocument(FrameState& frame)
{
    TMDIChild w(frame);
    auto type = [&](std::string_view s) {
        for (char ch : s) {
            if (ch == '\n') {
                uint16_t k = VK_RETURN;
                w.getkeysKeyDown(k, 0);
            } else {
                uint8_t k = uint8_t(ch);
                w.getkeysKeyPress(k);
            }
        }
    };
    type("The first paragraph has plain words in it.\n");
    w.FontState.Style = 1;
    w.FontState.Size = 16;
    type("A bold and larger paragraph with a note");
    w.FussnoteEinfuegen();
    const TextPos back = w.Cursor;
    const int32_t note = w.GetFootNoteField(1);
    if (note >= 0) {
        w.Cursor = w.Anchor = TextPos{note, 0, w.Areas[size_t(note)].Lines[0].CharCount()};
        type("the footnote text");
        w.Cursor = w.Anchor = back;
    }
    w.FontState.Style = 0;
    w.FontState.Size = 10;
    type(".\n");
    w.inserttableXY(2, 2);
    type("cell one");
    // Below the table: the last line of the body.
    TextArea& body = w.Areas[0];
    w.Cursor = w.Anchor = TextPos{0, body.LineCount() - 1, body.Lines.back().CharCount()};
    type("After the table a picture: ");
    Dib pic;
    std::vector<RgbQuad> grey(256);
    for (int i = 0; i < 256; ++i) grey[size_t(i)] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    newdib(&pic, 24, 16, 8, &grey, 256);
    for (size_t i = 0; i < pic.Bits.size(); ++i) pic.Bits[i] = uint8_t(i * 5);
    w.InsertPictureAtCursor(std::move(pic), 96, false);
    type(" and the end.");
    const int32_t frameArea = w.TextfeldEinfuegenSimple(0, 120, 200, 180, 240);
    w.Cursor = w.Anchor = TextPos{frameArea, 0, 0};
    type("Text in a frame");
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    w.SetAllDirtyFlags();
    w.MakeSoftEnters();
    return writeNativeDocument(w);
}

class EveryAction : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Only the test scanner: no command may reach a real device.
        setenv("SANE_CONFIG_DIR", (test::dataDir() / "sane").c_str(), 1);
        test::app();
        dir = test::freshTestDir("every-action");
        for (const char* name : {"normal.qdm", "german.spe", "german0.hyp", "english.spe", "english0.hyp"})
            if (fs::exists(test::programDir() / name)) fs::create_symlink(test::programDir() / name, dir / name);
        frameState.Options.SpellWhileTyping = 0;
        original = buildDocument(frameState);
        fixture = dir / "every-part.qdt";
        test::writeAll(fixture, std::string_view(reinterpret_cast<const char*>(original.data()), original.size()));
    }
    void TearDown() override
    {
        if (frame) {
            for (DocumentView* v : frame->documentViews()) v->child().SetFileChanged(false);
            frame.reset();
        }
    }

    void startFrame(QStringList args)
    {
        TMainForm::StartOptions o;
        o.ProgDir = dir;
        o.RegisterFileType = false;
        o.Arguments = std::move(args);
        o.Boxes = &boxes;
        o.Dialogs = &dialogs;
        o.Printer = &printer;
        frame = std::make_unique<TMainForm>(std::move(o));
        frame->show();
        settle();
    }

    // Lets timers and queued work run until the active window has painted.
    void settle()
    {
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
            DocumentView* v = frame ? frame->activeView() : nullptr;
            if (!v || v->paintIdle()) break;
            if (v->timer2Active()) v->fireTimer2();
        }
    }

    // Closes every document window without questions.
    void closeAll()
    {
        for (DocumentView* v : frame->documentViews()) v->child().SetFileChanged(false);
        frame->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
    }

    // Closes every document window but `keep`, without questions.
    void closeAllBut(DocumentView* keep)
    {
        for (QMdiSubWindow* sub : frame->mdiArea()->subWindowList())
            if (auto* v = qobject_cast<DocumentView*>(sub->widget()); v && v != keep) {
                v->child().SetFileChanged(false);
                sub->close();
            }
        QCoreApplication::processEvents();
    }

    DocumentView* openFixture()
    {
        frame->State.OpenFileName = fixture.string();
        frame->State.OpenFilterIndex = 1;
        DocumentView* v = frame->OpenMDIChild("every-part.qdt");
        settle();
        return v;
    }

    // Runs one command; false when it was not there or not enabled.
    bool run(Command& c)
    {
        for (const QPointer<QMenu>& m : c.menus)
            if (m) emit m->aboutToShow();
        if (!c.menus.empty()) {
            QMenu* last = c.menus.back();
            if (!last) return false;
            if (!c.action || !last->actions().contains(c.action.data())) {
                c.action = nullptr;
                for (QAction* a : last->actions())
                    if (a->text() == c.text && a->objectName() == c.name) c.action = a;
            }
        }
        if (c.action) {
            if (!c.action->isEnabled()) return false;
            c.action->trigger();
            return true;
        }
        if (c.button) {
            if (!c.button->isEnabled()) return false;
            c.button->click();
            return true;
        }
        if (c.box) {
            const int i = c.box->findText(c.item);
            if (i < 0 || !c.box->isEnabled()) return false;
            c.box->setCurrentIndex(i);
            emit c.box->activated(i);
            emit c.box->textActivated(c.item);
            return true;
        }
        return false;
    }

    // Failures the frame reported instead of doing the command.
    void expectNoCommandFailure(const std::string& path, size_t boxesBefore)
    {
        for (size_t i = boxesBefore; i < boxes.texts.size(); ++i)
            EXPECT_EQ(boxes.texts[i].rfind("The command could not be completed", 0), std::string::npos)
                << path << ": " << boxes.texts[i];
    }

    fs::path dir, fixture;
    FrameState frameState = StandardFrameState();
    std::vector<uint8_t> original;
    AnsweringBoxes boxes;
    CancellingDialogs dialogs;
    PrinterInfo printer;  // no printer: print commands say so and start no job
    std::unique_ptr<TMainForm> frame;
};

// Where the caret stands while the commands run, each found in the opened
// document by what is there.
enum class Place { BodySelection, TableCell, TextFrame, Picture, Footnote };

struct PlaceCase {
    Place place;
    ModalWatchdog::Answer answer;
    const char* name;
};
// The case's name in test listings.
void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

bool putCaret(TMDIChild& w, Place place)
{
    switch (place) {
    case Place::BodySelection:
        w.Anchor = TextPos{0, 0, 4};
        w.Cursor = TextPos{0, 0, 9};
        return true;
    case Place::TableCell:
        for (int32_t l = 0; l < w.Areas[0].LineCount(); ++l)
            if (w.Areas[0].Lines[size_t(l)].IsCell) {
                w.Cursor = w.Anchor = TextPos{0, l, 0};
                return true;
            }
        return false;
    case Place::TextFrame:
        for (int32_t a = 0; a < w.AreaCount(); ++a)
            if (w.Areas[size_t(a)].AreaType == atTextFrame) {
                w.Cursor = w.Anchor = TextPos{a, 0, 2};
                return true;
            }
        return false;
    case Place::Picture:
        for (int32_t l = 0; l < w.Areas[0].LineCount(); ++l) {
            const auto& chars = w.Areas[0].Lines[size_t(l)].Chars;
            for (size_t c = 0; c < chars.size(); ++c)
                if (chars[c].Kind == ckPicture) {
                    w.Anchor = TextPos{0, l, int32_t(c)};
                    w.Cursor = TextPos{0, l, int32_t(c) + 1};
                    return true;
                }
        }
        return false;
    case Place::Footnote: {
        const int32_t a = w.GetFootNoteField(1);
        if (a < 0) return false;
        w.Cursor = w.Anchor = TextPos{a, 0, w.Areas[size_t(a)].Lines[0].CharCount()};
        return true;
    }
    }
    return false;
}

TEST_F(EveryAction, TheBuiltDocumentHoldsEveryPartAndRoundTrips)
{
    NativeReadResult r = readNativeDocument(original);
    ASSERT_TRUE(r.ok) << r.error;
    TMDIChild w(frameState);
    takeNativeDocument(w, std::move(r.doc));
    EXPECT_EQ(structureFault(w), "");
    EXPECT_EQ(roundTripFault(w, dir / "check.qdt", frameState), "");
    for (Place p : {Place::BodySelection, Place::TableCell, Place::TextFrame, Place::Picture, Place::Footnote})
        EXPECT_TRUE(putCaret(w, p)) << int(p);
    EXPECT_EQ(w.Pictures.size(), 1u);

    // The checks see a broken record: each case breaks one thing.
    struct Broken {
        const char* what;
        void (*breakIt)(TMDIChild&);
    };
    const Broken cases[] = {
        {"cursor", [](TMDIChild& d) { d.Cursor.Line = d.Areas[0].LineCount(); }},
        {"anchor", [](TMDIChild& d) { d.Anchor.Char = -1; }},
        {"font index", [](TMDIChild& d) { d.Areas[0].Lines[0].Chars[0].setFontIndex(d.FontCount()); }},
        {"flow link", [](TMDIChild& d) { d.Areas[0].NextInFlow = d.AreaCount(); }},
        {"no lines", [](TMDIChild& d) { d.Areas.back().Lines.clear(); }},
    };
    for (const Broken& b : cases) {
        TMDIChild copy(frameState);
        NativeReadResult again = readNativeDocument(original);
        ASSERT_TRUE(again.ok);
        takeNativeDocument(copy, std::move(again.doc));
        b.breakIt(copy);
        EXPECT_NE(structureFault(copy), "") << b.what;
    }
}

TEST_F(EveryAction, WithoutADocumentNoCommandMakesOrChangesAnything)
{
    startFrame({});
    ModalWatchdog watchdog(ModalWatchdog::Answer::Reject);
    closeAll();
    ASSERT_EQ(frame->ActiveMDIChild(), nullptr);
    CommandWalk walk(*frame);
    ASSERT_GT(walk.commands.size(), 20u);
    int ran = 0;
    std::vector<std::string> madeWindows;
    for (Command& c : walk.commands) {
        // Exit ends the program (the frame closes); nothing else is skipped.
        if (c.name == QLatin1String("FileExit1")) continue;
        SCOPED_TRACE(c.path);
        const size_t boxesBefore = boxes.texts.size();
        if (!run(c)) continue;
        if (logCommands()) std::printf("  ran  %s\n", c.path.c_str());
        ++ran;
        settle();
        ASSERT_TRUE(frame->isVisible()) << c.path << " closed the frame";
        expectNoCommandFailure(c.path, boxesBefore);
        // Only a command that makes a document may leave one, and that one
        // must be a new, unchanged document.
        for (DocumentView* v : frame->documentViews()) {
            EXPECT_EQ(structureFault(v->child()), "") << c.path;
            madeWindows.push_back(c.path);
        }
        if (!frame->documentViews().empty()) closeAll();
    }
    EXPECT_GT(ran, 10);
    EXPECT_TRUE(watchdog.stuck.empty());
    // New (and the recent files, if any) are the commands that make windows.
    for (const std::string& p : madeWindows) EXPECT_NE(p.find("New"), std::string::npos) << p << " made a window";
}

// The two tests below run every command inside other work, where each must
// be refused. They are off until the recent-file items and page drags hold
// the frame's busy guard (FrameBusy); run them with
// --gtest_also_run_disabled_tests.
TEST_F(EveryAction, WhileADialogIsUpNoCommandRuns)
{
    startFrame({QString::fromStdString(fixture.string())});
    ModalWatchdog watchdog(ModalWatchdog::Answer::Reject);
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    TMDIChild& w = *frame->ActiveMDIChild();
    ASSERT_TRUE(putCaret(w, Place::BodySelection));
    const std::string textBefore = documentText(w);
    CommandWalk walk(*frame);
    auto* about = frame->findChild<QAction*>(QStringLiteral("HelpAbout1"));
    ASSERT_NE(about, nullptr);

    // Every command while the about box is up: each must be refused, so no
    // other dialog opens inside it and the document stays as it is.
    int ran = 0;
    bool reached = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        reached = box != nullptr;
        watchdog.spare = box;
        for (Command& c : walk.commands) {
            if (c.name == QLatin1String("FileExit1") || c.action == about) continue;
            const size_t dialogs = watchdog.answered.size();
            const size_t windows = frame->documentViews().size();
            if (!run(c)) continue;
            ++ran;
            QCoreApplication::processEvents();
            const std::vector<DocumentView*> views = frame->documentViews();
            EXPECT_EQ(watchdog.answered.size(), dialogs) << c.path << " opened a dialog inside the about box";
            EXPECT_EQ(views.size(), windows) << c.path << " made a window inside the about box";
            if (!views.empty()) {
                EXPECT_EQ(documentText(views[0]->child()), textBefore) << c.path << " changed the text";
            }
        }
        if (auto* d = qobject_cast<QDialog*>(box)) d->reject();
    });
    about->trigger();
    settle();
    EXPECT_TRUE(reached) << "the about box did not show";
    EXPECT_GT(ran, 20);
    ASSERT_FALSE(frame->documentViews().empty());
    EXPECT_EQ(documentText(frame->documentViews()[0]->child()), textBefore);
}

TEST_F(EveryAction, WhileADragIsUnderWayNoCommandRuns)
{
    startFrame({QString::fromStdString(fixture.string())});
    ModalWatchdog watchdog(ModalWatchdog::Answer::Reject);
    QPointer<DocumentView> view = frame->activeView();
    ASSERT_TRUE(view);
    TMDIChild& w = view->child();
    CommandWalk walk(*frame);

    // A rectangle being drawn on the page: armed, pressed and moved.
    w.SetInsertObjMode(2);
    QWidget* page = view->pageViewport();
    const QPoint from(page->width() / 2, page->height() / 3), to = from + QPoint(40, 30);
    QTest::mousePress(page, Qt::LeftButton, {}, from);
    QTest::mouseMove(page, to);
    ASSERT_TRUE(w.MouseDragActive());
    const std::string textBefore = documentText(w);
    int ran = 0;
    for (Command& c : walk.commands) {
        if (c.name == QLatin1String("FileExit1")) continue;
        const size_t dialogs = watchdog.answered.size();
        const size_t windows = frame->documentViews().size();
        if (!run(c)) continue;
        ++ran;
        QCoreApplication::processEvents();
        ASSERT_TRUE(view) << c.path << " closed the window during the drag";
        EXPECT_EQ(watchdog.answered.size(), dialogs) << c.path << " opened a dialog during the drag";
        EXPECT_EQ(frame->documentViews().size(), windows) << c.path << " made a window during the drag";
        EXPECT_EQ(documentText(view->child()), textBefore) << c.path << " changed the text during the drag";
    }
    QTest::mouseRelease(page, Qt::LeftButton, {}, to);
    settle();
    EXPECT_GT(ran, 20);
    ASSERT_TRUE(view);
    EXPECT_EQ(structureFault(view->child()), "");
    EXPECT_EQ(roundTripFault(view->child(), dir / "roundtrip.qdt", frameState), "");
}

constexpr ModalWatchdog::Answer kReject = ModalWatchdog::Answer::Reject;
constexpr ModalWatchdog::Answer kAccept = ModalWatchdog::Answer::Accept;

class EveryActionAt : public EveryAction, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(EveryActionAt, EachCommandLeavesAConsistentDocument)
{
    startFrame({QString::fromStdString(fixture.string())});
    ModalWatchdog watchdog(GetParam().answer);
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    QPointer<DocumentView> view = frame->activeView();
    CommandWalk walk(*frame);
    ASSERT_GT(walk.commands.size(), 20u);

    int ran = 0, reloads = 0;
    bool fresh = true;
    // Commands that changed the text and left no undo step.
    std::vector<std::string> withoutUndo;
    for (Command& c : walk.commands) {
        if (c.name == QLatin1String("FileExit1")) continue;
        SCOPED_TRACE(c.path);
        if (!fresh) {
            // The last command changed the document: start again from the file.
            closeAll();
            view = openFixture();
            ASSERT_TRUE(view) << "the document does not open again";
            ++reloads;
        }
        TMDIChild& w = view->child();
        ASSERT_TRUE(putCaret(w, GetParam().place));
        w.OvertakeFont();
        settle();
        const size_t boxesBefore = boxes.texts.size();
        watchdog.newCommand();
        const std::vector<uint8_t> before = writeNativeDocument(w);
        const std::string textBefore = documentText(w);
        if (!run(c)) {
            if (logCommands()) std::printf("  off  %s\n", c.path.c_str());
            fresh = true;
            continue;
        }
        if (logCommands()) std::printf("  ran  %s\n", c.path.c_str());
        ++ran;
        settle();
        ASSERT_TRUE(frame->isVisible()) << c.path << " closed the frame";
        expectNoCommandFailure(c.path, boxesBefore);
        if (!view) {
            // The command closed the window (it was unchanged): nothing to check.
            fresh = false;
            continue;
        }
        // A command that made another window (New) leaves ours as it was.
        const std::string structure = structureFault(view->child());
        EXPECT_EQ(structure, "") << c.path;
        if (structure.empty()) {
            EXPECT_EQ(roundTripFault(view->child(), dir / "roundtrip.qdt", frameState), "") << c.path;
        }
        if (structure.empty() && documentText(view->child()) != textBefore) {
            // Undo, as often as the Edit menu offers it, brings the text back.
            int undone = 0;
            for (; undone < 40 && view; ++undone) {
                emit frame->editMenu()->aboutToShow();
                if (!frame->undoAction()->isEnabled()) break;
                frame->undoAction()->trigger();
                settle();
            }
            if (logCommands()) std::printf("       the text changed; undone %d times\n", undone);
            if (undone == 0) {
                withoutUndo.push_back(c.path);
            } else if (view) {
                EXPECT_EQ(documentText(view->child()), textBefore) << c.path << ": undone " << undone << " times";
                EXPECT_EQ(structureFault(view->child()), "") << c.path << " after undo";
            }
        }
        fresh = view && frame->documentViews().size() == 1 && writeNativeDocument(view->child()) == before;
    }
    EXPECT_GT(ran, 20);
    EXPECT_TRUE(watchdog.stuck.empty());
    for (const std::string& p : withoutUndo) std::printf("  no undo step: %s\n", p.c_str());
    std::printf("%s: %d commands ran, %d reloads, %zu dialogs answered\n", GetParam().name, ran, reloads,
                watchdog.answered.size());
}

INSTANTIATE_TEST_SUITE_P(Caret, EveryActionAt,
                         ::testing::Values(PlaceCase{Place::BodySelection, kReject, "BodySelection"},
                                           PlaceCase{Place::TableCell, kReject, "TableCell"},
                                           PlaceCase{Place::TextFrame, kReject, "TextFrame"},
                                           PlaceCase{Place::Picture, kReject, "Picture"},
                                           PlaceCase{Place::Footnote, kReject, "Footnote"},
                                           PlaceCase{Place::BodySelection, kAccept, "BodySelectionConfirmed"},
                                           PlaceCase{Place::TableCell, kAccept, "TableCellConfirmed"},
                                           PlaceCase{Place::TextFrame, kAccept, "TextFrameConfirmed"},
                                           PlaceCase{Place::Picture, kAccept, "PictureConfirmed"}),
                         [](const ::testing::TestParamInfo<PlaceCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace quillet
