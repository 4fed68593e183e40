#pragma once
// Auto-save recovery files: native documents written on the auto-save timer
// so that work survives a crash, reopened at the next start and removed at
// an orderly exit.
//
// Where they live. Every run keeps its files in a folder of its own,
// <state folder>/recovery/run-XXXXXX/, where the state folder is the one
// the program writes its own files to (the program folder when writable).
// The run holds an flock lock on owner.lock in that folder for as long as
// it lives; the system drops the lock when the process ends, crash
// included. So two programs running at the same time never write the same
// names, never reopen each other's live files and never delete them: a
// folder whose lock can be taken belongs to a run that is gone, and only
// such folders are reopened. The run that reopens them keeps their locks
// (a third program starting meanwhile leaves them alone) and removes them
// at its own orderly exit. A file that cannot be reopened is moved aside
// and kept: a bug of ours must never cost recovered work. Plain *.whi
// files directly in the state folder,
// left by builds that kept them there, count as stale as well; one lock in
// the recovery folder makes sure only one run adopts them.
//
// A save killed on the way leaves a hidden temporary file beside its
// target; adopting a dead run's folder removes those, and a folder left
// with nothing else goes.
//
// A run folder is made under a hidden name, locked, and only then renamed
// into view, so nobody can find it unlocked while it is being set up.
//
// Names. A window's file is base + ".whi", base being the file name of its
// DocPath (of its DocTitle when it has no path) without extension; when
// another window of the same tick already has that name, base + "1.whi",
// base + "2.whi" and so on. Windows are taken in the order they were made,
// so the first of two "a.qdt" documents gets a.whi and the second a1.whi.

#include "platform/InstanceLock.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TMDIChild;

inline constexpr std::string_view kRecoveryExtension = ".whi";
inline constexpr std::string_view kRecoveryFolderName = "recovery";
inline constexpr std::string_view kRecoveryLockName = "owner.lock";
inline constexpr std::string_view kRecoveryRunPrefix = "run-";
inline constexpr std::string_view kDamagedExtension = ".damaged";

// The base of a window's recovery name (UTF-8): the file name of docPath
// (UTF-8) without folder and extension, or that of docTitle (Windows-1252)
// when docPath is empty.
std::string RecoveryBaseName(const std::string& docPath, const std::string& docTitle);
// The first of base.whi, base1.whi, base2.whi, ... that isUsed rejects not.
// An empty base starts at "1.whi" (".whi" alone would be a hidden file
// without extension).
std::string RecoveryFileName(const std::string& base, const std::function<bool(const std::string&)>& isUsed);

// The recovery files of one running program.
class RecoveryRun {
public:
    explicit RecoveryRun(std::filesystem::path stateFolder);
    // An empty folder of this run goes; one with files stays for the next
    // start to reopen (the run did not end in order).
    ~RecoveryRun();
    RecoveryRun(const RecoveryRun&) = delete;
    RecoveryRun& operator=(const RecoveryRun&) = delete;

    const std::filesystem::path& stateFolder() const { return State; }
    // This run's folder, made and locked on the first call; empty when it
    // cannot be made (the state folder cannot be written).
    std::filesystem::path folder();
    // The recovery files of runs that are gone, plus *.whi in the state
    // folder itself, in a stable order. Their folders become this run's
    // (locked by it), so each file is handed out once, to one program.
    // Empty folders of dead runs are cleaned away on the way.
    std::vector<std::filesystem::path> adoptStaleFiles();
    // The orderly exit: this run's folder and every adopted file and folder
    // are removed; errors are ignored.
    void removeFiles();

    // Reopens one adopted file through `open` (true when a window holds its
    // work now). A file that cannot be reopened (the reader rejects it, or
    // anything else goes wrong) is set aside rather than lost at the exit,
    // and the error messages shown meanwhile say where it was put.
    bool reopen(const std::filesystem::path& file, const std::function<bool()>& open);
    // Moves an adopted file out of the way of removeFiles, as
    // <state folder>/recovery/<name>.damaged (<stem>-2<ext>.damaged and on
    // when taken), where no run ever deletes or reopens it. Returns where it
    // is now: when it cannot be moved it stays where it is, and that folder
    // stays for the next start.
    std::filesystem::path setAside(const std::filesystem::path& file);

private:
    struct Adopted {
        std::filesystem::path Folder;
        InstanceLock Lock;
        // A file of it could not be set aside: the folder is left alone.
        bool Keep = false;
    };
    std::filesystem::path State;
    std::filesystem::path Own;
    InstanceLock OwnLock;
    std::vector<Adopted> AdoptedRuns;
    std::vector<std::filesystem::path> AdoptedFiles;
    // Adopted files that could not be set aside, left for the next start.
    std::vector<std::filesystem::path> Kept;
    InstanceLock LegacyLock;
};

// The recovery files (regular files named *.whi) directly in `folder`, sorted.
std::vector<std::filesystem::path> RecoveryFilesIn(const std::filesystem::path& folder);

struct RecoveryTickResult {
    size_t Written = 0;
    size_t Failed = 0;
    // An error message was shown for a failure.
    bool Reported = false;
};

// One auto-save tick: every window, in the given order, is written as a
// native document to `folder`/its recovery name, whether it has changes or
// not. KeepName is set meanwhile (and then put back as it was, since the
// tick can fire inside another section that set it), so the windows keep
// their DocPath, DocTitle, Modified state and the recent-file list. A file
// is replaced only by a complete new one, so a failed write leaves the
// previous recovery file. `names` receives the names (file names, no
// folder) produced in this tick. When `mayReport` is false, write errors
// are not shown; when true, only the first one is. The tick always goes on
// with the next window.
RecoveryTickResult WriteRecoveryFiles(const std::vector<TMDIChild*>& windows, const std::filesystem::path& folder,
                                      std::set<std::string>& names, bool mayReport);

} // namespace quillet
