// The document view offscreen: a real window with the template, typed at
// and clicked on through Qt's own events.

#include "app/DocumentView.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "tests/support/TestPaths.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

using namespace quillet;

namespace {

// The application object lives to the end of the process and is never
// destroyed: the input devices the events below bring into being are torn
// down with it, and at static destruction their registry is gone already.
QApplication& application()
{
    static int argc = 1;
    static char arg0[] = "quillet-test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// Qt's events as the platform would deliver them.
void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < ms);
}

void key(QWidget* w, int k, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, mods, text);
    QApplication::sendEvent(w, &release);
}

void keyClicks(QWidget* w, const std::string& text)
{
    for (char c : text) {
        const int k = c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a')
                      : c >= 'A' && c <= 'Z' ? Qt::Key_A + (c - 'A')
                      : c == ' '            ? Qt::Key_Space
                                            : Qt::Key_unknown;
        key(w, k, QString(QChar(c)));
    }
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void click(QWidget* w, QPoint at)
{
    mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

// The frame as far as activation needs it: this view's window is the
// active one.
struct ActiveUi : FrameUi {
    const TMDIChild* active = nullptr;
    const TMDIChild* activeChild() const override { return active; }
};

// A view beside a line edit in one top-level window, so the focus chain
// has somewhere else to go.
struct Window {
    QApplication& app = application();
    FrameState frame = StandardFrameState();
    ActiveUi ui;
    QWidget top;
    QLineEdit* other = nullptr;
    DocumentView* view = nullptr;

    explicit Window(const std::string& openFile = {})
    {
        frame.ProgDir = test::programDir();
        frame.Options.SpellWhileTyping = 0;
        frame.OpenFileName = openFile;
        auto* row = new QHBoxLayout(&top);
        other = new QLineEdit(&top);
        view = new DocumentView(frame, &ui, &top);
        ui.active = &view->child();
        row->addWidget(other);
        row->addWidget(view, 1);
        top.resize(900, 700);
    }
    bool showAndFocus()
    {
        if (!view->create()) return false;
        top.show();
        top.activateWindow();
        for (int i = 0; i < 200 && !top.isActiveWindow(); ++i) wait(5);
        if (!top.isActiveWindow()) QApplication::setActiveWindow(&top);
        if (!top.isActiveWindow()) return false;
        view->setFocus();
        // Past the deferred first activation too.
        wait(150);
        settle();
        return true;
    }
    // Lets the timers and the deferred passes run until nothing is pending.
    void settle()
    {
        for (int i = 0; i < 200; ++i) {
            wait(5);
            if (view->paintIdle()) {
                wait(10);
                if (view->paintIdle()) break;
            }
        }
    }
    TMDIChild& w() { return view->child(); }
    std::string lineText(int32_t line)
    {
        std::string s;
        const TextArea& a = w().Areas[size_t(w().Cursor.Area)];
        if (line < 0 || line >= a.LineCount()) return s;
        for (const TextChar& c : a.Lines[size_t(line)].Chars) s += char(c.Code);
        return s;
    }
};

size_t distinctColours(const QImage& image)
{
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) seen.insert(image.pixel(x, y));
    return seen.size();
}

} // namespace

TEST(DocumentView, ShowsThePaintedPageAndScrollsOverThePaintBox)
{
    Window win;
    ASSERT_TRUE(win.showAndFocus());
    const QImage image = win.view->viewImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(distinctColours(image), 2u) << "desk, page and its frame at least";
    EXPECT_EQ(image.width(), win.view->clientWidth());

    // What the viewport shows is that image.
    const QImage shown = win.view->pageViewport()->grab().toImage();
    const QPoint probe(image.width() / 2, 40);
    EXPECT_EQ(QColor(shown.pixel(probe)).rgb(), QColor(image.pixel(probe)).rgb());

    // An A4 page is taller than the window: the bar covers the paint box.
    QScrollBar* v = win.view->scrollBox()->verticalScrollBar();
    EXPECT_EQ(v->maximum(), win.w().PaintBoxHeight - win.view->pageViewport()->height());

    // The wheel moves 50 px a notch, and the image follows.
    const int passes = win.view->presentedPasses();
    QWheelEvent wheel(QPointF(100, 100), win.view->pageViewport()->mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(win.view->pageViewport(), &wheel);
    EXPECT_EQ(win.view->scrollY(), 50);
    win.settle();
    EXPECT_GT(win.view->presentedPasses(), passes);
    EXPECT_NE(win.view->viewImage(), image);
}

TEST(DocumentView, ABurstOfKeysIsLaidOutAtOnceAndPaintedOnceByTimer2)
{
    Window win;
    ASSERT_TRUE(win.showAndFocus());
    const QImage before = win.view->viewImage();
    const int passes = win.view->presentedPasses();
    const QRect caret = win.view->caretRect();
    ASSERT_TRUE(win.view->caretVisible());

    keyClicks(win.view, "Hello");
    EXPECT_EQ(win.lineText(win.w().Cursor.Line).substr(0, 5), "Hello");
    EXPECT_EQ(win.w().Cursor.Char, 5);
    EXPECT_TRUE(win.view->timer2Active());
    EXPECT_EQ(win.view->presentedPasses(), passes) << "nothing painted while keys come";

    win.settle();
    EXPECT_EQ(win.view->presentedPasses(), passes + 1);
    EXPECT_NE(win.view->viewImage(), before);
    // The caret moved right along the line.
    EXPECT_GT(win.view->caretRect().x(), caret.x());
    EXPECT_EQ(win.view->caretRect().y(), caret.y());
    EXPECT_EQ(win.view->caretRect().x(), win.w().CaretX);
    EXPECT_TRUE(win.view->caretVisible());
}

TEST(DocumentView, TabReachesTheDocumentNotTheFocusChain)
{
    Window win;
    ASSERT_TRUE(win.showAndFocus());
    key(win.view, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), win.view);
    const std::string line = win.lineText(win.w().Cursor.Line);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line[0], '\t');
    EXPECT_EQ(win.w().Cursor.Char, 1);
}

TEST(DocumentView, ClickPlacesTheCursorOnTheLineUnderTheMouse)
{
    Window win;
    ASSERT_TRUE(win.showAndFocus());
    keyClicks(win.view, "one");
    key(win.view, Qt::Key_Return, "\r");
    keyClicks(win.view, "two");
    key(win.view, Qt::Key_Return, "\r");
    keyClicks(win.view, "three");
    win.settle();
    const int32_t line = win.w().Cursor.Line;
    ASSERT_GE(line, 2);

    // Where the caret stands in the middle line, then away from it.
    key(win.view, Qt::Key_Up);
    win.settle();
    const QRect middle = win.view->caretRect();
    key(win.view, Qt::Key_Down);
    key(win.view, Qt::Key_End);
    win.settle();
    ASSERT_EQ(win.w().Cursor.Line, line);

    win.w().TypingRun = 1;
    click(win.view->pageViewport(), middle.center());
    EXPECT_EQ(win.w().Cursor.Line, line - 1);
    EXPECT_EQ(win.w().Anchor, win.w().Cursor);
    EXPECT_EQ(win.w().TypingRun, 0);
    win.settle();
    EXPECT_EQ(win.view->caretRect().y(), middle.y());

    // A drag to the last line selects from the click on.
    QWidget* vp = win.view->pageViewport();
    const QPoint below = middle.center() + QPoint(0, 2 * middle.height());
    mouse(vp, QEvent::MouseButtonPress, middle.center(), Qt::LeftButton);
    mouse(vp, QEvent::MouseMove, below, Qt::LeftButton);
    mouse(vp, QEvent::MouseButtonRelease, below, Qt::NoButton);
    EXPECT_EQ(win.w().Anchor.Line, line - 1);
    EXPECT_GT(win.w().Cursor.Line, line - 1);
    EXPECT_TRUE(win.w().isThereAmarking());
    win.settle();
    EXPECT_FALSE(win.view->caretVisible()) << "no caret over a selection";
}

TEST(DocumentView, DoubleClickSelectsTheWord)
{
    Window win;
    ASSERT_TRUE(win.showAndFocus());
    keyClicks(win.view, "alpha beta");
    win.settle();
    key(win.view, Qt::Key_Home);
    win.settle();
    const QPoint start = win.view->caretRect().center();
    key(win.view, Qt::Key_End);
    win.settle();
    // Inside "alpha": a third of the way from the line start to its end.
    const QPoint at(start.x() + (win.view->caretRect().x() - start.x()) / 4, start.y());
    QWidget* vp = win.view->pageViewport();
    click(vp, at);
    mouse(vp, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    mouse(vp, QEvent::MouseButtonRelease, at, Qt::NoButton);
    EXPECT_EQ(win.w().Anchor.Char, 0);
    EXPECT_EQ(win.w().Cursor.Char, 6) << "the word and its space";
}

TEST(DocumentView, FocusShowsAndHidesTheCaret)
{
    Window win;
    ASSERT_TRUE(win.showAndFocus());
    ASSERT_TRUE(win.view->caretVisible());
    win.other->setFocus();
    wait(10);
    EXPECT_FALSE(win.view->caretVisible());
    win.view->setFocus();
    win.settle();
    EXPECT_TRUE(win.view->caretVisible());
    EXPECT_EQ(win.view->caretRect().x(), win.w().CaretX);
}

TEST(DocumentView, RulersFollowTheFrameOnActivationAndGiveTheirRoomToThePage)
{
    Window win;
    ASSERT_TRUE(win.showAndFocus());
    ASSERT_TRUE(win.view->rulersVisible());
    const int32_t width = win.view->clientWidth();
    win.frame.Options.ShowRuler = 0;
    win.view->fireTimer1();
    win.settle();
    EXPECT_FALSE(win.view->rulersVisible());
    EXPECT_EQ(win.view->clientWidth(), width + 24);
    EXPECT_EQ(win.view->viewImage().width(), width + 24) << "a pass at the new size";
}

TEST(DocumentView, CaptionComesFromWindows1252AndCloseWaitsForCreation)
{
    Window win;
    QStringList captions;
    int closes = 0;
    QObject::connect(win.view, &DocumentView::captionChanged, [&](const QString& c) { captions << c; });
    QObject::connect(win.view, &DocumentView::closeRequestedSignal, [&] { ++closes; });
    win.view->setCaption("Caf\xe9 \x80");
    ASSERT_EQ(captions.size(), 1);
    EXPECT_EQ(captions.at(0), QString::fromUtf8("Café €"));
    EXPECT_EQ(win.view->windowTitle(), QString::fromUtf8("Café €"));
    win.view->closeWindow();
    EXPECT_EQ(closes, 1);

    // A file that cannot be opened closes the window while it is made:
    // only recorded, the frame drops the view without showing it.
    Window bad((test::outputDir() / "no-such-document.qdt").string());
    int badCloses = 0;
    QObject::connect(bad.view, &DocumentView::closeRequestedSignal, [&] { ++badCloses; });
    EXPECT_FALSE(bad.view->create());
    EXPECT_TRUE(bad.view->closeRequested());
    EXPECT_EQ(badCloses, 0);
}
