// The frame: start-up and shutdown, the menus and toolbars, the commands that
// make document windows.
#include "app/Main.h"

#include "app/AboutBox.h"
#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/FileFilters.h"
#include "app/dialogs/OptionsFUnit.h"
#include "app/dialogs/PageSetupForm.h"
#include "app/dialogs/SpaltenFUnit.h"
#include "app/dialogs/UserDictFUnit.h"
#include "engine/Childwin.h"
#include "engine/ColumnsDialog.h"
#include "engine/OptionsDialog.h"
#include "engine/RecentFiles.h"
#include "engine/Settings.h"
#include "formats/OpenSave.h"
#include "formats/Recovery.h"
#include "language/Hyphenation.h"
#include "language/WordList.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtPrinterInfo.h"
#include "platform/qt/QtText.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <cstdlib>
#include <system_error>

namespace quillet {

namespace {

constexpr const char* kGeometryKey = "frame/geometry";

QString escapeMnemonic(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

// The writable folder for the program's own files when the program folder
// cannot take them.
std::filesystem::path userStateDir()
{
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) return std::filesystem::path(xdg) / "quillet";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "state" / "quillet";
    return std::filesystem::temp_directory_path() / "quillet";
}

bool isWritableDir(const std::filesystem::path& dir)
{
    const QFileInfo info(QString::fromStdString(dir.string()));
    return info.isDir() && info.isWritable();
}


} // namespace

// The MDI child frame of one document window: its close box asks the
// document first, and the document is freed when the frame goes.
class DocumentSubWindow final : public QMdiSubWindow {
public:
    explicit DocumentSubWindow(TMainForm& frame) : Frame(frame) { setAttribute(Qt::WA_DeleteOnClose); }
    ~DocumentSubWindow() override
    {
        auto* view = qobject_cast<DocumentView*>(widget());
        if (!view) return;
        guardedEvent([&] { view->child().FormDestroy(); });
        // FormDestroy hands the document menus back; the window that is
        // active now takes them again.
        if (!Frame.Destroying)
            guardedEvent([&] { Frame.subWindowActivated(Frame.MdiArea->currentSubWindow()); });
    }
    bool closed() const { return Closed; }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        auto* view = qobject_cast<DocumentView*>(widget());
        // Not while a dialog, a drag or a print run works on the window.
        bool canClose = !FrameBusy::now();
        guardedEvent([&] {
            if (!canClose) return;
            if (view && !Frame.ClosingAll) view->child().FormCloseQuery(&view->child(), canClose);
            if (canClose && view) {
                TMDIChild::CloseAction action = TMDIChild::CloseAction::Free;
                view->child().FormClose(action);
            }
        });
        if (!canClose) {
            event->ignore();
            return;
        }
        Closed = true;
        QMdiSubWindow::closeEvent(event);
    }

private:
    TMainForm& Frame;
    bool Closed = false;
};

// ---- File dialogs ----------------------------------------------------------------

namespace {

bool runFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const std::string& filter,
                   std::string& fileName, int32_t& filterIndex)
{
    const QStringList filters = qtNameFilters(filter);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filterAt(filters, filterIndex));
    if (!fileName.empty()) dialog.selectFile(QString::fromStdString(fileName));
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return false;
    fileName = files.front().toStdString();
    const int32_t index = filterIndexOf(filters, dialog.selectedNameFilter());
    filterIndex = index > 0 ? index : 1;
    return true;
}

} // namespace

bool FrameFileDialogs::getOpenFileName(QWidget* parent, const std::string& filter, std::string& fileName,
                                       int32_t& filterIndex)
{
    return runFileDialog(parent, QFileDialog::AcceptOpen, filter, fileName, filterIndex);
}

bool FrameFileDialogs::getSaveFileName(QWidget* parent, const std::string& filter, std::string& fileName,
                                       int32_t& filterIndex)
{
    return runFileDialog(parent, QFileDialog::AcceptSave, filter, fileName, filterIndex);
}

// ---- Creation and destruction -----------------------------------------------------

TMainForm::TMainForm(StartOptions options, QWidget* parent) : QMainWindow(parent), Start(std::move(options))
{
    setWindowTitle(QString::fromLatin1(kFrameCaption));
    OwnDialogs = std::make_unique<FrameFileDialogs>();
    Dialogs = Start.Dialogs ? Start.Dialogs : OwnDialogs.get();

    MdiArea = new QMdiArea(this);
    MdiArea->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(MdiArea);
    connect(MdiArea, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* sub) { guardedEvent([&] { subWindowActivated(sub); }); });

    createMenus();
    createToolbars();
    createStatusBar();

    FormCreate();
    createDialogs();
    createParagraphCommands();
    createCharacterCommands();
    createFieldCommands();
    createTableCommands();
    createObjectCommands();
    createPrintCommands();
    createEditCommands();
    createLanguageCommands();
    finishToolbars();

    QSettings placement(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
    if (!restoreGeometry(placement.value(QString::fromLatin1(kGeometryKey)).toByteArray())) resize(1024, 768);
}

void TMainForm::FormCreate()
{
    if (Start.Boxes) {
        setMessageBoxes(Start.Boxes);
    } else {
        OwnBoxes = std::make_unique<QtMessageBoxes>(this);
        setMessageBoxes(OwnBoxes.get());
    }
    if (Start.Printer) {
        setPrinterInfo(Start.Printer);
    } else {
        OwnPrinter = std::make_unique<QtPrinterInfo>();
        setPrinterInfo(OwnPrinter.get());
    }

    State.ProgDir = Start.ProgDir.empty()
                        ? std::filesystem::path(QCoreApplication::applicationDirPath().toStdString())
                        : Start.ProgDir;
    // An installed program's folder belongs to the system; settings, the
    // user dictionary and recovery files then live with the user.
    State.StateDir.clear();
    if (!isWritableDir(State.ProgDir)) {
        State.StateDir = userStateDir();
        std::error_code ec;
        std::filesystem::create_directories(State.StateDir, ec);
    }

    if (Start.RegisterFileType) AddQDTFileExtension();

    State.IgnoreList = std::make_shared<WordList>();
    State.UserDict = std::make_shared<WordList>();
    {
        const std::filesystem::path own = stateDir() / "user.spe";
        std::error_code ec;
        const bool haveOwn = std::filesystem::exists(own, ec);
        LoadUserDict(haveOwn ? own : progDir() / "user.spe", *State.UserDict);
    }

    SetDefaultSettings(State);
    OpenDialogFilterIndex = 0;
    State.WordListGerman = std::make_shared<WordList>();
    State.WordListEnglish = std::make_shared<WordList>();
    State.PatternsGerman = std::make_shared<HyphenPatternTable>();
    State.PatternsEnglish = std::make_shared<HyphenPatternTable>();
    OpenWordList(progDir() / "german.spe", *State.WordListGerman);

    {
        std::filesystem::path settings = stateDir() / kSettingsFileName;
        std::error_code ec;
        if (!State.StateDir.empty() && !std::filesystem::exists(settings, ec))
            settings = progDir() / kSettingsFileName;
        OpenSettings(State, settings);
    }
    applyToolbarSettings();
    UpdateAutoSaveTimer();
    statusBar()->setVisible(State.Options.ShowStatusBar != 0);
}

void TMainForm::createDialogs()
{
    AboutBox = new TAboutBox(this);
    SpaltenForm = new TSpaltenForm(this);
    UserDictForm = new TUserDictForm(this);
    PageSetupView = new TPageSetupView(PageSetupModel, this);
    OptionsForm = new TOptionsForm(this);
}

TMainForm::~TMainForm()
{
    // FormDestroy: the document windows go first, while the frame they
    // report to is still whole.
    Destroying = true;
    MdiArea->disconnect(this);
    // The zoom box reports a last choice while the widgets are torn down,
    // after this frame has stopped being one.
    if (ZoomBox) ZoomBox->disconnect(this);
    for (DocumentSubWindow* sub : MdiArea->findChildren<DocumentSubWindow*>()) delete sub;
    // It edits a member that is gone before the frame's children are.
    delete PageSetupView;
    PageSetupView = nullptr;
    if (State.PatternsGerman) FreeHyphenDataifUsed(*State.PatternsGerman);
    if (State.PatternsEnglish) FreeHyphenDataifUsed(*State.PatternsEnglish);
    setMessageBoxes(nullptr);
    setPrinterInfo(nullptr);
}

// ---- Menus, toolbars, status bar ---------------------------------------------------

namespace {

QAction* makeAction(QObject* parent, const char* name, const QString& text)
{
    auto* a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

void TMainForm::createMenus()
{
    auto on = [this](QAction* a, auto method) {
        connect(a, &QAction::triggered, this, [this, method] { guardedCommand([&] { (this->*method)(); }); });
    };

    FileNew1 = makeAction(this, "FileNew1", QStringLiteral("&New"));
    FileNew1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    FileNew1->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    on(FileNew1, &TMainForm::FileNew1Execute);
    FileOpen1 = makeAction(this, "FileOpen1", QStringLiteral("&Open..."));
    FileOpen1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    FileOpen1->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    on(FileOpen1, &TMainForm::FileOpen1Execute);
    FileSave1 = makeAction(this, "FileSave1", QStringLiteral("&Save"));
    FileSave1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    FileSave1->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    on(FileSave1, &TMainForm::FileSave1Execute);
    FileSaveAs1 = makeAction(this, "FileSaveAs1", QStringLiteral("Save as..."));
    on(FileSaveAs1, &TMainForm::FileSaveAs1Execute);
    Seiteeinrichten1 = makeAction(this, "Seiteeinrichten1", QStringLiteral("Page setup"));
    on(Seiteeinrichten1, &TMainForm::SeiteeinrichtenM1Click);
    SeitenansichtM1 = makeAction(this, "SeitenansichtM1", QStringLiteral("Page view"));
    SeitenansichtM1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    on(SeitenansichtM1, &TMainForm::SeitenansichtM1Click);
    FileExit1 = makeAction(this, "FileExit1", QStringLiteral("E&xit"));
    on(FileExit1, &TMainForm::FileExit1Execute);

    FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName(QStringLiteral("File1"));
    FileMenu->addAction(FileNew1);
    FileMenu->addAction(FileOpen1);
    FileMenu->addAction(FileSave1);
    FileMenu->addAction(FileSaveAs1);
    FileMenu->addSeparator();
    FileMenu->addAction(Seiteeinrichten1);
    FileMenu->addAction(SeitenansichtM1);
    FileMenu->addSeparator();
    FileMenu->addAction(FileExit1);
    connect(FileMenu, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { File1Click(); }); });

    Rckgngig1 = makeAction(this, "Rckgngig1", QStringLiteral("&Undo: Not available"));
    Rckgngig1->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    on(Rckgngig1, &TMainForm::Rckgngig1Click);
    Wiederholen1 = makeAction(this, "Wiederholen1", QStringLiteral("&Redo: Not available"));
    Wiederholen1->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    on(Wiederholen1, &TMainForm::Wiederholen1Click);
    Rckgngig1->setEnabled(false);
    Wiederholen1->setEnabled(false);
    EditMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    EditMenu->setObjectName(QStringLiteral("Edit1"));
    EditMenu->addAction(Rckgngig1);
    EditMenu->addAction(Wiederholen1);
    connect(EditMenu, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Edit1Click(); }); });

    createViewMenu();

    Spalten1 = makeAction(this, "Spalten1", QStringLiteral("&Columns..."));
    on(Spalten1, &TMainForm::SpaltenM1Click);
    FormatMenu = menuBar()->addMenu(QStringLiteral("F&ormat"));
    FormatMenu->setObjectName(QStringLiteral("Format1"));
    FormatMenu->addAction(Spalten1);

    Benutzerwrterbuch1 = makeAction(this, "Benutzerwrterbuch1", QStringLiteral("&User dictionary"));
    on(Benutzerwrterbuch1, &TMainForm::Benutzerwrterbuch1Click);
    Optionen1 = makeAction(this, "Optionen1", QStringLiteral("&Options..."));
    on(Optionen1, &TMainForm::Optionen1Click);
    ExtrasMenu = menuBar()->addMenu(QStringLiteral("E&xtras"));
    ExtrasMenu->setObjectName(QStringLiteral("Extras1"));
    ExtrasMenu->addAction(Benutzerwrterbuch1);
    ExtrasMenu->addSeparator();
    ExtrasMenu->addAction(Optionen1);

    WindowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    WindowMenu->setObjectName(QStringLiteral("Window1"));
    QAction* cascade = WindowMenu->addAction(QStringLiteral("&Cascade"));
    connect(cascade, &QAction::triggered, MdiArea, &QMdiArea::cascadeSubWindows);
    QAction* tile = WindowMenu->addAction(QStringLiteral("&Tile"));
    connect(tile, &QAction::triggered, MdiArea, &QMdiArea::tileSubWindows);

    HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    HelpMenu->setObjectName(QStringLiteral("Help1"));
    QAction* about = makeAction(this, "HelpAbout1", QStringLiteral("&About..."));
    on(about, &TMainForm::HelpAbout1Execute);
    HelpMenu->addAction(about);
    QAction* content = makeAction(this, "Inhalt1", QStringLiteral("&Content"));
    content->setVisible(false);
    on(content, &TMainForm::Inhalt1Click);
    HelpMenu->insertAction(about, content);

    // No document yet: the first activated window shows these.
    setDocumentMenusVisible(false);
}

void TMainForm::createStatusBar()
{
    static constexpr int kPanelWidths[] = {120, 120, 160, 0};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (kPanelWidths[i] > 0) label->setMinimumWidth(kPanelWidths[i]);
        statusBar()->addWidget(label, kPanelWidths[i] > 0 ? 0 : 1);
        StatusPanels.push_back(label);
    }
}

void TMainForm::writeSettings()
{
    // The toolbars' visibility as it would be with the frame shown.
    FrameOptions& o = State.Options;
    o.ToolBar1Visible = ToolBar1->isVisibleTo(this) ? 1 : 0;
    o.ToolBar2Visible = ToolBar2->isVisibleTo(this) ? 1 : 0;
    o.ToolBar3Visible = ToolBar3->isVisibleTo(this) ? 1 : 0;
    o.ToolBar4Visible = ToolBar4->isVisibleTo(this) ? 1 : 0;
    SaveSettings(State, stateDir() / kSettingsFileName);
}

QLabel* TMainForm::statusPanel(int panel) const
{
    return panel >= 0 && panel < static_cast<int>(StatusPanels.size()) ? StatusPanels[size_t(panel)] : nullptr;
}

// ---- Document windows ------------------------------------------------------------

TMDIChild* TMainForm::ActiveMDIChild() const
{
    DocumentView* v = activeView();
    return v ? &v->child() : nullptr;
}

DocumentView* TMainForm::activeView() const
{
    // currentSubWindow stays set while a modal dialog or another program
    // is active, which is when many handlers run.
    QMdiSubWindow* sub = MdiArea->currentSubWindow();
    if (auto* own = dynamic_cast<DocumentSubWindow*>(sub); own && own->closed()) return nullptr;
    return sub ? qobject_cast<DocumentView*>(sub->widget()) : nullptr;
}

std::vector<DocumentView*> TMainForm::documentViews() const
{
    std::vector<DocumentView*> views;
    for (QMdiSubWindow* sub : MdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* own = dynamic_cast<DocumentSubWindow*>(sub); own && own->closed()) continue;
        if (auto* v = qobject_cast<DocumentView*>(sub->widget())) views.push_back(v);
    }
    return views;
}

DocumentView* TMainForm::makeWindow(const std::string& title, bool fromFile)
{
    if (!fromFile) State.OpenFileName.clear();
    auto view = std::make_unique<DocumentView>(State, this, nullptr);
    // A window that could not load its file (or broke off loading it, which
    // it reports) is never shown; the others of a start-up still open.
    if (!view->create()) return nullptr;

    DocumentView* v = view.get();
    v->child().SetDocTitle(title);
    auto* sub = new DocumentSubWindow(*this);
    sub->setWidget(view.release());
    sub->setWindowTitle(QString::fromStdString(title));
    connect(v, &DocumentView::captionChanged, sub, &QWidget::setWindowTitle);
    // Closing from inside one of the window's own handlers would free it
    // under that handler's feet.
    connect(v, &DocumentView::closeRequestedSignal, sub, &QWidget::close, Qt::QueuedConnection);
    MdiArea->addSubWindow(sub);
    emit windowMade(v);
    sub->showMaximized();
    return v;
}

DocumentView* TMainForm::CreateMDIChild(const std::string& title)
{
    State.OpenFileName.clear();
    return makeWindow(title, false);
}

DocumentView* TMainForm::OpenMDIChild(const std::string& title) { return makeWindow(title, true); }

void TMainForm::subWindowActivated(QMdiSubWindow* sub)
{
    if (!sub) return;
    if (auto* own = dynamic_cast<DocumentSubWindow*>(sub); own && own->closed()) return;
    auto* view = qobject_cast<DocumentView*>(sub->widget());
    if (!view) return;
    view->child().FormActivate(&view->child());
    showToolbarFormat();
}

void TMainForm::FileNew1Execute()
{
    CreateMDIChild("NONAME" + std::to_string(documentViews().size() + 1));
}

void TMainForm::FileOpen1Execute()
{
    // The dialog offers the readers this build has; the window opens with
    // the code of the choice, not its place in the list.
    const std::vector<FileFilterChoice> choices = openFilterChoices();
    std::string fileName;
    int32_t index = shownIndexOfCode(choices, OpenDialogFilterIndex);
    if (!Dialogs->getOpenFileName(this, filterString(choices), fileName, index)) return;
    const int32_t code = codeAtShownIndex(choices, index, ofByExtension);
    State.OpenFileName = fileName;
    State.OpenFilterIndex = code;
    OpenDialogFilterIndex = code;
    OpenMDIChild(fileShownName(std::filesystem::path(fileName)));
}

void TMainForm::LastUsedFilesClick(int32_t tag)
{
    const auto index = RecentFileIndexFromTag(tag, State.RecentFiles.size());
    if (!index) return;
    // The window's open puts the file at the head of the list again, which
    // moves the entry this refers to.
    const std::string path = State.RecentFiles[*index];
    State.OpenFileName = path;
    State.OpenFilterIndex = 0;
    OpenMDIChild(fileShownName(std::filesystem::path(path)));
}

void TMainForm::FileExit1Execute() { close(); }

void TMainForm::HelpAbout1Execute() { AboutBox->exec(); }

// ---- Showing and closing -----------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    guardedEvent([&] { FormShow(); });
}

void TMainForm::FormShow()
{
    if (ShownOnce) return;
    ShownOnce = 1;
    // The mail-merge table is bound here once that module exists. Each step
    // below runs even when one before it failed (the failure is reported),
    // so a bad table or document never keeps the command line's documents
    // or an earlier run's unsaved work from opening.
    State.PrintAfterOpen = 0;

    guardedEvent([&] {
        if (Start.Arguments.isEmpty()) {
            FileNew1Execute();
            return;
        }
        for (const QString& arg : Start.Arguments) {
            if (arg.toUpper() == QLatin1String("/P")) {
                State.PrintAfterOpen = 1;
                continue;
            }
            // The window's path and the recent list hold full paths: a name
            // given relative to the folder the program was started in would
            // name another file, or none, from anywhere else.
            std::string path = arg.toStdString();
            if (!path.empty()) {
                std::error_code ec;
                const std::filesystem::path full = std::filesystem::absolute(path, ec);
                // "." parts go; ".." stays, since a link before it decides
                // where it leads.
                std::filesystem::path clean;
                for (const std::filesystem::path& part : full)
                    if (part != ".") clean /= part;
                if (!ec) path = clean.string();
            }
            State.OpenFileName = path;
            State.OpenFilterIndex = 0;
            // A file that cannot be read has shown its message; the rest
            // still open.
            guardedEvent([&] {
                DocumentView* view = OpenMDIChild(fileShownName(std::filesystem::path(path)));
                if (view && State.PrintAfterOpen) FastPrint(view->child());
            });
        }
    });
    State.PrintAfterOpen = 0;

    // Work an earlier run could not save. The names stay out of the
    // windows and the recent list; Save asks where to put it, and closing
    // asks first, since the recovery file goes at the end of this run.
    struct KeepNameScope {
        uint8_t& Flag;
        uint8_t Saved;
        ~KeepNameScope() { Flag = Saved; }
    } keep{State.KeepName, State.KeepName};
    State.KeepName = 1;
    guardedEvent([&] {
        for (const std::filesystem::path& file : RecoveryFilesToReopen()) {
            State.OpenFileName = file.string();
            State.OpenFilterIndex = ofNative;
            DocumentView* v = nullptr;
            // One that cannot be reopened is set aside, not deleted at the exit.
            recoveryRun().reopen(file, [&] {
                guardedEvent([&] { v = OpenMDIChild(fileShownName(file) + " (Recovered)"); });
                return v != nullptr;
            });
            if (!v) continue;
            v->child().DocPath.clear();
            v->child().SetFileChanged(true);
        }
    });
    State.OpenFileName.clear();
}

bool TMainForm::closeAllDocuments()
{
    const std::vector<DocumentView*> views = documentViews();
    for (DocumentView* v : views) {
        bool canClose = true;
        v->child().FormCloseQuery(&v->child(), canClose);
        if (!canClose) return false;
    }
    ClosingAll = true;
    for (QMdiSubWindow* sub : MdiArea->subWindowList(QMdiArea::CreationOrder)) sub->close();
    ClosingAll = false;
    return true;
}

bool TMainForm::FormCloseQuery() { return closeAllDocuments(); }

void TMainForm::FormClose()
{
    writeSettings();
    DeleteRecoveryFiles();
    QSettings placement(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
    placement.setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool agreed = false;
    guardedCommand([&] { agreed = FormCloseQuery(); });  // refused, and so not closed, while busy
    if (!agreed) {
        event->ignore();
        return;
    }
    guardedEvent([&] { FormClose(); });
    QMainWindow::closeEvent(event);
}

// ---- Commands on the active window --------------------------------------------------

void TMainForm::Rckgngig1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->RestoreCopyFromUndo(0);
}

void TMainForm::Wiederholen1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->RestoreBeforeRestoreCopyFromUndo(0);
}

void TMainForm::SeiteeinrichtenM1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->PageSetup(1);
}

void TMainForm::SpaltenM1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->spaltenformat();
}

void TMainForm::Benutzerwrterbuch1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->UserDictionary();
}

void TMainForm::Inhalt1Click() {}

void TMainForm::Optionen1Click()
{
    OptionsDialogModel model = OptionsDialogFromFrame(State);
    if (!ShowOptionsForm(*OptionsForm, model)) return;
    OptionsDialogApply(model, State);
    UpdateAutoSaveTimer();
    writeSettings();
    if (TMDIChild* w = ActiveMDIChild()) w->CompleteRefresh();
}

// ---- FrameUi ------------------------------------------------------------------------

void TMainForm::setUndoHints(const std::vector<std::string>& undo, const std::vector<std::string>& redo)
{
    // Runs after every paint pass: an unchanged text is not set again,
    // which would make every menu and toolbar showing it lay out anew.
    auto show = [](QAction* a, bool enabled, const QString& text) {
        if (a->isEnabled() != enabled) a->setEnabled(enabled);
        if (a->text() != text) a->setText(text);
    };
    show(Rckgngig1, !undo.empty(),
         undo.empty() ? QStringLiteral("&Undo: Not available")
                      : QStringLiteral("&Undo: ") + escapeMnemonic(fromAnsi(undo.front())));
    show(Wiederholen1, !redo.empty(),
         redo.empty() ? QStringLiteral("&Redo: Not available")
                      : QStringLiteral("&Redo: ") + escapeMnemonic(fromAnsi(redo.front())));
}

void TMainForm::fileMenuChanged() { File1Click(); }
void TMainForm::editMenuChanged() { Edit1Click(); }

void TMainForm::setStatusText(int panel, const std::string& ansiText)
{
    QLabel* label = statusPanel(panel);
    if (!label) return;
    label->setText(fromAnsi(ansiText));
    // Shown at once, without letting the event loop (and its timers) run.
    label->repaint();
}

const TMDIChild* TMainForm::activeChild() const { return ActiveMDIChild(); }

void TMainForm::setDocumentMenusVisible(bool visible)
{
    for (QMenu* m : {EditMenu, ViewMenu, insertMenu(), FormatMenu, ExtrasMenu})
        if (m) m->menuAction()->setVisible(visible);
}

void TMainForm::setDocumentButtonsEnabled(bool) {}
void TMainForm::setClipboardActionsEnabled(bool) {}

std::vector<std::string> TMainForm::styleBoxItems() const
{
    std::vector<std::string> items;
    items.reserve(size_t(VorlagenBox->count()));
    for (int i = 0; i < VorlagenBox->count(); ++i) items.push_back(toAnsi(VorlagenBox->itemText(i)));
    return items;
}

void TMainForm::setStyleBoxItems(const std::vector<std::string>& ansiNames)
{
    VorlagenBox->clear();
    for (const std::string& name : ansiNames) VorlagenBox->addItem(fromAnsi(name));
}

void TMainForm::showStyleBoxItem(int32_t index)
{
    VorlagenBox->setCurrentIndex(index >= 0 && index < VorlagenBox->count() ? index : -1);
    // The window has just taken over the format at its cursor.
    showToolbarFormat();
}

bool TMainForm::runPageSetupDialog(TPageSetupForm& form)
{
    PageSetupModel = form;
    PageSetupView->showModel();
    if (PageSetupView->exec() != QDialog::Accepted) return false;
    form = PageSetupModel;
    return true;
}

bool TMainForm::runUserDictDialog(std::vector<std::string>& words)
{
    return ShowUserDictForm(*UserDictForm, words);
}

bool TMainForm::runSpaltenDialog(SpaltenDialogModel& model)
{
    return ShowSpaltenForm(*SpaltenForm, model);
}

} // namespace quillet
