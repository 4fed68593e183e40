// The frame's commands for frames, drawing objects, pictures and the
// scanner: Insert > Textfield, Graphic, Graphic field, the drawing objects,
// Scan picture and Select scanner; Format > Field/Page/Object, Connect
// textfield, the z-order and the picture size; the drawing toolbar's tool
// buttons. Each acts on the active document window and does nothing
// without one. The frame also shows the windows' object dialogs.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/dialogs/FeldFormatFUnit.h"
#include "app/dialogs/GrafikPropsFUnit.h"
#include "app/dialogs/ScanFUnit.h"
#include "engine/Childwin.h"
#include "engine/ObjectDialogs.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QToolBar>

namespace quillet {

struct TMainForm::ObjectControls : ObjectDialogsUi {
    TMainForm& Frame;
    TFeldFormatForm* FeldFormatForm = nullptr;
    TGrafikPropsForm* GrafikPropsForm = nullptr;
    TScannerChoiceForm* ScannerForm = nullptr;
    std::vector<QAction*> TextItems;    // need the cursor in text
    std::vector<QAction*> ObjectItems;  // need the cursor in a frame or object
    explicit ObjectControls(TMainForm& frame) : Frame(frame) {}

    bool runFeldFormatDialog(FeldFormatModel& m) override { return ShowFeldFormatForm(*FeldFormatForm, m); }
    bool runGrafikPropsDialog(GrafikPropsModel& m) override { return ShowGrafikPropsForm(*GrafikPropsForm, m); }
    bool runPictureOpenDialog(const std::string& filter, std::string& fileName) override
    {
        fileName.clear();
        int32_t index = 1;
        return Frame.fileDialogs().getOpenFileName(&Frame, filter, fileName, index);
    }
    bool runScannerChoice(const std::vector<ScanDevice>& devices, int32_t& chosen) override
    {
        return ShowScannerChoice(*ScannerForm, devices, chosen);
    }
    ScanResult runScan(ScannerSource& source, const std::string& device) override
    {
        return RunScanWithProgress(&Frame, source, device);
    }
    // The picture reaches the window from the event loop, as a message
    // would; a window closed meanwhile never gets it, and it is freed.
    void deliverScan(TMDIChild& window, int32_t handle) override
    {
        QPointer<DocumentView> target;
        for (DocumentView* v : Frame.documentViews())
            if (&v->child() == &window) target = v;
        QTimer::singleShot(0, &Frame, [target, handle] {
            if (target) guardedEvent([&] { target->child().WMUser2(handle); });
            else GetScanedDib(handle);
        });
    }
};

void TMainForm::createObjectCommands()
{
    Objects = std::make_shared<ObjectControls>(*this);
    ObjectControls& o = *Objects;
    o.FeldFormatForm = new TFeldFormatForm(this);
    o.GrafikPropsForm = new TGrafikPropsForm(this);
    o.ScannerForm = new TScannerChoiceForm(this);
    connect(this, &TMainForm::windowMade, this, [this](DocumentView* v) { v->child().ObjectDialogs = Objects.get(); });
    for (DocumentView* v : documentViews()) v->child().ObjectDialogs = Objects.get();

    auto make = [this](const char* name, const char* text, std::function<void(TMDIChild&)> act) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, act] {
            guardedCommand([&] {
                if (TMDIChild* w = ActiveMDIChild()) act(*w);
            });
        });
        return a;
    };
    auto mode = [](int32_t m) { return [m](TMDIChild& w) { w.SetInsertObjMode(m); }; };

    if (QMenu* insert = insertMenu()) {
        insert->addSeparator();
        insert->addAction(make("Textfeld1", "Te&xtfield", mode(1)));
        QAction* graphic = make("Grafik1", "&Graphic...", [](TMDIChild& w) { w.GrafikEinfuegen(); });
        insert->addAction(graphic);
        o.TextItems.push_back(graphic);
        insert->addAction(make("Grafikfeld1", "Gr&aphic field...", mode(7)));
        insert->addSeparator();
        insert->addAction(make("Rechteck1", "&Rectangle", mode(2)));
        insert->addAction(make("Ellipse1", "Elli&pse", mode(3)));
        insert->addAction(make("Linie1", "&Line", mode(4)));
        insert->addAction(make("HorizontaleLinie1", "H&orizontal line", mode(5)));
        insert->addAction(make("VertikaleLinie1", "V&ertical line", mode(6)));
        insert->addSeparator();
        QAction* scan = make("Bildscannen1", "Scan picture...", [](TMDIChild& w) { w.BildScannen(); });
        insert->addAction(scan);
        o.TextItems.push_back(scan);
        insert->addAction(make("TWAINQuellewhlen1", "Select scanner...", [](TMDIChild& w) { w.ScannerWaehlen(); }));
    }
    if (FormatMenu) {
        FormatMenu->addSeparator();
        FormatMenu->addAction(make("Feld1", "&Field/Page/Object...", [](TMDIChild& w) { w.feldformatieren(); }));
        FormatMenu->addAction(make("GrafikM2", "Format graphic...", [](TMDIChild& w) { w.GrafikFormatieren(); }));
        FormatMenu->addAction(
            make("Textfeldverknpfen1", "Connect &textfield...", [](TMDIChild& w) { w.Textfeldverknuepfen(); }));
        QAction* front = make("Objektnachvorne1", "Bring object to the front", [](TMDIChild& w) { w.Objektnachvorne(); });
        QAction* back = make("Objektnachhinten1", "Bring object to the back", [](TMDIChild& w) { w.Objektnachhinten(); });
        FormatMenu->addAction(front);
        FormatMenu->addAction(back);
        o.ObjectItems = {front, back};
    }
    if (QMenu* insert = insertMenu())
        connect(insert, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Format1Click(); }); });
    if (FormatMenu) connect(FormatMenu, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { Format1Click(); }); });

    // The drawing toolbar's tools arm the same insert modes.
    if (QToolBar* bar = toolBar(3)) {
        const struct { const char* name; const char* hint; int32_t mode; } tools[] = {
            {"ToolButton20", "Text field", 1}, {"ToolButton17", "Retangle", 2},
            {"ToolButton19", "Ellipse", 3},    {"ToolButton4", "Line", 4},
            {"ToolButton6", "Horizontal line", 5}, {"ToolButton16", "Vertical line", 6},
            {"ToolButton28", "Insert graphic field...", 7},
        };
        bar->addSeparator();
        for (const auto& t : tools) {
            QAction* a = make(t.name, t.hint, mode(t.mode));
            a->setToolTip(QString::fromLatin1(t.hint));
            bar->addAction(a);
        }
    }
}

void TMainForm::Format1Click()
{
    if (!Objects) return;
    const TMDIChild* w = ActiveMDIChild();
    int32_t t = -1;
    if (w && w->Cursor.Area >= 0 && w->Cursor.Area < w->AreaCount()) t = w->Areas[size_t(w->Cursor.Area)].AreaType;
    for (QAction* a : Objects->TextItems) a->setEnabled(t >= 0 && t <= atTextFrame);
    for (QAction* a : Objects->ObjectItems) a->setEnabled(t > atFooter);
}

} // namespace quillet
