#pragma once
// The real frame for a GUI test: started on a fresh folder of the running
// test (the program's template linked in), with the test's message boxes
// and printers, and shown; keys for its document windows.

#include "app/Main.h"
#include "engine/Childwin.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestPaths.h"

#include <filesystem>
#include <memory>
#include <string>

namespace quillet::test {

inline std::unique_ptr<TMainForm> startTestFrame(const std::string& suite, MessageBoxes& boxes, PrinterInfo& printer,
                                                 std::filesystem::path& dir)
{
    namespace fs = std::filesystem;
    app();
    dir = outputDir() / suite / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (fs::exists(programDir() / "normal.qdm")) fs::create_symlink(programDir() / "normal.qdm", dir / "normal.qdm");
    TMainForm::StartOptions o;
    o.ProgDir = dir;
    o.RegisterFileType = false;
    o.Boxes = &boxes;
    o.Printer = &printer;
    auto frame = std::make_unique<TMainForm>(std::move(o));
    frame->show();
    return frame;
}

// Typed characters and pressed keys, straight to the window's key handlers.
inline void type(TMDIChild& w, const std::string& text)
{
    for (char c : text) {
        uint8_t b = uint8_t(c);
        w.getkeysKeyPress(b);
    }
}

inline void key(TMDIChild& w, uint16_t vk, uint8_t shift = 0) { w.getkeysKeyDown(vk, shift); }

} // namespace quillet::test
