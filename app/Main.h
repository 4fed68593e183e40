#pragma once
// The frame window: menus, toolbars, status bar and the document windows.
// It owns the program-wide state every document window reads, and is the
// frame interface (FrameUi) of every window it hosts.
//
// Its methods are spread over files by area: Main.cpp (start-up, shutdown,
// menus, toolbars, the window commands), MainFiles.cpp (saving, the recent
// files, auto-save and recovery, the file type registration).

#include "engine/FrameState.h"
#include "engine/HostView.h"
#include "platform/MessageBox.h"

#include <QMainWindow>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

namespace quillet {

class DocumentView;
class TMDIChild;

// The file dialogs the frame shows; tests put their own in place.
class FrameFileDialogs {
public:
    virtual ~FrameFileDialogs() = default;
    // Windows-style filter ("desc|*.a;*.b|..."); filterIndex is 1-based in and out.
    // fileName (UTF-8) is the preset on the way in and the choice on the way out.
    virtual bool getOpenFileName(QWidget* parent, const std::string& filter,
                                 std::string& fileName, int32_t& filterIndex);
    virtual bool getSaveFileName(QWidget* parent, const std::string& filter,
                                 std::string& fileName, int32_t& filterIndex);
};

struct FrameStartOptions {
    // Where the program's data files are read and its own files written;
    // empty = the executable's folder.
    std::filesystem::path ProgDir;
    // The command line after the program name (Qt's own options removed).
    QStringList Arguments;
    // Write the desktop entry and MIME type of ".qdt" files.
    bool RegisterFileType = true;
    // Message boxes and file dialogs; null = the Qt ones. Not owned.
    MessageBoxes* Boxes = nullptr;
    FrameFileDialogs* Dialogs = nullptr;
};

class TMainForm : public QMainWindow, public FrameUi {
    Q_OBJECT
public:
    using StartOptions = FrameStartOptions;

    // FormCreate runs here: defaults, word list, user dictionary, settings.
    explicit TMainForm(StartOptions options = {}, QWidget* parent = nullptr);
    // FormDestroy.
    ~TMainForm() override;

    FrameState State;

    QMdiArea* mdiArea() const { return MdiArea; }
    // The active document window (the MDI area's current one, which stays
    // set while a modal dialog is up); null when there is none.
    TMDIChild* ActiveMDIChild() const;
    DocumentView* activeView() const;
    // Every document window, in the order they were made.
    std::vector<DocumentView*> documentViews() const;

    // ---- Start-up and shutdown, window commands (Main.cpp) ----------------
    void FormShow();
    // Every window's close query; true when all agreed (none is closed
    // before all have). Then SaveSettings and the recovery files go.
    bool FormCloseQuery();
    void FormClose();
    // A new document window from the template, titled `title`.
    DocumentView* CreateMDIChild(const std::string& title);
    // A window that opens State.OpenFileName with State.OpenFilterIndex while
    // it is made; null when the open failed (the window is then gone).
    DocumentView* OpenMDIChild(const std::string& title);
    void FileNew1Execute();
    void FileOpen1Execute();
    void LastUsedFilesClick(int32_t tag);
    void FileExit1Execute();
    void HelpAbout1Execute();
    void Optionen1Click();
    // The program's data and state folder (settings, user dictionary, recovery files).
    const std::filesystem::path& progDir() const { return State.ProgDir; }

    // ---- Saving, recent files, recovery, file type (MainFiles.cpp) ---------
    void FileSave1Execute();
    bool SaveFileClick();
    void FileSaveAs1Execute();
    void AddToLastUsedFiles(const std::string& path);
    // Enables the File menu's items and rebuilds its recent-file entries.
    void File1Click();
    void AutoSaveTimerTimer();
    bool IsRecoveryNameUsed(const std::string& name) const;
    void AddQDTFileExtension();
    void PrintBtnClick();
    void SeitenansichtM1Click();
    // Applies the auto-save interval (0 stops the timer).
    void UpdateAutoSaveTimer();
    // Recovery files of earlier runs that did not end in order, reopened at start.
    std::vector<std::filesystem::path> RecoveryFilesToReopen() const;
    // Removes this run's recovery files (an orderly exit).
    void DeleteRecoveryFiles();

    // ---- FrameUi ----------------------------------------------------------
    void setUndoHints(const std::vector<std::string>& undo,
                      const std::vector<std::string>& redo) override;
    void fileMenuChanged() override;
    void editMenuChanged() override;
    void setStatusText(int panel, const std::string& ansiText) override;
    const TMDIChild* activeChild() const override;
    void showZoom(double percent) override;
    void setDocumentMenusVisible(bool visible) override;
    void setDocumentToolbarsEnabled(bool enabled) override;
    void setDocumentButtonsEnabled(bool enabled) override;
    void setClipboardActionsEnabled(bool enabled) override;
    std::vector<std::string> styleBoxItems() const override;
    void setStyleBoxItems(const std::vector<std::string>& ansiNames) override;
    void showStyleBoxItem(int32_t index) override;
    bool runPageSetupDialog(TPageSetupForm& form) override;
    bool runSaveDialog(std::string& fileName, int32_t& filterIndex) override;
    bool runUserDictDialog(std::vector<std::string>& words) override;

    // Widgets tests and the other parts of the frame reach.
    QMenu* fileMenu() const { return FileMenu; }
    QAction* saveAction() const { return FileSave1; }
    QLabel* statusPanel(int panel) const;
    QTimer* autoSaveTimer() const { return AutoSaveTimer; }
    FrameFileDialogs& fileDialogs() const { return *Dialogs; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    DocumentView* makeWindow(const std::string& title, bool fromFile);

    StartOptions Start;
    std::unique_ptr<MessageBoxes> OwnBoxes;
    std::unique_ptr<FrameFileDialogs> OwnDialogs;
    FrameFileDialogs* Dialogs = nullptr;
    uint8_t ShownOnce = 0;
    int32_t OpenDialogFilterIndex = 0;

    QMdiArea* MdiArea = nullptr;
    QMenu* FileMenu = nullptr;
    QAction* FileSave1 = nullptr;
    QTimer* AutoSaveTimer = nullptr;
    std::vector<QLabel*> StatusPanels;
    // Names produced by the running auto-save tick.
    std::set<std::string> RecoveryNamesThisTick;
};

} // namespace quillet
