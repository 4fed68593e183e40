#pragma once
// The frame window: menus, toolbars, status bar and the document windows.
// It owns the program-wide state every document window reads, and is the
// frame interface (FrameUi) of every window it hosts.
//
// Its methods are spread over files by area: Main.cpp (start-up, shutdown,
// menus, toolbars, the window commands), MainFiles.cpp (saving, the recent
// files, auto-save and recovery, the file type registration).

#include "engine/AbsatzDialogs.h"
#include "engine/CharacterDialogs.h"
#include "engine/ClipboardDialog.h"
#include "engine/FieldDialogs.h"
#include "engine/FrameState.h"
#include "engine/HostView.h"
#include "engine/PageSetupDialog.h"
#include "engine/SearchDialog.h"
#include "engine/SpellCheckDialog.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "platform/PrinterInfo.h"

#include <QColor>
#include <QDesktopServices>
#include <QMainWindow>
#include <QUrl>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QToolButton;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

namespace quillet {

class DocumentView;
class TMDIChild;
class TAboutBox;
class TSpaltenForm;
class TZoomForm;
class TZeichenFormatForm;
class TSonderzeichenForm;
class TRenameVorlageForm;
class TVorlagenVerwaltenForm;
class TAbsatzForm;
class TTabulatorForm;
class TNummerierungForm;
class TUserDictForm;
class TPageSetupView;
class TOptionsForm;
class RecoveryRun;

// The MIME type of the program's private clipboard format.
inline constexpr const char* kClipboardMimeType = "application/x-vadazezovezudadeze10";
// The frame's caption.
inline constexpr const char* kFrameCaption = "MAR-VOK Quillet 1.0";

// The file dialogs the frame shows; tests put their own in place.
class FrameFileDialogs {
public:
    virtual ~FrameFileDialogs() = default;
    // Filter in the "desc|*.a;*.b|..." form; filterIndex is 1-based in and out.
    // fileName (UTF-8) is the preset on the way in and the choice on the way out.
    virtual bool getOpenFileName(QWidget* parent, const std::string& filter,
                                 std::string& fileName, int32_t& filterIndex);
    virtual bool getSaveFileName(QWidget* parent, const std::string& filter,
                                 std::string& fileName, int32_t& filterIndex);
};

struct FrameStartOptions {
    // Where the program's data files are read, and its own files written
    // when it can be (else see stateDir()); empty = the executable's folder.
    std::filesystem::path ProgDir;
    // The command line after the program name (Qt's own options removed).
    QStringList Arguments;
    // Write the desktop entry and MIME type of ".qdt" files.
    bool RegisterFileType = true;
    // Message boxes and file dialogs; null = the Qt ones. Not owned.
    MessageBoxes* Boxes = nullptr;
    FrameFileDialogs* Dialogs = nullptr;
    // The printers; null = the print system's. Not owned.
    PrinterInfo* Printer = nullptr;
};

class TMainForm : public QMainWindow, public FrameUi, public CharacterDialogsUi, public ParagraphDialogUi,
                  public FieldDialogsUi, public SearchDialogUi, public SpellCheckUi, public PasteSpecialUi {
    Q_OBJECT
public:
    using StartOptions = FrameStartOptions;

    // FormCreate runs here: defaults, word list, user dictionary, settings.
    explicit TMainForm(StartOptions options = {}, QWidget* parent = nullptr);
    // FormDestroy.
    ~TMainForm() override;

    FrameState State = StandardFrameState();

    QMdiArea* mdiArea() const { return MdiArea; }
    // The active document window (the MDI area's current one, which stays
    // set while a modal dialog is up); null when there is none.
    TMDIChild* ActiveMDIChild() const;
    DocumentView* activeView() const;
    // Every document window, in the order they were made.
    std::vector<DocumentView*> documentViews() const;

    // ---- Start-up and shutdown, window commands (Main.cpp) ----------------
    void FormShow();
    // Every window's close query; when all agreed, every window closes and
    // the result is true (none is closed before all have agreed).
    bool FormCloseQuery();
    // Saves the settings and the frame's placement; this run's recovery
    // files go.
    void FormClose();
    // A new document window from the template, titled `title` (UTF-8: a
    // file's name as it is).
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
    // The program folder: word lists, hyphenation patterns, the template.
    const std::filesystem::path& progDir() const { return State.ProgDir; }
    // Where the program's own files are written and read back: settings.dat,
    // user.spe, recovery files. The program folder when it is writable, else
    // a per-user state folder ($XDG_STATE_HOME/quillet, ~/.local/state/quillet).
    const std::filesystem::path& stateDir() const { return State.writableDir(); }

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
    // ---- Printing and PDF export (MainPrint.cpp) ----------------------------
    // The print dialog, then (withOptions) the extended options; prints the
    // active document, once per chosen record of the mail-merge table.
    void PrintOut(uint8_t withOptions);
    // Every page of the window on the default printer, without a dialog.
    void FastPrint(TMDIChild& w);
    void PDFExport1Click();
    // Shows an exported file with the desktop's program for it; tests
    // replace it.
    std::function<void(const std::string&)> OpenExportedFile = [](const std::string& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
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
    bool runSpaltenDialog(SpaltenDialogModel& model) override;

    // ---- Menu and toolbar commands (Main.cpp) -----------------------------
    void Rckgngig1Click();
    void Wiederholen1Click();
    void SeiteeinrichtenM1Click();
    void SpaltenM1Click();
    void Benutzerwrterbuch1Click();
    // The Edit menu's items enabled from the active window (also after
    // every paint pass): cut and copy by the selection, paste by the
    // clipboard, undo and redo with the labels of their steps (MainEdit.cpp).
    void Edit1Click();
    // The zoom box's text applied to the active window.
    void ZoomBoxChange();
    // The zoom box shows the active window's zoom.
    void ZoomBoxExit();
    // Shows the active window's format in the format toolbar's boxes.
    void showToolbarFormat();

    // ---- Toolbars, colour and line-width drop-downs, View menu -------------
    // (MainToolbars.cpp, MainView.cpp)
    // Which of the frame's colours a palette, "&No fill area" or "&More..."
    // item sets: the text colour, the text background, an object's fill or
    // its border line.
    enum class ColourTarget { Text, TextBk, Fill, Line };
    // The fill of the selected frame or drawing object := FillColor (not
    // transparent unless NoFill); its border colour := LineColor; its border
    // width := LineWidth points. Each is one undo step and marks the document
    // changed; with the caret in body, header or footer text nothing happens.
    void AktiviereBkColor();
    void AktiviereLineColor();
    void SetLineWidth();
    // A palette item (tag 1..16) of the target's drop-down: the colour, then
    // the matching apply method.
    void PaletteItemClick(ColourTarget target, int32_t tag);
    // "&More...": the colour dialog preset to the target's colour; OK sets
    // and applies it, Cancel changes nothing.
    void MoreColourClick(ColourTarget target);
    // Line-width item `tag` (0..24, tag / 4 points).
    void LineWidthItemClick(int32_t tag);
    // Rebuilds the 25 line-width items (the drop-down opens).
    void LineWidthPopupPopup();
    void notprintablebtnClick(bool down);
    // View > "&Zoom...".
    void Zoomstufe1Click();
    // The colour dialog of "&More..."; tests replace it. An invalid colour
    // means the user cancelled.
    std::function<QColor(const QColor& initial)> ChooseColour;
    QToolButton* colourButton(ColourTarget target) const;
    QMenu* colourPopup(ColourTarget target) const;
    QMenu* lineWidthPopup() const;
    // The check item of toolbar 1..4, shared by View > "Toolbars" and the
    // toolbars' own pop-up menu.
    QAction* toolbarToggle(int number) const;
    QAction* viewAction(const char* name) const;
    TZoomForm* zoomForm() const;
    // The toolbars' right-click menu (LeistenPopup).
    QMenu* createPopupMenu() override;

    // ---- Paragraph commands and their dialogs (MainParagraph.cpp) -----------
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void BlockBtnClick();
    void AufBtnClick();
    void NumBtnClick();
    void ToolButton2Click();
    void ToolButton29Click();
    void ToolButton30Click();
    void AbsatzM1Click();
    void TabulatorM1Click();
    void NummerierungundAufzhlungenM1Click();
    // The alignment and list buttons show the active window's paragraph.
    void showParagraphToolbar();
    bool runAbsatzDialog(AbsatzDialogModel& model) override;
    bool runTabulatorDialog(TabulatorDialogModel& model) override;
    bool runNummerierungDialog(NummerierungDialogModel& model) override;
    char decimalSeparator() const override;
    TAbsatzForm* absatzForm() const;
    TTabulatorForm* tabulatorForm() const;
    TNummerierungForm* nummerierungForm() const;

    // ---- Character and template commands (MainCharacter.cpp) ---------------
    void ZeichenM1Click();
    void Sonderzeichen1Click();
    void NeueAbsatzvorlage1Click();
    void NeueZeichenvorlage1Click();
    void Vorlagenverwalten1Click();
    // The style box's choice applied to the active window.
    void VorlagenBoxChange();
    // The font and size boxes' text applied to the active window (Click:
    // chosen from the list or entered, then back to the document).
    void FontComboBox1Change();
    void FontComboBox1Click();
    void FontSizeChange();
    void FontSizeClick();
    // Bold, italic and underline; also the window's shortcuts for them.
    bool FettBtnClick() override;
    bool KursivBtnClick() override;
    bool UnderlineBtnClick() override;
    // The text colour and text background of the frame applied to the
    // active window's text.
    void AktiviereTextColor();
    void AktiviereTextBkColor();
    // The bold, italic and underline buttons show the active window's format.
    void showCharacterToolbar();
    bool runZeichenFormatDialog(ZeichenFormatModel& model) override;
    bool runSonderzeichenDialog(SonderzeichenModel& model) override;
    bool runRenameVorlageDialog(RenameVorlageModel& model) override;
    bool runVorlagenVerwaltenDialog(VorlagenVerwaltenModel& model) override;
    QMenu* insertMenu() const;
    QAction* characterAction(const char* name) const;
    TZeichenFormatForm* zeichenFormatForm() const;
    TSonderzeichenForm* sonderzeichenForm() const;
    TRenameVorlageForm* renameVorlageForm() const;
    TVorlagenVerwaltenForm* vorlagenVerwaltenForm() const;

    // ---- Fields, form fields and the mail-merge table (MainFields.cpp) -------
    void Feld2Click();
    void Seitenzahl1Click();
    void DatumundUhrzeit1Click();
    void ManuellerWechsel1Click();
    void Formularfeld1Click();
    void Formulardialog1Click();
    void EigenschaftenM1Click();
    void Wrterzhlen1Click();
    // Closes the table (posting pending edits) and opens DatabaseFile; a
    // missing file is created only when `create` (the user chose it). A
    // table that cannot be opened is reported and left unbound.
    void ChangeDataBase(bool create = false);
    void Datenbankwhlen1Click();
    void Datenbankbearbeiten1Click();
    void Zuordnungaufheben1Click();
    void VorherigerDatensatz1Click();
    void NchsterDatensatz1Click();
    void ErsterDatensatz1Click();
    void LetzterDatensatz1Click();
    // Enabling of the Database and Insert menus as they open.
    void Datenbank1Click();
    void Einfgen1Click();
    QAction* fieldAction(const char* name) const;
    bool runFeldEinfuegenDialog(FeldEinfuegenModel& model) override;
    bool runUserDateTimeDialog(UserDateTimeModel& model) override;
    bool runDateTimeDialog(DateTimeModel& model) override;
    bool runInsertFormFieldDialog(InsertFormFieldModel& model) override;
    bool runFormDialog(FormDialogModel& model) override;
    bool runDocumentPropsDialog(DocumentPropsModel& model) override;

    // ---- Edit and spelling commands, clipboard (MainEdit.cpp) ------------------
    int32_t runSearchDialog(SearchFormModel& model) override;
    int32_t runSpellCheckDialog(SpellCheckModel& model) override;
    bool runInsertContentDialog(InsertContentModel& model) override;

    // ---- Table menu (MainTables.cpp) -------------------------------------------
    // Enabling of the Table menu's items as it opens.
    void Tabelle1Click();
    QMenu* tableMenu() const;

    // ---- Undo lists, spelling, language, page popup (MainEdit.cpp, MainLanguage.cpp) ----
    // The drop-down lists of the undo and redo toolbar buttons (UndoBtn,
    // ReUndoBtn): the toolbar gives them to its QToolButtons with setMenu()
    // and QToolButton::MenuButtonPopup; they fill themselves as they open.
    QMenu* undoPopup() const;
    QMenu* redoPopup() const;
    void UndoPopupPopup();
    void ReUndoPopupPopup();
    // index 0 = the newest step of the list.
    void UndoItemClick(int32_t index);
    void ReUndoItemClick(int32_t index);
    // Enabling of the spell checker and Language submenus as they open.
    void Rechtschreibung1Click();
    void berprfungwhrendderEingabe1Click();
    void Sprache1Click();
    void AutomatischeSilbentrennung1Click();
    void Deutsch1Click();
    void Englisch1Click();
    QMenu* languageMenu() const;
    void Gitternetzlinien1Click();
    void Funote1Click();
    // Enabling of the object items of the Insert and Format menus.
    void Format1Click();
    // Help > Content: there is no help file; the item stays hidden.
    void Inhalt1Click();
    // The page view's fixed popup items (null = a separator).
    std::vector<QAction*> pagePopupItems() const;

    // Widgets tests and the other parts of the frame reach.
    QMenu* fileMenu() const { return FileMenu; }
    QAction* saveAction() const { return FileSave1; }
    QLabel* statusPanel(int panel) const;
    QTimer* autoSaveTimer() const { return AutoSaveTimer; }
    // ToolBar1 (format), ToolBar2 (standard), ToolBar3 (drawing), ToolBar4 (extended format).
    QToolBar* toolBar(int number) const;
    QComboBox* styleBox() const { return VorlagenBox; }
    QComboBox* fontBox() const { return FontComboBox1; }
    QComboBox* sizeBox() const { return FontSize; }
    QComboBox* zoomBox() const { return ZoomBox; }
    QMenu* editMenu() const { return EditMenu; }
    QAction* undoAction() const { return Rckgngig1; }
    QAction* redoAction() const { return Wiederholen1; }
    // The dialog forms, made at start-up and kept for the whole run.
    TAboutBox* aboutBox() const { return AboutBox; }
    TSpaltenForm* spaltenForm() const { return SpaltenForm; }
    TUserDictForm* userDictForm() const { return UserDictForm; }
    TPageSetupView* pageSetupForm() const { return PageSetupView; }
    TOptionsForm* optionsForm() const { return OptionsForm; }
    FrameFileDialogs& fileDialogs() const { return *Dialogs; }

signals:
    // A document window was made and has loaded its document (it is not
    // yet shown); State still holds what it was made with.
    void windowMade(quillet::DocumentView* view);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void createMenus();
    void createToolbars();
    void createViewMenu();
    // After every area has put its controls on the toolbars: faces for the
    // buttons, the undo and redo lists, the boxes' Enter key.
    void finishToolbars();
    void fillColourPopup(QMenu* popup, ColourTarget target);
    // The frame's colour of `target` := colour (a text background or a fill
    // becomes opaque), applied to the active window.
    void applyColour(ColourTarget target, uint32_t colour);
    // A colour drop-down button for `target` at the end of `bar`.
    QToolButton* makeColourButton(QToolBar* bar, ColourTarget target);
    struct ToolbarControls;
    std::shared_ptr<ToolbarControls> Toolbars;
    void createStatusBar();
    void createDialogs();
    // The character and template menu items, toolbar controls and dialogs.
    void createCharacterCommands();
    void showColourButtons();
    struct CharacterControls;
    std::shared_ptr<CharacterControls> Character;
    // The paragraph menu items, toolbar buttons and dialogs.
    void createParagraphCommands();
    struct ParagraphControls;
    std::shared_ptr<ParagraphControls> Paragraph;
    // The field and database menu items.
    void createFieldCommands();
    struct FieldControls;
    std::shared_ptr<FieldControls> Fields;
    // The Table menu and the table dialogs.
    void createTableCommands();
    struct TableControls;
    std::shared_ptr<TableControls> Tables;
    // The frame, object, picture and scanner commands and their dialogs
    // (MainObjects.cpp).
    void createObjectCommands();
    struct ObjectControls;
    std::shared_ptr<ObjectControls> Objects;
    // "PDF export...", "Print", "Print with more options..." (MainPrint.cpp).
    void createPrintCommands();
    // Cut, copy, paste, find, replace, go to and the spelling items (MainEdit.cpp).
    void createEditCommands();
    // The Language submenu of Extras (MainLanguage.cpp).
    void createLanguageCommands();
    struct LanguageControls;
    std::shared_ptr<LanguageControls> Language;
    struct EditControls;
    std::shared_ptr<EditControls> EditCmds;
    struct PrintExtensionChoice {
        bool Reverse = false;
        int32_t Records = 0, From = 1, To = 1;
    } PrintOptions;
    DocumentView* makeWindow(const std::string& title, bool fromFile);
    void subWindowActivated(QMdiSubWindow* sub);
    // SaveSettings with the toolbars' current visibility.
    void writeSettings();
    // The toolbars' visibility from the settings.
    void applyToolbarSettings();
    void setToolbarVisible(QToolBar* bar, bool visible);
    // Every document window's close query, then all close: none is closed
    // unless every one agreed.
    bool closeAllDocuments();
    friend class DocumentSubWindow;
    bool ClosingAll = false;
    bool Destroying = false;

    StartOptions Start;
    std::unique_ptr<MessageBoxes> OwnBoxes;
    std::unique_ptr<PrinterInfo> OwnPrinter;
    std::unique_ptr<FrameFileDialogs> OwnDialogs;
    FrameFileDialogs* Dialogs = nullptr;
    uint8_t ShownOnce = 0;
    int32_t OpenDialogFilterIndex = 0;

    QMdiArea* MdiArea = nullptr;
    QMenu* FileMenu = nullptr;
    QAction* FileSave1 = nullptr;
    QMenu* EditMenu = nullptr;
    QMenu* ViewMenu = nullptr;
    QMenu* FormatMenu = nullptr;
    QMenu* ExtrasMenu = nullptr;
    QMenu* WindowMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* FileNew1 = nullptr;
    QAction* FileOpen1 = nullptr;
    QAction* FileSaveAs1 = nullptr;
    QAction* Seiteeinrichten1 = nullptr;
    QAction* SeitenansichtM1 = nullptr;
    QAction* FileExit1 = nullptr;
    QAction* Rckgngig1 = nullptr;
    QAction* Wiederholen1 = nullptr;
    QAction* Spalten1 = nullptr;
    QAction* Benutzerwrterbuch1 = nullptr;
    QAction* Optionen1 = nullptr;
    QAction* Lineal1 = nullptr;
    QAction* Statuszeile1 = nullptr;
    QAction* Seitenbreite1 = nullptr;
    QAction* GanzeSeite1 = nullptr;
    QAction* Zoom1001 = nullptr;
    QAction* Zoomstufe1 = nullptr;
    TZoomForm* ZoomForm = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolBar* ToolBar3 = nullptr;
    QToolBar* ToolBar4 = nullptr;
    QComboBox* VorlagenBox = nullptr;
    QComboBox* FontComboBox1 = nullptr;
    QComboBox* FontSize = nullptr;
    QComboBox* ZoomBox = nullptr;
    TAboutBox* AboutBox = nullptr;
    TSpaltenForm* SpaltenForm = nullptr;
    TUserDictForm* UserDictForm = nullptr;
    // The page setup form edits this copy of the window's model.
    TPageSetupForm PageSetupModel;
    TPageSetupView* PageSetupView = nullptr;
    TOptionsForm* OptionsForm = nullptr;
    QTimer* AutoSaveTimer = nullptr;
    std::vector<QLabel*> StatusPanels;
    // Names produced by the running auto-save tick.
    std::set<std::string> RecoveryNamesThisTick;
    // This run's recovery files and the ones it adopted from runs that are
    // gone (made on first use; shared_ptr so Main.cpp needs no definition).
    mutable std::shared_ptr<RecoveryRun> Recovery;
    RecoveryRun& recoveryRun() const;
    // A failed recovery write was shown; later ones stay quiet until a tick
    // succeeds again.
    bool RecoveryFailureReported = false;
    // A tick is writing; one that comes due inside it (in the modal loop of
    // a message box) is skipped.
    bool AutoSaveRunning = false;
};

} // namespace quillet
