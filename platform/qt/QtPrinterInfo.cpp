#include "platform/qt/QtPrinterInfo.h"

#include "platform/qt/QtText.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSizeF>
#include <QStringList>

#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace quillet {

namespace {

// Paper names used to travel in 64-byte slots with their terminating zero.
constexpr size_t kMaxPaperName = 63;

int32_t tenthsMm(double mm)
{
    const double t = std::round(mm * 10);
    if (!(t > 0)) return 0;  // NaN too
    if (t >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return int32_t(t);
}

} // namespace

PaperFormat paperFormatFrom(const QPageSize& size)
{
    PaperFormat p;
    p.Name = toAnsi(size.name());
    if (p.Name.empty()) p.Name = toAnsi(size.key());
    if (p.Name.size() > kMaxPaperName) p.Name.resize(kMaxPaperName);
    const QSizeF mm = size.size(QPageSize::Millimeter);
    p.Width = tenthsMm(mm.width());
    p.Height = tenthsMm(mm.height());
    // The page setup turns papers itself when "Landscape" is chosen.
    if (p.Width > p.Height) std::swap(p.Width, p.Height);
    return p;
}

struct QtPrinterInfo::State {
    std::mutex M;
    std::condition_variable Changed;
    Snapshot Latest;
    QString Printer;
    uint64_t Asked = 0;     // number of the newest question
    uint64_t Answered = 0;  // number of the question Latest answers
    int Running = 0;        // workers still asking
    bool GaveUp = false;    // a caller has waited the newest question out
};

QtPrinterInfo::QtPrinterInfo(std::chrono::milliseconds wait, Query query)
    : S(std::make_shared<State>()), Ask(std::move(query)), Wait(wait)
{
    ask();
}

QtPrinterInfo::~QtPrinterInfo()
{
    // A worker still asking owns its share of the state and may finish
    // later; give it the usual while so it rarely outlives the application.
    std::unique_lock lock(S->M);
    S->Changed.wait_for(lock, Wait, [this] { return S->Running == 0; });
}

void QtPrinterInfo::ask()
{
    uint64_t question = 0;
    QString name;
    {
        std::lock_guard lock(S->M);
        question = ++S->Asked;
        S->GaveUp = false;
        name = S->Printer;
        ++S->Running;
    }
    try {
        std::thread([state = S, query = Ask, question, name] {
            Snapshot answer;
            try {
                if (query) answer = query(name);
            } catch (...) {
                answer = {};
            }
            {
                std::lock_guard lock(state->M);
                // An older question answered late must not replace a newer answer.
                if (question > state->Answered) {
                    state->Latest = std::move(answer);
                    state->Answered = question;
                }
                --state->Running;
            }
            state->Changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to ask on: as if the print system knew no printer.
        std::lock_guard lock(S->M);
        if (question > S->Answered) {
            S->Latest = {};
            S->Answered = question;
        }
        --S->Running;
    }
}

QtPrinterInfo::Snapshot QtPrinterInfo::snapshot() const
{
    std::unique_lock lock(S->M);
    if (S->Answered < S->Asked && !S->GaveUp) {
        if (!S->Changed.wait_for(lock, Wait, [this] { return S->Answered >= S->Asked; })) S->GaveUp = true;
    }
    return S->Latest;
}

bool QtPrinterInfo::hasPrinter() const
{
    return snapshot().HasPrinter;
}

int32_t QtPrinterInfo::resolutionX() const
{
    return snapshot().ResolutionX;
}

std::vector<PaperFormat> QtPrinterInfo::paperFormats() const
{
    return snapshot().Papers;
}

void QtPrinterInfo::setCurrentPrinter(const QString& name)
{
    {
        std::lock_guard lock(S->M);
        S->Printer = name;
    }
    ask();
}

QString QtPrinterInfo::currentPrinter() const
{
    std::lock_guard lock(S->M);
    return S->Printer;
}

QtPrinterInfo::Snapshot QtPrinterInfo::queryPrintSystem(const QString& printerName)
{
    QPrinterInfo info;
    if (!printerName.isEmpty()) info = QPrinterInfo::printerInfo(printerName);
    if (info.isNull()) info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        const QStringList names = QPrinterInfo::availablePrinterNames();
        if (!names.isEmpty()) info = QPrinterInfo::printerInfo(names.front());
    }
    Snapshot s;
    if (info.isNull()) return s;
    s.HasPrinter = true;
    const QPrinter printer(info, QPrinter::HighResolution);
    s.ResolutionX = printer.resolution();
    for (const QPageSize& size : info.supportedPageSizes())
        if (size.isValid()) s.Papers.push_back(paperFormatFrom(size));
    return s;
}

} // namespace quillet
