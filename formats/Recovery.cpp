#include "formats/Recovery.h"

#include "engine/Childwin.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace quillet {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLegacyLockName = "older-files.lock";

bool isRecoveryFile(const fs::directory_entry& e)
{
    std::error_code ec;
    return e.is_regular_file(ec) && e.path().extension() == kRecoveryExtension;
}

bool hasRecoveryFiles(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (isRecoveryFile(*it)) return true;
    return false;
}

// Removes a run folder that holds nothing but its lock file (and what
// killed saves left, which the caller has cleared).
void removeIfEmpty(const fs::path& folder)
{
    std::error_code ec;
    if (folder.empty() || hasRecoveryFiles(folder)) return;
    fs::remove(folder / kRecoveryLockName, ec);
    fs::remove(folder, ec);
}

// Only the run owning a folder writes into it, so once its lock is ours
// every save leftover in it is stale, however young.
void removeSaveLeftovers(const fs::path& runFolder)
{
    RemoveStaleSaveTemps(runFolder, [](std::string_view) { return true; }, 0);
}

bool isRecoveryName(std::string_view name) { return name.ends_with(kRecoveryExtension); }

// Lets the first error message through (when allowed) and keeps the rest
// back: a folder that cannot be written fails for every window alike.
class OneErrorBoxes final : public MessageBoxes {
public:
    OneErrorBoxes(MessageBoxes& next, bool mayReport) : Next(next), MayReport(mayReport) {}
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        if (!passes(icon)) return MsgResult::Ok;
        return Next.show(text, caption, icon, buttons);
    }
    MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        if (!passes(icon)) return MsgResult::Ok;
        return Next.showUtf8(text, caption, icon, buttons);
    }
    bool reported() const { return Reported; }

private:
    bool passes(MsgIcon icon)
    {
        if (icon != MsgIcon::Error) return true;
        if (!MayReport || Reported) return false;
        Reported = true;
        return true;
    }

    MessageBoxes& Next;
    bool MayReport;
    bool Reported = false;
};

// Sets the file aside when the first error about it is shown, so the
// message can say where it went.
class SetAsideBoxes final : public MessageBoxes {
public:
    SetAsideBoxes(MessageBoxes& next, std::function<fs::path()> setAside)
        : Next(next), SetAside(std::move(setAside))
    {
    }
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        if (icon != MsgIcon::Error || Done) return Next.show(text, caption, icon, buttons);
        return Next.show(std::string(text) + utf8ToAnsi(keptLine()), caption, icon, buttons);
    }
    MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons buttons) override
    {
        if (icon != MsgIcon::Error || Done) return Next.showUtf8(text, caption, icon, buttons);
        return Next.showUtf8(std::string(text) + keptLine(), caption, icon, buttons);
    }
    bool done() const { return Done; }

private:
    std::string keptLine()
    {
        Done = true;
        return "\nThe recovery file was kept as " + SetAside().string();
    }

    MessageBoxes& Next;
    std::function<fs::path()> SetAside;
    bool Done = false;
};

class MessageBoxesScope {
public:
    explicit MessageBoxesScope(MessageBoxes& boxes) : Previous(messageBoxes()) { setMessageBoxes(&boxes); }
    ~MessageBoxesScope() { setMessageBoxes(&Previous); }
    MessageBoxesScope(const MessageBoxesScope&) = delete;
    MessageBoxesScope& operator=(const MessageBoxesScope&) = delete;

private:
    MessageBoxes& Previous;
};

class KeepNameScope {
public:
    explicit KeepNameScope(FrameState* frame) : Frame(frame), Saved(frame ? frame->KeepName : 0)
    {
        if (Frame) Frame->KeepName = 1;
    }
    ~KeepNameScope()
    {
        if (Frame) Frame->KeepName = Saved;
    }
    KeepNameScope(const KeepNameScope&) = delete;
    KeepNameScope& operator=(const KeepNameScope&) = delete;

private:
    FrameState* Frame;
    uint8_t Saved;
};

} // namespace

// ---- Names ----------------------------------------------------------------------

std::string RecoveryBaseName(const std::string& docPath, const std::string& docTitle)
{
    const fs::path named = docPath.empty() ? fs::path(ansiToUtf8(docTitle)) : fs::path(docPath);
    return named.filename().stem().string();
}

std::string RecoveryFileName(const std::string& base, const std::function<bool(const std::string&)>& isUsed)
{
    const std::string ext(kRecoveryExtension);
    if (!base.empty() && !isUsed(base + ext)) return base + ext;
    for (size_t n = 1;; ++n) {
        std::string name = base + std::to_string(n) + ext;
        if (!isUsed(name)) return name;
    }
}

std::vector<fs::path> RecoveryFilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (isRecoveryFile(*it)) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

// ---- Ownership ------------------------------------------------------------------

RecoveryRun::RecoveryRun(fs::path stateFolder) : State(std::move(stateFolder)) {}

RecoveryRun::~RecoveryRun()
{
    removeIfEmpty(Own);
    for (const Adopted& a : AdoptedRuns) removeIfEmpty(a.Folder);
}

fs::path RecoveryRun::folder()
{
    if (!Own.empty() && OwnLock.locked()) {
        std::error_code ec;
        if (fs::is_directory(Own, ec)) return Own;
    }
    Own.clear();
    OwnLock.release();
    if (State.empty()) return {};
    const fs::path root = State / kRecoveryFolderName;
    std::error_code ec;
    fs::create_directories(root, ec);
    // A few tries: the visible name could be left over from an old run.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const fs::path hidden = MakeUniqueFolder(root, ".new-");
        if (hidden.empty()) return {};
        InstanceLock lock;
        if (!lock.tryLock(hidden / kRecoveryLockName)) {
            fs::remove_all(hidden, ec);
            return {};
        }
        const std::string suffix = hidden.filename().string().substr(5);
        const fs::path visible = root / (std::string(kRecoveryRunPrefix) + suffix);
        if (!fs::exists(visible, ec)) {
            fs::rename(hidden, visible, ec);
            if (!ec) {
                Own = visible;
                OwnLock = std::move(lock);
                return Own;
            }
        }
        fs::remove_all(hidden, ec);
    }
    return {};
}

std::vector<fs::path> RecoveryRun::adoptStaleFiles()
{
    std::vector<fs::path> files;
    if (State.empty()) return files;

    std::error_code ec;
    const fs::path root = State / kRecoveryFolderName;

    // Files of older builds have no owner folder; one lock stands for all
    // of them. A state folder that cannot hold it cannot lose them either.
    const std::vector<fs::path> legacy = RecoveryFilesIn(State);
    if (!legacy.empty() && !LegacyLock.locked()) {
        fs::create_directories(root, ec);
        const bool lockable = fs::is_directory(root, ec);
        if (!lockable || LegacyLock.tryLock(root / kLegacyLockName)) {
            AdoptedFiles = legacy;
            files = legacy;
        }
    }

    // Killed saves of such files, unless a running older build still
    // writes them (the age and lock checks tell).
    RemoveStaleSaveTemps(State, isRecoveryName);

    std::vector<fs::path> runs;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code dirEc;
        const std::string name = it->path().filename().string();
        // Folders still being set up (hidden) and links are never a run's.
        if (!name.starts_with(kRecoveryRunPrefix) || it->is_symlink(dirEc) || !it->is_directory(dirEc)) continue;
        if (it->path() == Own) continue;
        runs.push_back(it->path());
    }
    std::sort(runs.begin(), runs.end());

    for (const fs::path& run : runs) {
        InstanceLock lock;
        // Held by its running owner, or by us since an earlier call.
        if (!lock.tryLock(run / kRecoveryLockName)) continue;
        removeSaveLeftovers(run);
        std::vector<fs::path> found = RecoveryFilesIn(run);
        if (found.empty()) {
            removeIfEmpty(run);
            continue;
        }
        files.insert(files.end(), found.begin(), found.end());
        AdoptedRuns.push_back(Adopted{run, std::move(lock)});
    }
    return files;
}

void RecoveryRun::removeFiles()
{
    std::error_code ec;
    if (!Own.empty()) fs::remove_all(Own, ec);
    Own.clear();
    OwnLock.release();
    for (Adopted& a : AdoptedRuns) {
        if (!a.Keep) {
            fs::remove_all(a.Folder, ec);
            continue;
        }
        // Everything but the files that could be neither reopened nor set
        // aside: the next start tries those again, and only those.
        for (fs::directory_iterator it(a.Folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code one;
            if (std::find(Kept.begin(), Kept.end(), it->path()) == Kept.end()) fs::remove_all(it->path(), one);
        }
    }
    AdoptedRuns.clear();
    for (const fs::path& f : AdoptedFiles)
        if (std::find(Kept.begin(), Kept.end(), f) == Kept.end()) fs::remove(f, ec);
    AdoptedFiles.clear();
    Kept.clear();
    if (LegacyLock.locked()) {
        fs::remove(State / kRecoveryFolderName / kLegacyLockName, ec);
        LegacyLock.release();
    }
}

fs::path RecoveryRun::setAside(const fs::path& file)
{
    std::error_code ec;
    const fs::path root = State / kRecoveryFolderName;
    if (!State.empty()) fs::create_directories(root, ec);
    const std::string stem = file.stem().string();
    const std::string ext = file.extension().string() + std::string(kDamagedExtension);
    for (int n = 1; !State.empty() && n <= 999; ++n) {
        const fs::path to = root / ((n == 1 ? stem : stem + "-" + std::to_string(n)) + ext);
        // A hard link never replaces a file of the same name, not even one
        // another program sets aside at this moment.
        if (::link(file.c_str(), to.c_str()) == 0) {
            ::unlink(file.c_str());
            std::erase(AdoptedFiles, file);
            return to;
        }
        if (errno == EEXIST) continue;
        // File systems without hard links.
        if (!fs::exists(to, ec) && !ec) {
            fs::rename(file, to, ec);
            if (!ec) {
                std::erase(AdoptedFiles, file);
                return to;
            }
        }
        break;
    }
    Kept.push_back(file);
    for (Adopted& a : AdoptedRuns)
        if (a.Folder == file.parent_path()) a.Keep = true;
    return file;
}

bool RecoveryRun::reopen(const fs::path& file, const std::function<bool()>& open)
{
    SetAsideBoxes boxes(messageBoxes(), [&] { return setAside(file); });
    bool ok = false;
    try {
        MessageBoxesScope scope(boxes);
        ok = open();
    } catch (...) {
        if (!boxes.done()) setAside(file);
        throw;
    }
    if (!ok && !boxes.done()) setAside(file);
    return ok;
}

// ---- The tick -------------------------------------------------------------------

RecoveryTickResult WriteRecoveryFiles(const std::vector<TMDIChild*>& windows, const fs::path& folder,
                                      std::set<std::string>& names, bool mayReport)
{
    RecoveryTickResult result;
    names.clear();
    OneErrorBoxes boxes(messageBoxes(), mayReport);
    MessageBoxesScope boxesScope(boxes);
    for (TMDIChild* w : windows) {
        if (!w) continue;
        const std::string name = RecoveryFileName(RecoveryBaseName(w->DocPath, w->DocTitle),
                                                  [&](const std::string& n) { return names.count(n) != 0; });
        names.insert(name);
        bool ok = false;
        if (folder.empty()) {
            // No folder to write to: said as the writer says it.
            errorBox("Could not create the file " + name + "!");
        } else {
            KeepNameScope keep(&w->Frame);
            ok = w->SaveQDTFile((folder / name).string());
        }
        if (ok) ++result.Written;
        else ++result.Failed;
    }
    result.Reported = boxes.reported();
    return result;
}

} // namespace quillet
