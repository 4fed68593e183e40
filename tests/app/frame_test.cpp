#include "app/Main.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char arg0[] = "quillet-test";
char* argv[] = {arg0, nullptr};

TEST(Frame, OpensTitledQuillet)
{
    QApplication app(argc, argv);
    quillet::TMainForm frame;
    frame.show();
    EXPECT_EQ(frame.windowTitle().toStdString(), "Quillet");
    EXPECT_NE(frame.mdiArea(), nullptr);
}

} // namespace
