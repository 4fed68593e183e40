// The frame's object commands and the Qt views of the object dialogs.

#include "app/DocumentView.h"
#include "app/FileFilters.h"
#include "app/Main.h"
#include "app/dialogs/FeldFormatFUnit.h"
#include "app/dialogs/GrafikPropsFUnit.h"
#include "app/dialogs/ScanFUnit.h"
#include "app/widgets/VelmoColorComboBox.h"
#include "engine/Childwin.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestPaths.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QProgressDialog>
#include <QTabWidget>

#include <filesystem>
#include <fstream>
#include <thread>

namespace quillet {
namespace {

namespace fs = std::filesystem;

TEST(FeldFormatForm, UntouchedEditsGiveTheExactValuesBack)
{
    test::app();
    TFeldFormatForm form;
    FeldFormatModel m;
    m.AreaType = atTextFrame;
    m.posx = 3.14159;
    m.hoch = 7.000001;
    m.randl = 0.25;
    m.ShowOn = 4;
    m.WrapMode = 2;
    m.BkCol = 0x00FF00;
    form.setModel(m);
    EXPECT_FALSE(form.TranspCheck->isEnabled()) << "only a white fill can be transparent";
    FeldFormatModel back = form.model();
    EXPECT_EQ(back.posx, m.posx);
    EXPECT_EQ(back.hoch, m.hoch);
    EXPECT_EQ(back.ShowOn, 4);
    EXPECT_EQ(back.WrapMode, 2);
    EXPECT_EQ(back.BkCol, 0x00FF00u);
    form.posx->setValue(5);
    form.BkCol->SetColorValue(0xFFFFFF);
    form.BkColChange();
    EXPECT_TRUE(form.TranspCheck->isEnabled());
    EXPECT_EQ(form.model().posx, 5);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Text field properties"));
}

TEST(FeldFormatForm, BodiesHeadersAndFootersSeeOnlyTheirMargins)
{
    test::app();
    TFeldFormatForm form;
    struct Case {
        uint8_t type;
        bool pages;
    };
    for (const Case c : {Case{atPageBody, false}, Case{atFooter, false}, Case{atTextFrame, true}, Case{atGraphic, true}}) {
        SCOPED_TRACE(int(c.type));
        FeldFormatModel m;
        m.AreaType = c.type;
        form.setModel(m);
        EXPECT_EQ(form.Pages->isTabVisible(0), c.pages);
        EXPECT_EQ(form.Pages->isTabVisible(1), c.pages);
        EXPECT_EQ(form.Pages->currentIndex(), c.pages ? 0 : 2);
    }
    EXPECT_EQ(form.Pages->tabText(0), QStringLiteral("Postion and size"));
    EXPECT_EQ(form.umbr->text(), QStringLiteral("Text bedind the field should flow arround the field"));
}

TEST(GrafikPropsForm, TheHeightFollowsTheTypedWidth)
{
    test::app();
    TGrafikPropsForm form;
    GrafikPropsModel m;
    m.BreitEd = 4;
    m.HochEd = 2;
    m.CurrentRatio = 2;
    m.PixelRatio = 4;
    form.setModel(m);
    form.BreitEd->setValue(5);
    EXPECT_DOUBLE_EQ(form.HochEd->value(), 2.5);
    form.SverHCheck->setChecked(false);
    form.BreitEd->setValue(6);
    EXPECT_DOUBLE_EQ(form.HochEd->value(), 2.5);
    EXPECT_DOUBLE_EQ(form.model().BreitEd, 6);
}

TEST(PictureFilter, UpperCasePatternsAlsoMatchLowerCaseFiles)
{
    const QStringList f = qtNameFilters("All Graphics|*.BMP;*.JPG");
    ASSERT_EQ(f.size(), 1);
    EXPECT_TRUE(f[0].contains(QStringLiteral("*.bmp")));
    EXPECT_TRUE(f[0].contains(QStringLiteral("*.JPG")));
}


// A device that works until it is told to stop (or gives up after a while).
struct SlowScanner : ScannerSource {
    std::vector<ScanDevice> devices(std::string&) override { return {}; }
    ScanResult scan(const std::string&, const std::atomic<bool>* cancel) override
    {
        ScanResult r;
        for (int i = 0; i < 500; ++i) {
            if (cancel && cancel->load()) {
                r.Status = ScanStatus::Cancelled;
                r.Message = "The scan was cancelled.";
                return r;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        r.Status = ScanStatus::Ok;
        newdib(&r.Picture, 2, 2, 8, nullptr, 0);
        return r;
    }
};

TEST(ScanProgress, CancelStopsTheScanOnItsThread)
{
    test::app();
    SlowScanner slow;
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) emit p->canceled();
    });
    const ScanResult r = RunScanWithProgress(nullptr, slow, "slow:0");
    EXPECT_EQ(r.Status, ScanStatus::Cancelled);
    EXPECT_TRUE(r.Picture.empty());
}

struct QuietBoxes : MessageBoxes {
    int shown = 0;
    MsgResult show(std::string_view, std::string_view, MsgIcon, MsgButtons) override
    {
        ++shown;
        return MsgResult::Ok;
    }
};

struct PictureDialogs : FrameFileDialogs {
    std::string picture;
    int asked = 0;
    bool getOpenFileName(QWidget*, const std::string&, std::string& fileName, int32_t&) override
    {
        ++asked;
        EXPECT_TRUE(fileName.empty()) << "the name starts empty";
        fileName = picture;
        return !picture.empty();
    }
};

TEST(FrameObjects, InsertItemsArmModesAndInsertPictures)
{
    test::app();
    const fs::path dir = test::outputDir() / "frame-objects";
    fs::create_directories(dir);
    // A 2 x 2 white BMP.
    const unsigned char bmp[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                                 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 255, 255, 255, 255, 255, 255, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0};
    std::ofstream(dir / "white.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);

    QuietBoxes boxes;
    PictureDialogs dialogs;
    dialogs.picture = (dir / "white.bmp").string();
    PrinterInfo printer;
    TMainForm::StartOptions o;
    o.ProgDir = dir;
    o.RegisterFileType = false;
    o.Boxes = &boxes;
    o.Dialogs = &dialogs;
    o.Printer = &printer;
    TMainForm frame(o);
    frame.CreateMDIChild("NONAME1");
    TMDIChild* w = frame.ActiveMDIChild();
    ASSERT_NE(w, nullptr);

    struct Case {
        const char* name;
        int32_t mode;
    };
    for (const Case c : {Case{"Textfeld1", 1}, Case{"Rechteck1", 2}, Case{"Ellipse1", 3}, Case{"Linie1", 4},
                         Case{"HorizontaleLinie1", 5}, Case{"VertikaleLinie1", 6}, Case{"Grafikfeld1", 7},
                         Case{"ToolButton17", 2}, Case{"ToolButton28", 7}}) {
        SCOPED_TRACE(c.name);
        QAction* a = frame.findChild<QAction*>(QString::fromLatin1(c.name));
        ASSERT_NE(a, nullptr);
        w->InsertMode = 0;
        a->trigger();
        EXPECT_EQ(w->InsertMode, c.mode);
    }
    w->InsertMode = 0;

    QAction* graphic = frame.findChild<QAction*>(QStringLiteral("Grafik1"));
    ASSERT_NE(graphic, nullptr);
    graphic->trigger();
    EXPECT_EQ(dialogs.asked, 1);
    EXPECT_EQ(w->Pictures.size(), 1u);

    // Front and back are offered only with the cursor in an object.
    QAction* front = frame.findChild<QAction*>(QStringLiteral("Objektnachvorne1"));
    ASSERT_NE(front, nullptr);
    for (QMenu* m : frame.findChildren<QMenu*>())
        if (m->actions().contains(front)) emit m->aboutToShow();
    EXPECT_FALSE(front->isEnabled());
    w->InsertObject(0, 0, 0, 20, 20, 60, 60);
    for (QMenu* m : frame.findChildren<QMenu*>())
        if (m->actions().contains(front)) emit m->aboutToShow();
    EXPECT_TRUE(front->isEnabled());
    emit frame.insertMenu()->aboutToShow();
    EXPECT_FALSE(graphic->isEnabled()) << "no picture goes into a rectangle";
}

} // namespace
} // namespace quillet
