// The mouse on the real document view offscreen: selecting, dragging a
// frame's handle, the rulers' markers and tab stops, and drags that end
// some other way than by their release.

#include "app/DocumentView.h"
#include "app/widgets/Ruler.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestPaths.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

using namespace quillet;

namespace {

QApplication& application()
{
    static int argc = 1;
    static char arg0[] = "quillet-test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < ms);
}

struct ActiveUi : FrameUi {
    const TMDIChild* active = nullptr;
    const TMDIChild* activeChild() const override { return active; }
};

struct View {
    QApplication& app = application();
    FrameState frame = StandardFrameState();
    ActiveUi ui;
    DocumentView* view = nullptr;
    std::unique_ptr<DocumentView> owner;

    View()
    {
        frame.ProgDir = test::programDir();
        frame.Options.SpellWhileTyping = 0;
        owner = std::make_unique<DocumentView>(frame, &ui);
        view = owner.get();
        ui.active = &view->child();
        view->resize(900, 700);
        view->ShowPopups = false;
    }
    bool show()
    {
        if (!view->create()) return false;
        view->show();
        view->activateWindow();
        for (int i = 0; i < 200 && !view->isActiveWindow(); ++i) wait(5);
        if (!view->isActiveWindow()) QApplication::setActiveWindow(view);
        view->setFocus();
        wait(150);
        settle();
        return view->hasFocus();
    }
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
    void type(const char* text)
    {
        QTest::keyClicks(view, QString::fromLatin1(text));
        settle();
    }
    TMDIChild& w() { return view->child(); }
    QWidget* vp() { return view->pageViewport(); }
    // Viewport pixels of page 0's millimetres.
    QPoint at(double xMm, double yMm)
    {
        w().PageLocate = {};
        w().PageLocate.Request = 1;
        w().PageLocate.Y = 5 + view->scrollY();
        w().PaintBox1Paint();
        w().PageLocate.Request = 0;
        const double px = mousegeom::mmPerPixel(w().DisplayDpi, w().ZoomPercent);
        return QPoint(w().PageLocate.OriginX + int(std::trunc(xMm / px)) - view->scrollX(),
                      w().PageLocate.OriginY + int(std::trunc(yMm / px)) - view->scrollY());
    }
    const AbsatzFormat& para() { return w().Areas[0].Lines[0].Para; }
    std::string lineText()
    {
        std::string s;
        for (const TextChar& c : w().Areas[0].Lines[0].Chars) s += char(c.Code);
        return s;
    }
};

} // namespace

TEST(MouseView, ClickAndDragSelectThenEscDropsADrag)
{
    View v;
    ASSERT_TRUE(v.show());
    v.type("alpha beta gamma");
    QTest::keyClick(v.view, Qt::Key_Home);
    v.settle();
    // Just right of the caret: inside the first letter, not left of the text
    // (a press there selects lines).
    const QPoint start = v.view->caretRect().center() + QPoint(2, 0);
    QTest::keyClick(v.view, Qt::Key_End);
    v.settle();
    const QPoint end = v.view->caretRect().center();

    QTest::mouseClick(v.vp(), Qt::LeftButton, {}, start);
    EXPECT_EQ(v.w().Cursor.Char, 0);
    EXPECT_FALSE(v.w().isThereAmarking());

    QTest::mousePress(v.vp(), Qt::LeftButton, {}, start);
    QTest::mouseMove(v.vp(), end);
    QTest::mouseRelease(v.vp(), Qt::LeftButton, {}, end);
    EXPECT_EQ(v.w().Anchor.Char, 0);
    EXPECT_EQ(v.w().Cursor.Char, 16);
    EXPECT_EQ(v.vp()->cursor().shape(), Qt::IBeamCursor);

    // Esc during a drag ends it where it stands: further moves select nothing more.
    const QPoint middle((start.x() + end.x()) / 2, start.y());
    QTest::mouseClick(v.vp(), Qt::LeftButton, {}, start);
    QTest::mousePress(v.vp(), Qt::LeftButton, {}, start);
    QTest::mouseMove(v.vp(), middle);
    const TextPos reached = v.w().Cursor;
    ASSERT_GT(reached.Char, 0);
    QTest::keyClick(v.view, Qt::Key_Escape);
    EXPECT_FALSE(v.w().MouseDragActive());
    QTest::mouseMove(v.vp(), end);
    QTest::mouseRelease(v.vp(), Qt::LeftButton, {}, end);
    EXPECT_EQ(v.w().Cursor, reached);
    EXPECT_EQ(v.lineText(), "alpha beta gamma") << "the key typed nothing";

    // Dragged below the viewport, the page scrolls on by itself.
    v.settle();
    ASSERT_EQ(v.view->scrollY(), 0);
    QTest::mouseClick(v.vp(), Qt::LeftButton, {}, start);
    QTest::mousePress(v.vp(), Qt::LeftButton, {}, start);
    QTest::mouseMove(v.vp(), QPoint(start.x(), v.vp()->height() + 30));
    wait(300);
    EXPECT_GT(v.view->scrollY(), 0);
    QTest::mouseRelease(v.vp(), Qt::LeftButton, {}, QPoint(start.x(), v.vp()->height() + 30));
    const int scrolled = v.view->scrollY();
    wait(150);
    EXPECT_EQ(v.view->scrollY(), scrolled) << "the release stops it";
}

TEST(MouseView, AFramesHandleResizesItAndASecondButtonDropsTheDrag)
{
    View v;
    ASSERT_TRUE(v.show());
    v.type("text");
    test::addArea(v.w(), atRectangle, 40, 60, 80, 100);
    const int32_t ai = v.w().AreaCount() - 1;
    v.w().RefreshContent();
    v.settle();
    const double px = mousegeom::mmPerPixel(v.w().DisplayDpi, v.w().ZoomPercent);

    // The bottom-right handle lies just outside the corner.
    const QPoint corner = v.at(80, 100) + QPoint(3, 3);
    QTest::mousePress(v.vp(), Qt::LeftButton, {}, corner);
    ASSERT_EQ(v.w().ObjectGrabbed, 1);
    EXPECT_EQ(v.w().ObjectDrag.Handle, 4);
    QTest::mouseMove(v.vp(), corner + QPoint(40, 20));
    EXPECT_FALSE(v.view->overlayRect().isNull()) << "the outline shows while dragging";
    QTest::mouseRelease(v.vp(), Qt::LeftButton, {}, corner + QPoint(40, 20));
    const TextArea& a = v.w().Areas[size_t(ai)];
    EXPECT_NEAR(a.Right, 80 + 40 * px, 1e-9);
    EXPECT_NEAR(a.Bottom, 100 + 20 * px, 1e-9);
    EXPECT_EQ(a.Left, 40);
    EXPECT_TRUE(v.view->overlayRect().isNull());
    // Over the handle of the selected area the cursor tells what a drag does.
    v.settle();
    QTest::mouseMove(v.vp(), v.at(a.Right, a.Bottom) + QPoint(3, 3));
    EXPECT_EQ(v.vp()->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(v.vp(), v.at(a.Left, a.Top) + QPoint(10, -3));
    EXPECT_EQ(v.vp()->cursor().shape(), Qt::SizeAllCursor);

    // The right button pressed during a drag ends it with nothing applied.
    v.settle();
    const double right = a.Right;
    const QPoint corner2 = v.at(right, a.Bottom) + QPoint(3, 3);
    QTest::mousePress(v.vp(), Qt::LeftButton, {}, corner2);
    ASSERT_EQ(v.w().ObjectGrabbed, 1);
    QTest::mouseMove(v.vp(), corner2 + QPoint(60, 0));
    QTest::mousePress(v.vp(), Qt::RightButton, Qt::NoModifier, corner2 + QPoint(60, 0));
    QTest::mouseRelease(v.vp(), Qt::RightButton, {}, corner2 + QPoint(60, 0));
    QTest::mouseRelease(v.vp(), Qt::LeftButton, {}, corner2 + QPoint(60, 0));
    EXPECT_EQ(v.w().Areas[size_t(ai)].Right, right);
    EXPECT_EQ(v.w().ObjectGrabbed, 0);
    EXPECT_TRUE(v.view->overlayRect().isNull());
}

TEST(MouseView, IndentMarkerAndTabStopsOnTheRuler)
{
    View v;
    ASSERT_TRUE(v.show());
    v.type("ruled paragraph");
    RulerWidget* ruler = v.view->horizontalRuler();
    ASSERT_TRUE(ruler && ruler->isVisible());
    const auto& r = v.w().RulerValues;
    ASSERT_LT(r.HLeftPx, r.HRightPx) << "the pass handed the ruler its values";
    const double pxPerMm = (r.HRightPx - r.HLeftPx) / (r.HEndMm - r.HStartMm);

    // The left marker by its lower part, about 20 mm to the right: snapped.
    const QPoint marker(ruler::leftMarkerX(r), 20);
    const size_t steps = v.w().UndoCopies.size();
    QTest::mousePress(ruler, Qt::LeftButton, {}, marker);
    QTest::mouseMove(ruler, marker + QPoint(int(21 * pxPerMm), 0));
    EXPECT_FALSE(v.view->overlayRect().isNull()) << "the guide line over the page";
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, marker + QPoint(int(21 * pxPerMm), 0));
    EXPECT_DOUBLE_EQ(v.para().LeftIndent, 20);
    EXPECT_EQ(v.w().UndoCopies.size(), steps + 1);
    EXPECT_TRUE(v.view->overlayRect().isNull());
    v.settle();

    // The corner box to centre, then a click on the white scale at ~60 mm.
    QTest::mouseClick(v.view->tabKindBox(), Qt::LeftButton);
    EXPECT_EQ(v.frame.Options.RulerTabKind, 1);
    const int x60 = r.HLeftPx + int(std::lround(61 * pxPerMm));
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(x60, 14));
    ASSERT_EQ(v.para().TabCount(), 1);
    EXPECT_EQ(v.para().Tabs[0], (TabStop{60, 1, 0}));
    v.settle();

    // A second stop at ~90 mm dragged onto the first replaces it.
    const int x90 = r.HLeftPx + int(std::lround(91 * pxPerMm));
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(x90, 14));
    ASSERT_EQ(v.para().TabCount(), 2);
    v.settle();
    const QPoint tab90(ruler::tabX(r, 90), 14);
    QTest::mousePress(ruler, Qt::LeftButton, {}, tab90);
    QTest::mouseMove(ruler, QPoint(x60, 14));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(x60, 14));
    ASSERT_EQ(v.para().TabCount(), 1);
    EXPECT_EQ(v.para().Tabs[0].Position, 60);

    // Esc during a click's drag: the stop it made goes again.
    v.settle();
    const size_t before = v.w().UndoCopies.size();
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(x90, 14));
    ASSERT_EQ(v.w().Areas[0].Lines[0].Para->TabCount(), 2);
    QTest::keyClick(v.view, Qt::Key_Escape);
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(x90, 14));
    EXPECT_EQ(v.para().TabCount(), 1);
    EXPECT_EQ(v.w().UndoCopies.size(), before);
    EXPECT_TRUE(v.view->overlayRect().isNull());
}

TEST(MouseView, RightClickBuildsThePopupWithTheFramesItems)
{
    View v;
    ASSERT_TRUE(v.show());
    v.type("word");
    int fixed = 0;
    v.view->AddFixedPopupItems = [&](QMenu& m) {
        ++fixed;
        m.addAction(QStringLiteral("Cut"));
    };
    QTest::mouseClick(v.vp(), Qt::RightButton, {}, v.view->caretRect().center());
    ASSERT_NE(v.view->lastPopup(), nullptr);
    EXPECT_EQ(fixed, 1);
    // A correct word: only the frame's items.
    EXPECT_EQ(v.view->lastPopup()->actions().size(), 1);
}

TEST(MouseView, SelectedTextDraggedIntoAnotherWindowMovesOrWithCtrlCopies)
{
    // Side by side on the (small) offscreen screen, so the point under the
    // release finds b.
    View a, b;
    a.view->setGeometry(0, 0, 390, 500);
    b.view->setGeometry(400, 0, 390, 500);
    ASSERT_TRUE(a.show());
    ASSERT_TRUE(b.show());
    b.type("xy");
    a.view->activateWindow();
    a.view->setFocus();
    a.type("alpha");
    QTest::keyClick(a.view, Qt::Key_Home);
    a.settle();
    const QPoint inside = a.view->caretRect().center() + QPoint(4, 0);
    QTest::keyClick(a.view, Qt::Key_End, Qt::ShiftModifier);
    a.settle();
    ASSERT_TRUE(a.w().isThereAmarking());

    // A point on b's text line, in a's viewport coordinates (the pressed
    // view keeps the mouse until the release).
    auto overB = [&] {
        const QPoint target = b.view->caretRect().center();
        return a.vp()->mapFromGlobal(b.vp()->mapToGlobal(target));
    };
    auto dragToB = [&](Qt::KeyboardModifiers mods) {
        QTest::mousePress(a.vp(), Qt::LeftButton, {}, inside);
        QTest::mouseMove(a.vp(), overB());
        QTest::mouseRelease(a.vp(), Qt::LeftButton, mods, overB());
        a.settle();
        b.settle();
    };

    dragToB(Qt::ControlModifier);
    EXPECT_EQ(b.lineText(), "xyalpha");
    EXPECT_EQ(a.lineText(), "alpha") << "Ctrl copies";
    EXPECT_FALSE(a.w().MouseDragActive());

    a.view->activateWindow();
    a.view->setFocus();
    QTest::keyClick(a.view, Qt::Key_Home);
    QTest::keyClick(a.view, Qt::Key_End, Qt::ShiftModifier);
    a.settle();
    dragToB({});
    EXPECT_EQ(a.lineText(), "") << "a plain drop moves";
    EXPECT_NE(b.lineText().find("alpha"), std::string::npos);
    EXPECT_EQ(b.lineText().size(), 12u);
    // Each window undoes its own half.
    b.w().RestoreCopyFromUndo(0);
    a.w().RestoreCopyFromUndo(0);

    EXPECT_EQ(a.lineText(), "alpha");
    EXPECT_EQ(b.lineText(), "xyalpha");
}
