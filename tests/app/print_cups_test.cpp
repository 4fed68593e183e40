// A real print job through a print server the test starts itself: its own
// configuration, socket, spool and logs under the test output folder, and
// a queue whose backend writes every job to a file. The machine's own
// print system is never asked or changed.

#include "engine/Childwin.h"
#include "platform/qt/QtPrinter.h"
#include "render/Printing.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/PdfFiles.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestFiles.h"

#include <QPrinter>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace quillet {
namespace {

using namespace quillet::test;
namespace fs = std::filesystem;

const char* const kCupsd = "/usr/sbin/cupsd";

// The server and its queue, stopped when the test ends.
class PrintServer {
public:
    explicit PrintServer(const fs::path& root) : Root(root)
    {
        for (const char* d : {"conf", "spool", "tmp", "cache", "state", "log", "out", "bin/backend"})
            fs::create_directories(Root / d);
        // Jobs run as the print system's own user: it writes these.
        for (const char* d : {"out", "tmp"}) ::chmod((Root / d).c_str(), 0777);
        for (const char* d : {"daemon", "filter"}) fs::create_symlink(fs::path("/usr/lib/cups") / d, Root / "bin" / d);
        writeAll(Root / "bin/backend/capture",
                 "#!/bin/sh\n"
                 "if [ $# -eq 0 ]; then echo 'file capture \"Unknown\" \"Job capture\"'; exit 0; fi\n"
                 "out=\"${DEVICE_URI#capture:}\"\n"
                 "if [ -n \"$6\" ]; then cat \"$6\" > \"$out.part\"; else cat > \"$out.part\"; fi\n"
                 "mv \"$out.part\" \"$out\"\n");
        ::chmod((Root / "bin/backend/capture").c_str(), 0755);
        writeAll(Root / "conf/cupsd.conf", "Listen " + socket().string() +
                                               "\nLogLevel warn\nBrowsing Off\nWebInterface No\n"
                                               "DefaultAuthType None\n<Location />\n  Order allow,deny\n"
                                               "  Allow all\n</Location>\n<Policy default>\n  <Limit All>\n"
                                               "    Order deny,allow\n    Allow all\n  </Limit>\n</Policy>\n");
        std::string files;
        for (const auto& [key, dir] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"ServerRoot", "conf"}, {"RequestRoot", "spool"}, {"TempDir", "tmp"}, {"CacheDir", "cache"},
                 {"StateDir", "state"}, {"ServerBin", "bin"}})
            files += std::string(key) + " " + (Root / dir).string() + "\n";
        files += "ErrorLog " + (Root / "log/error_log").string() + "\nAccessLog " + (Root / "log/access_log").string() +
                 "\nPageLog " + (Root / "log/page_log").string() +
                 "\nDataDir /usr/share/cups\nSandboxing Relaxed\nSystemGroup root\n";
        writeAll(Root / "conf/cups-files.conf", files);

        const std::string conf = (Root / "conf/cupsd.conf").string(), filesConf = (Root / "conf/cups-files.conf").string();
        const char* argv[] = {kCupsd, "-f", "-c", conf.c_str(), "-s", filesConf.c_str(), nullptr};
        if (posix_spawn(&Pid, kCupsd, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) Pid = 0;
        for (int i = 0; i < 100 && Pid > 0 && !fs::exists(socket()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~PrintServer()
    {
        if (Pid > 0) {
            ::kill(Pid, SIGTERM);
            int status = 0;
            ::waitpid(Pid, &status, 0);
        }
    }
    bool running() const { return Pid > 0 && fs::exists(socket()); }
    fs::path socket() const { return Root / "cups.sock"; }
    fs::path output() const { return Root / "out" / "job.pdf"; }
    // A queue whose jobs land in output().
    bool addQueue(const std::string& name) const
    {
        int status = -1;
        runTool("lpadmin -h " + shellQuote(socket()) + " -p " + name + " -E -v " +
                    shellQuote("capture:" + output().string()) + " -m raw 2>/dev/null",
                &status);
        return status == 0;
    }

private:
    fs::path Root;
    pid_t Pid = 0;
};

TEST(PrintServerJob, APrintedJobArrivesAsAPdfOfTheDocumentsPages)
{
    if (!fs::exists(kCupsd) || !haveTool("lpadmin") || !haveTool("pdfinfo"))
        GTEST_SKIP() << "the print server, lpadmin or pdfinfo is not installed";
    const fs::path root = freshTestDir("print_server");
    PrintServer server(root);
    ASSERT_TRUE(server.running()) << "the print server did not start";
    ASSERT_TRUE(server.addQueue("quillet_test"));
    // Only this process asks that server; set before Qt's print support
    // first talks to one.
    ::setenv("CUPS_SERVER", server.socket().c_str(), 1);
    app();

    RenderDoc d;
    const char* words[] = {"first", "second", "third"};
    for (int i = 0; i < 3; ++i) {
        if (i) d.w.UmbruchEinfuegen();
        d.type(words[i]);
    }
    QtPrinter printer;
    printer.printer().setPrinterName(QStringLiteral("quillet_test"));
    ASSERT_TRUE(printer.available());
    ASSERT_EQ(FastPrinting(d.w, printer), PrintResult::Printed);

    for (int i = 0; i < 200 && !fs::exists(server.output()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(server.output())) << readAll(root / "log/error_log");
    const std::string info = runTool("pdfinfo " + shellQuote(server.output()));
    EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
    EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
}

} // namespace
} // namespace quillet
