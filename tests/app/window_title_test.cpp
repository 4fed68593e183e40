// Window captions on the real frame offscreen: a file whose name the
// document code page cannot hold is shown by its real name.
#include "app/Main.h"

#include "app/DocumentView.h"
#include "engine/Childwin.h"
#include "engine/RecentFiles.h"
#include "formats/NativeFormat.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <memory>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

TEST(WindowTitle, NamesOutsideTheCodePageShowAsTheyAre)
{
    test::app();
    const fs::path dir = test::freshTestDir("window_title");
    const fs::path progDir = dir / "prog";
    fs::create_directories(progDir);
    fs::copy_file(test::programDir() / "normal.qdm", progDir / "normal.qdm");
    const std::string name = "日本語の文書.qdt";
    {
        FrameState state = StandardFrameState();
        TMDIChild source(state);
        ASSERT_TRUE(ReplaceFileContents(dir / name, writeNativeDocument(source)));
    }

    test::RecordingBoxes boxes;
    FrameStartOptions o;
    o.ProgDir = progDir;
    o.RegisterFileType = false;
    o.Boxes = &boxes;
    auto frame = std::make_unique<TMainForm>(o);
    setMessageBoxes(&boxes);
    frame->State.RecentFiles = {(dir / name).string()};
    frame->LastUsedFilesClick(kRecentFirstTag);
    EXPECT_TRUE(boxes.texts.empty());
    QMdiSubWindow* sub = frame->mdiArea()->currentSubWindow();
    ASSERT_NE(sub, nullptr);
    auto* view = qobject_cast<DocumentView*>(sub->widget());
    ASSERT_NE(view, nullptr);
    const QString shown = QString::fromUtf8(name.c_str());
    EXPECT_EQ(sub->windowTitle(), shown);
    // The document keeps the name in its code page, for what it shows itself.
    EXPECT_EQ(view->child().DocTitle, ".qdt");

    view->child().SetFileChanged(true);
    EXPECT_EQ(sub->windowTitle(), shown + u'*');
    view->child().SetFileChanged(false);
    EXPECT_EQ(sub->windowTitle(), shown);

    frame.reset();
    setMessageBoxes(nullptr);
}

} // namespace
