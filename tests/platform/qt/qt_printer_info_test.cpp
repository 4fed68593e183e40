#include "formats/StandardServices.h"
#include "platform/qt/QtPrinterInfo.h"

#include "engine/Childwin.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPrinterInfo>
#include <QSizeF>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

QGuiApplication& app()
{
    static int argc = 1;
    static char name[] = "qt_printer_info_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication instance(argc, argv);
    return instance;
}

using Snapshot = QtPrinterInfo::Snapshot;

Snapshot printerNamed(const QString& name)
{
    Snapshot s;
    s.HasPrinter = true;
    s.ResolutionX = name == "B" ? 300 : 1200;
    s.Papers = {{"A4", 2100, 2970}, {"Paper of " + name.toStdString(), 1000, 2000}};
    return s;
}

// A question the test answers when it likes.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    void release()
    {
        {
            std::lock_guard lock(m);
            open = true;
        }
        cv.notify_all();
    }
    void pass()
    {
        std::unique_lock lock(m);
        cv.wait(lock, [this] { return open; });
    }
};

template <class F>
bool eventually(F f)
{
    for (int i = 0; i < 500; ++i) {
        if (f()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(QtPaperFormat, NamesInAnsiSizesInTenthsOfMillimetresPortrait)
{
    app();
    const PaperFormat a4 = paperFormatFrom(QPageSize(QPageSize::A4));
    EXPECT_EQ(a4.Name, "A4");
    EXPECT_EQ(a4.Width, 2100);
    EXPECT_EQ(a4.Height, 2970);
    const PaperFormat letter = paperFormatFrom(QPageSize(QPageSize::Letter));
    EXPECT_EQ(letter.Width, 2159);
    EXPECT_EQ(letter.Height, 2794);

    // A paper the driver lists landscape is listed portrait.
    const PaperFormat wide = paperFormatFrom(
        QPageSize(QSizeF(297, 210), QPageSize::Millimeter, QStringLiteral("Wide"), QPageSize::ExactMatch));
    EXPECT_EQ(wide.Name, "Wide");
    EXPECT_EQ(wide.Width, 2100);
    EXPECT_EQ(wide.Height, 2970);

    // Sizes given in points round to the nearest tenth of a millimetre.
    const PaperFormat points = paperFormatFrom(
        QPageSize(QSize(612, 1008), QStringLiteral("Legal pt"), QPageSize::ExactMatch));
    EXPECT_EQ(points.Width, 2159);
    EXPECT_EQ(points.Height, 3556);

    // Characters without a Windows-1252 code are dropped, the rest encoded.
    const PaperFormat accents = paperFormatFrom(QPageSize(QSizeF(100, 150), QPageSize::Millimeter,
                                                          QString::fromUtf8("Carte \xC3\xA9t\xC3\xA9 \xE4\xB8\xAD \xE2\x82\xAC"),
                                                          QPageSize::ExactMatch));
    EXPECT_EQ(accents.Name, "Carte \xE9t\xE9  \x80");
}

TEST(QtPaperFormat, LongNamesEndAfterSixtyThreeBytes)
{
    app();
    const QString name = QString(70, QChar(u'x')) + QString::fromUtf8("\xC3\xA9");
    const PaperFormat p =
        paperFormatFrom(QPageSize(QSizeF(100, 150), QPageSize::Millimeter, name, QPageSize::ExactMatch));
    EXPECT_EQ(p.Name, std::string(63, 'x'));
}

TEST(QtPrinterInfo, AnswersWhatThePrintSystemSaysForTheCurrentPrinter)
{
    std::mutex m;
    std::vector<QString> asked;
    QtPrinterInfo info(5s, [&](const QString& name) {
        std::lock_guard lock(m);
        asked.push_back(name);
        return printerNamed(name);
    });
    EXPECT_TRUE(info.hasPrinter());
    EXPECT_EQ(info.resolutionX(), 1200);
    ASSERT_EQ(info.paperFormats().size(), 2u);
    EXPECT_EQ(info.paperFormats()[1].Name, "Paper of ");
    EXPECT_EQ(info.currentPrinter(), "");

    info.setCurrentPrinter("B");
    EXPECT_EQ(info.currentPrinter(), "B");
    EXPECT_EQ(info.resolutionX(), 300);
    EXPECT_EQ(info.paperFormats()[1].Name, "Paper of B");
    std::lock_guard lock(m);
    EXPECT_EQ(asked, (std::vector<QString>{"", "B"}));
}

TEST(QtPrinterInfo, APrintSystemThatDoesNotAnswerMeansNoPrinterForAWhile)
{
    auto gate = std::make_shared<Gate>();
    std::atomic<int> calls = 0;
    QtPrinterInfo info(30ms, [gate, &calls](const QString& name) {
        if (calls++ == 0) gate->pass();
        return printerNamed(name);
    });
    EXPECT_FALSE(info.hasPrinter());
    EXPECT_EQ(info.resolutionX(), 0);
    EXPECT_TRUE(info.paperFormats().empty());

    gate->release();
    EXPECT_TRUE(eventually([&] { return info.hasPrinter(); }));
    EXPECT_EQ(info.resolutionX(), 1200);
}

TEST(QtPrinterInfo, ALateAnswerDoesNotReplaceANewerOne)
{
    auto gate = std::make_shared<Gate>();
    std::atomic<bool> firstDone = false;
    QtPrinterInfo info(30ms, [gate, &firstDone](const QString& name) {
        if (name.isEmpty()) {
            gate->pass();
            firstDone = true;
        }
        return printerNamed(name);
    });
    info.setCurrentPrinter("B");
    // A loaded machine may take longer than the short wait to answer; the
    // answer counts once it is there.
    EXPECT_TRUE(eventually([&] { return info.resolutionX() == 300; }));
    gate->release();
    ASSERT_TRUE(eventually([&] { return firstDone.load(); }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(info.resolutionX(), 300);
    EXPECT_EQ(info.paperFormats()[1].Name, "Paper of B");
}

TEST(QtPrinterInfo, AFailingQuestionMeansNoPrinter)
{
    QtPrinterInfo info(5s, [](const QString&) -> Snapshot { throw std::runtime_error("print system gone"); });
    EXPECT_FALSE(info.hasPrinter());
    EXPECT_TRUE(info.paperFormats().empty());
}

// Holds on machines with and without printers.
TEST(QtPrinterInfo, ThePrintSystemOfThisMachine)
{
    app();
    QtPrinterInfo info;
    const bool installed = !QPrinterInfo::availablePrinterNames().isEmpty();
    EXPECT_EQ(info.hasPrinter(), installed);

    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    setPrinterInfo(&info);
    w.SetPrinterProps();
    setPrinterInfo(nullptr);
    EXPECT_EQ(w.PrinterDpi, installed && info.resolutionX() > 0 ? info.resolutionX() : 600);

    if (!installed) {
        EXPECT_EQ(info.resolutionX(), 0);
        EXPECT_TRUE(info.paperFormats().empty());
        GTEST_SKIP() << "no printer installed";
    }
    EXPECT_GT(info.resolutionX(), 0);
    for (const PaperFormat& p : info.paperFormats()) {
        EXPECT_LE(p.Name.size(), 63u);
        EXPECT_LE(p.Width, p.Height) << p.Name;
        EXPECT_GT(p.Width, 0) << p.Name;
    }
}

} // namespace
