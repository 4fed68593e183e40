// Saving, the recent files, auto-save and recovery, the file type registration.
#include "app/Main.h"

#include "app/DocumentView.h"
#include "app/FileFilters.h"
#include "engine/Childwin.h"
#include "engine/RecentFiles.h"
#include "engine/Settings.h"
#include "formats/OpenSave.h"
#include "formats/Recovery.h"
#include "platform/SafeFile.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>

namespace quillet {

namespace fs = std::filesystem;

namespace {

// File-menu commands and buttons that need a document window. They are
// found by their caption without accelerator marks (a toolbar button shares
// the menu item's action) or by name, so only those the frame made are touched.
constexpr std::array<const char*, 8> kWindowCommandTexts = {
    "Page setup", "Page view", "Save as...", "PDF export...", "Print", "Properties", "Scan picture...",
    "Select scanner...",
};
constexpr std::array<const char*, 11> kWindowCommandNames = {
    "Seiteeinrichten1", "SeitenansichtM1", "Seitenansicht1", "FileSaveAs1", "PDFExport1", "Drucken1",
    "PrintBtn", "SeitenansichtBtn", "Eigenschaften1", "Bildscannen1", "TWAINQuellewhlen1",
};

// Runs a command handler so that nothing it throws reaches Qt's event loop.
template <class F>
auto guarded(F&& f, decltype(f()) fallback = {}) -> decltype(f())
{
    try {
        return f();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillet: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "quillet: unexpected failure\n");
    }
    return fallback;
}

template <class F>
void guardedVoid(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillet: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "quillet: unexpected failure\n");
    }
}

// "Save &as...\tCtrl+Shift+S" -> "Save as...".
QString plainCaption(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\t') break;
        if (c == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += c;
    }
    return out;
}

bool isRecentFileItem(const QAction* a)
{
    bool ok = false;
    const int tag = a->data().toInt(&ok);
    return ok && tag > kRecentTagsAbove;
}

template <size_t N>
bool contains(const std::array<const char*, N>& list, const QString& s)
{
    for (const char* item : list)
        if (s == QLatin1String(item)) return true;
    return false;
}

// ---- File type registration -------------------------------------------------------

constexpr const char* kMimeType = "application/x-quillet-document";

// One argument of a desktop entry's Exec key, quoted when it holds a
// character the key reserves; then escaped as a desktop entry string.
std::string desktopExecArgument(const std::string& arg)
{
    static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    const bool quote = arg.empty() || arg.find_first_of(reserved) != std::string::npos;
    if (quote) quoted += '"';
    for (char c : arg) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
        // A literal percent sign would start a field code.
        if (c == '%') quoted += '%';
        quoted += c;
    }
    if (quote) quoted += '"';
    std::string escaped;
    for (char c : quoted) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string desktopEntry(const std::string& program)
{
    const std::string exec = desktopExecArgument(program);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillet\n"
           "GenericName=Word processor\n"
           "Comment=Write and print documents\n"
           "Exec=" + exec + " %F\n"
           "Terminal=false\n"
           "Categories=Office;WordProcessor;\n"
           "MimeType=" + std::string(kMimeType) + ";\n"
           "Actions=Print;\n"
           "\n"
           "[Desktop Action Print]\n"
           "Name=Print\n"
           "Exec=" + exec + " /p %F\n";
}

std::string mimeInfo()
{
    // The native file starts with its magic as a string with a 4-byte
    // length in front.
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" + std::string(kMimeType) + "\">\n"
           "    <comment>Quillet Document</comment>\n"
           "    <glob pattern=\"*.qdt\"/>\n"
           "    <magic priority=\"50\">\n"
           "      <match type=\"string\" offset=\"4\" value=\"&lt;MAR-VOK VELLUM-SCRIPT DOKUMENT\"/>\n"
           "    </magic>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

fs::path userDataFolder()
{
    // Relative values of XDG_DATA_HOME are invalid and to be ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return fs::path(xdg);
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return fs::path(home) / ".local" / "share";
    return {};
}

// Writes `text` to `file` unless it holds exactly that already; true when
// the file was written.
bool writeWhenDifferent(const fs::path& file, const std::string& text)
{
    std::error_code ec;
    {
        std::ifstream in(file, std::ios::binary);
        if (in) {
            const std::string current((std::istreambuf_iterator<char>(in)), {});
            if (current == text) return false;
        }
    }
    fs::create_directories(file.parent_path(), ec);
    return ReplaceFileContents(file, text);
}

void refreshDatabase(const char* tool, const fs::path& folder)
{
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (program.isEmpty()) return;
    QProcess::startDetached(program, {QString::fromStdString(folder.string())});
}

} // namespace

// ---- Saving -------------------------------------------------------------------------

bool TMainForm::runSaveDialog(std::string& fileName, int32_t& filterIndex)
{
    // The dialog offers the formats this build can write; the window keeps
    // the code of the one chosen, not its place in the list.
    const std::vector<FileFilterChoice> choices = saveFilterChoices();
    std::string name = fileName;
    int32_t index = shownIndexOfCode(choices, filterIndex);
    if (index == 0) index = shownIndexOfCode(choices, sfNative);
    if (!fileDialogs().getSaveFileName(this, filterString(choices), name, index) || name.empty()) return false;
    fileName = name;
    // A filter the dialog should not have offered saves by the name's extension.
    filterIndex = codeAtShownIndex(choices, index, sfByExtension);
    return true;
}

void TMainForm::FileSave1Execute()
{
    (void)SaveFileClick();
}

bool TMainForm::SaveFileClick()
{
    return guarded([this] {
        TMDIChild* w = ActiveMDIChild();
        return w && SaveWindow(*w);
    }, false);
}

void TMainForm::FileSaveAs1Execute()
{
    guardedVoid([this] {
        if (TMDIChild* w = ActiveMDIChild()) (void)SaveWindowAs(*w);
    });
}

void TMainForm::AddToLastUsedFiles(const std::string& path)
{
    quillet::AddToLastUsedFiles(State, path);
}

void TMainForm::File1Click()
{
    guardedVoid([this] {
        const TMDIChild* w = ActiveMDIChild();
        const bool canSave = w && (w->DocPath.empty() || w->Modified);
        for (QAction* a : findChildren<QAction*>()) {
            if (isRecentFileItem(a)) continue;
            if (a == FileSave1) continue;
            const QString caption = plainCaption(a->text());
            if (contains(kWindowCommandTexts, caption) || contains(kWindowCommandNames, a->objectName()))
                a->setEnabled(w != nullptr);
            else if (caption == QLatin1String("Save"))
                a->setEnabled(canSave);
        }
        if (FileSave1) FileSave1->setEnabled(canSave);

        TrimRecentFiles(State.RecentFiles, State.Options.RecentFileCount);
        if (!FileMenu) return;
        const std::vector<RecentFileMenuItem> wanted = RecentFileMenuItems(State.RecentFiles);
        std::vector<QAction*> present;
        for (QAction* a : FileMenu->actions())
            if (isRecentFileItem(a)) present.push_back(a);
        // This runs on every change of a document's changed state: items
        // that are already right stay.
        const bool same = present.size() == wanted.size() && std::equal(present.begin(), present.end(), wanted.begin(),
            [](const QAction* a, const RecentFileMenuItem& item) {
                return a->data().toInt() == item.Tag &&
                       (item.Tag == kRecentSeparatorTag ? a->isSeparator()
                                                        : a->text() == QString::fromStdString(item.Caption));
            });
        if (same && (present.empty() || present.back() == FileMenu->actions().back())) return;
        for (QAction* a : present) {
            FileMenu->removeAction(a);
            // Later: this may be the very item whose click got us here.
            if (a->parent() == FileMenu) a->deleteLater();
        }
        for (const RecentFileMenuItem& item : wanted) {
            QAction* a = nullptr;
            if (item.Tag == kRecentSeparatorTag) {
                a = FileMenu->addSeparator();
            } else {
                a = FileMenu->addAction(QString::fromStdString(item.Caption));
                const int32_t tag = item.Tag;
                connect(a, &QAction::triggered, this, [this, tag] { guardedCommand([&] { LastUsedFilesClick(tag); }); });
            }
            a->setData(item.Tag);
        }
    });
}

// ---- Auto-save and recovery ------------------------------------------------------------

RecoveryRun& TMainForm::recoveryRun() const
{
    if (!Recovery) Recovery = std::make_shared<RecoveryRun>(stateDir());
    return *Recovery;
}

void TMainForm::AutoSaveTimerTimer()
{
    if (!State.Options.AutoSave) return;
    // A message box of this tick runs a modal loop in which the timer can
    // come due again: a nested tick would start this tick's names afresh,
    // write every window once more under other names, and stack its boxes
    // on this one.
    if (AutoSaveRunning) return;
    AutoSaveRunning = true;
    struct Done {
        bool& Flag;
        ~Done() { Flag = false; }
    } done{AutoSaveRunning};
    guardedVoid([this] {
        setStatusText(3, "Save Recovery info...");
        std::vector<TMDIChild*> windows;
        for (DocumentView* v : documentViews()) windows.push_back(&v->child());
        const fs::path folder = recoveryRun().folder();
        const RecoveryTickResult r =
            WriteRecoveryFiles(windows, folder, RecoveryNamesThisTick, !RecoveryFailureReported);
        if (r.Reported) RecoveryFailureReported = true;
        if (r.Failed == 0) RecoveryFailureReported = false;
        setStatusText(3, "");
    });
}

bool TMainForm::IsRecoveryNameUsed(const std::string& name) const
{
    return RecoveryNamesThisTick.count(name) != 0;
}

void TMainForm::UpdateAutoSaveTimer()
{
    if (!AutoSaveTimer) {
        AutoSaveTimer = new QTimer(this);
        AutoSaveTimer->setObjectName(QStringLiteral("AutoSaveTimer"));
        connect(AutoSaveTimer, &QTimer::timeout, this, [this] { AutoSaveTimerTimer(); });
    }
    // A Qt timer with interval 0 would fire on every pass of the event loop.
    const int32_t ms = AutoSaveIntervalMs(State.Options);
    if (ms <= 0) {
        AutoSaveTimer->stop();
        return;
    }
    if (!AutoSaveTimer->isActive() || AutoSaveTimer->interval() != ms) AutoSaveTimer->start(ms);
}

std::vector<fs::path> TMainForm::RecoveryFilesToReopen() const
{
    return guarded([this] { return recoveryRun().adoptStaleFiles(); }, {});
}

void TMainForm::DeleteRecoveryFiles()
{
    guardedVoid([this] { recoveryRun().removeFiles(); });
}

// ---- File type, printing, page view --------------------------------------------------

void TMainForm::AddQDTFileExtension()
{
    guardedVoid([] {
        const fs::path data = userDataFolder();
        if (data.empty()) return;
        const std::string program = QCoreApplication::applicationFilePath().toStdString();
        if (program.empty()) return;
        if (writeWhenDifferent(data / "applications" / "quillet.desktop", desktopEntry(program)))
            refreshDatabase("update-desktop-database", data / "applications");
        if (writeWhenDifferent(data / "mime" / "packages" / "quillet.xml", mimeInfo()))
            refreshDatabase("update-mime-database", data / "mime");
    });
}

void TMainForm::PrintBtnClick()
{
    guardedVoid([this] {
        if (TMDIChild* w = ActiveMDIChild()) FastPrint(*w);
    });
}

void TMainForm::SeitenansichtM1Click()
{
    guardedVoid([this] {
        if (TMDIChild* w = ActiveMDIChild()) w->Seitenansicht();
    });
}

} // namespace quillet
