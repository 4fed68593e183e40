// The four toolbars: standard, format, drawing and extended format; the
// style, font, size and zoom boxes; the colour drop-downs with their
// palette, the line-width drop-down, and what the object colours and line
// width do to the selected frame or drawing object.
#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/icons/ToolbarIcons.h"
#include "engine/Childwin.h"
#include "platform/qt/QtText.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <array>
#include <cmath>
#include <functional>

namespace quillet {

struct TMainForm::ToolbarControls {
    QAction* notprintablebtn = nullptr;
    std::array<QToolButton*, 4> ColourButtons{};
    std::array<QMenu*, 4> ColourPopups{};
    QToolButton* ToolButton27 = nullptr;
    QMenu* LineWidthPopup = nullptr;
    std::array<QAction*, 4> Toggles{};  // ToolBar1..4
};

namespace {

// The palette of the colour drop-downs, by the items' tag 1..16 (0x00BBGGRR).
constexpr std::array<uint32_t, 16> kPalette = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                               0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
constexpr int kLineWidthItems = 25;  // tag i stands for i / 4 points

QColor qcolor(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }
uint32_t colorref(const QColor& c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }

size_t slot(TMainForm::ColourTarget t) { return size_t(t); }

uint32_t& colourOf(FrameOptions& o, TMainForm::ColourTarget t)
{
    switch (t) {
    case TMainForm::ColourTarget::Text: return o.TextColor;
    case TMainForm::ColourTarget::TextBk: return o.TextBkColor;
    case TMainForm::ColourTarget::Fill: return o.FillColor;
    case TMainForm::ColourTarget::Line: break;
    }
    return o.LineColor;
}

// A menu item drawn by the program: a palette swatch or a line width. A
// click closes the menu and triggers the item's action.
class PaintedItem final : public QWidget {
public:
    using Paint = std::function<void(QPainter&, const QRect&, bool selected)>;
    PaintedItem(QWidgetAction* action, QSize hint, Paint paint)
        : Action(action), Hint(hint), Painter(std::move(paint))
    {
        setMouseTracking(true);
        setMinimumSize(hint);
    }
    QSize sizeHint() const override { return Hint; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Painter(p, rect(), Hovered);
    }
    void enterEvent(QEnterEvent*) override
    {
        Hovered = true;
        update();
    }
    void leaveEvent(QEvent*) override
    {
        Hovered = false;
        update();
    }
    // A menu closed under the pointer sends no leave.
    void hideEvent(QHideEvent*) override { Hovered = false; }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
        for (QWidget* w = parentWidget(); w; w = w->parentWidget())
            if (auto* menu = qobject_cast<QMenu*>(w)) {
                menu->close();
                break;
            }
        Action->trigger();
    }

private:
    QWidgetAction* Action;
    QSize Hint;
    Paint Painter;
    bool Hovered = false;
};

QWidgetAction* paintedAction(QMenu* menu, QSize hint, PaintedItem::Paint paint)
{
    auto* a = new QWidgetAction(menu);
    a->setDefaultWidget(new PaintedItem(a, hint, std::move(paint)));
    menu->addAction(a);
    return a;
}

QColor frameColour(const QWidget* w, bool selected)
{
    return selected ? w->palette().highlight().color() : w->palette().window().color();
}

// Enter in a toolbar box: `enter` runs and the key goes no further (an
// editable box would otherwise also activate a matching list item).
class EnterKeyFilter final : public QObject {
public:
    EnterKeyFilter(QObject* parent, std::function<void()> enter, std::function<void()> focusOut)
        : QObject(parent), Enter(std::move(enter)), FocusOut(std::move(focusOut))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                guardedCommand(Enter);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && FocusOut) {
            guardedEvent(FocusOut);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> Enter, FocusOut;
};

void onEnter(QComboBox* box, std::function<void()> enter, std::function<void()> focusOut = {})
{
    QObject* target = box->lineEdit() ? static_cast<QObject*>(box->lineEdit()) : box;
    target->installEventFilter(new EnterKeyFilter(box, std::move(enter), std::move(focusOut)));
}

QComboBox* editableBox(QWidget* parent, const char* name, const char* hint)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(QString::fromLatin1(hint));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

void focusDocument(DocumentView* v)
{
    if (v) v->setFocus();
}

// The frame or drawing object at the caret; null in body, header or
// footer text, which take no object colours.
TextArea* floatingAreaAtCursor(TMDIChild& w)
{
    const int32_t i = w.Cursor.Area;
    if (i < 0 || i >= w.AreaCount()) return nullptr;
    TextArea& a = w.Areas[size_t(i)];
    return a.AreaType >= atTextFrame ? &a : nullptr;
}

} // namespace

void TMainForm::createToolbars()
{
    Toolbars = std::make_shared<ToolbarControls>();
    ToolbarControls& t = *Toolbars;
    ToolBar1 = new QToolBar(QStringLiteral("Formatleiste"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar2 = new QToolBar(QStringLiteral("Standartleiste"), this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar3 = new QToolBar(QStringLiteral("Zeichnenleiste"), this);
    ToolBar3->setObjectName(QStringLiteral("ToolBar3"));
    ToolBar4 = new QToolBar(QStringLiteral("Format erweitert"), this);
    ToolBar4->setObjectName(QStringLiteral("ToolBar4"));

    // Standard toolbar.
    ToolBar2->addAction(FileNew1);
    ToolBar2->addAction(FileOpen1);
    ToolBar2->addAction(FileSave1);
    ToolBar2->addSeparator();
    ToolBar2->addAction(SeitenansichtM1);
    ToolBar2->addSeparator();
    ToolBar2->addAction(Rckgngig1);
    ToolBar2->addAction(Wiederholen1);
    ToolBar2->addSeparator();
    t.notprintablebtn = new QAction(QStringLiteral("Show non printable characters"), this);
    t.notprintablebtn->setObjectName(QStringLiteral("notprintablebtn"));
    t.notprintablebtn->setToolTip(QStringLiteral("Show non printable characters"));
    t.notprintablebtn->setCheckable(true);
    connect(t.notprintablebtn, &QAction::triggered, this,
            [this](bool down) { guardedCommand([&] { notprintablebtnClick(down); }); });
    ToolBar2->addAction(t.notprintablebtn);
    ZoomBox = editableBox(ToolBar2, "ZoomBox", "Zoom");
    for (const char* item : {"250%", "200%", "150%", "100%", "75%", "50%", "25%", "10%", "Page width",
                             "Complete page"})
        ZoomBox->addItem(QString::fromLatin1(item));
    ZoomBox->setEditText(QStringLiteral("100%"));
    ToolBar2->addWidget(ZoomBox);
    // Only the user's changes count, not the text the window writes back.
    connect(ZoomBox->lineEdit(), &QLineEdit::textEdited, this, [this] { guardedCommand([&] { ZoomBoxChange(); }); });
    connect(ZoomBox, &QComboBox::textActivated, this, [this] {
        guardedCommand([&] {
            ZoomBoxChange();
            focusDocument(activeView());
        });
    });
    onEnter(
        ZoomBox,
        [this] {
            ZoomBoxChange();
            ZoomBoxExit();
            focusDocument(activeView());
        },
        [this] { ZoomBoxExit(); });

    // Format toolbar: style, font and size boxes (the character and
    // paragraph commands add their buttons behind them).
    VorlagenBox = new QComboBox(ToolBar1);
    VorlagenBox->setObjectName(QStringLiteral("VorlagenBox"));
    VorlagenBox->setMinimumContentsLength(14);
    ToolBar1->addWidget(VorlagenBox);
    connect(VorlagenBox, &QComboBox::activated, this, [this] { guardedCommand([&] { VorlagenBoxChange(); }); });
    onEnter(VorlagenBox, [this] { focusDocument(activeView()); });

    // A document's face is shown as the document names it, whether or not
    // this system has it.
    FontComboBox1 = editableBox(ToolBar1, "FontComboBox1", "Font");
    FontComboBox1->addItems(QFontDatabase::families());
    FontComboBox1->setMinimumContentsLength(16);
    ToolBar1->addWidget(FontComboBox1);
    connect(FontComboBox1->lineEdit(), &QLineEdit::textEdited, this,
            [this] { guardedCommand([&] { FontComboBox1Change(); }); });
    connect(FontComboBox1, &QComboBox::textActivated, this, [this] { guardedCommand([&] { FontComboBox1Click(); }); });
    onEnter(FontComboBox1, [this] {
        // A name the completer finished is applied before the document
        // takes the focus.
        if (const TMDIChild* w = ActiveMDIChild(); w && toAnsi(FontComboBox1->currentText()) != w->FontState.Face)
            FontComboBox1Change();
        focusDocument(activeView());
    });

    FontSize = editableBox(ToolBar1, "FontSize", "Font size");
    FontSize->setCompleter(nullptr);
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        FontSize->addItem(QString::number(size));
    ToolBar1->addWidget(FontSize);
    connect(FontSize->lineEdit(), &QLineEdit::textEdited, this, [this] { guardedCommand([&] { FontSizeChange(); }); });
    connect(FontSize, &QComboBox::textActivated, this, [this] { guardedCommand([&] { FontSizeClick(); }); });
    onEnter(FontSize, [this] { focusDocument(activeView()); });

    // Drawing toolbar: the object colours and the line width (the tools
    // follow).
    t.ColourButtons[slot(ColourTarget::Fill)] = makeColourButton(ToolBar3, ColourTarget::Fill);
    t.ColourButtons[slot(ColourTarget::Line)] = makeColourButton(ToolBar3, ColourTarget::Line);
    t.ToolButton27 = new QToolButton(ToolBar3);
    t.ToolButton27->setObjectName(QStringLiteral("ToolButton27"));
    t.ToolButton27->setToolTip(QStringLiteral("Line width"));
    t.ToolButton27->setPopupMode(QToolButton::MenuButtonPopup);
    t.ToolButton27->setIcon(toolbarIcon(t.ToolButton27->objectName()));
    t.LineWidthPopup = new QMenu(t.ToolButton27);
    t.LineWidthPopup->setObjectName(QStringLiteral("LineWidthPopup"));
    t.ToolButton27->setMenu(t.LineWidthPopup);
    connect(t.LineWidthPopup, &QMenu::aboutToShow, this, [this] { guardedCommand([&] { LineWidthPopupPopup(); }); });
    connect(t.ToolButton27, &QToolButton::clicked, this, [this] { guardedCommand([&] { SetLineWidth(); }); });
    ToolBar3->addWidget(t.ToolButton27);

    // The toolbars' check items: one per toolbar, shared by View >
    // "Toolbars" and the toolbars' pop-up menu, so the two never disagree.
    const std::pair<QToolBar*, const char*> items[] = {
        {ToolBar1, "&Format"}, {ToolBar2, "&Standard"}, {ToolBar3, "&Draw"}, {ToolBar4, "Format &extented"}};
    static constexpr const char* kNames[] = {"Format2", "Standart1", "Zeichnen1", "Formaterweitert1"};
    for (int i = 0; i < 4; ++i) {
        QToolBar* bar = items[i].first;
        QAction* a = new QAction(QString::fromLatin1(items[i].second), this);
        a->setObjectName(QString::fromLatin1(kNames[i]));
        a->setCheckable(true);
        a->setChecked(true);
        // Works without a document.
        connect(a, &QAction::triggered, this, [this, bar](bool checked) {
            guardedCommand([&] {
                setToolbarVisible(bar, checked);
                writeSettings();
            });
        });
        t.Toggles[size_t(i)] = a;
    }
    if (auto* bars = ViewMenu->findChild<QMenu*>(QStringLiteral("Sysmbolleisten1"))) {
        for (int i : {1, 0, 2, 3}) bars->addAction(t.Toggles[size_t(i)]);
        connect(bars, &QMenu::aboutToShow, this, [this] {
            for (int n = 1; n <= 4; ++n) toolbarToggle(n)->setChecked(toolBar(n)->isVisibleTo(this));
        });
    }

    addToolBar(Qt::TopToolBarArea, ToolBar2);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    addToolBar(Qt::TopToolBarArea, ToolBar4);
    addToolBar(Qt::BottomToolBarArea, ToolBar3);
    setDocumentToolbarsEnabled(false);
}

QToolButton* TMainForm::makeColourButton(QToolBar* bar, ColourTarget target)
{
    struct Names {
        const char* button;
        const char* hint;
        const char* popup;
    };
    static constexpr Names kNames[] = {{"ToolButton25", "Text color", "TextColorPopup"},
                                       {"ToolButton26", "Background color", "TextBkColorPopup"},
                                       {"ToolButton22", "Background color", "BkcolorPopup"},
                                       {"ToolButton23", "Line color", "LineColorPopup"}};
    const Names& n = kNames[slot(target)];
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(n.button));
    b->setToolTip(QString::fromLatin1(n.hint));
    b->setPopupMode(QToolButton::MenuButtonPopup);
    auto* menu = new QMenu(b);
    menu->setObjectName(QString::fromLatin1(n.popup));
    b->setMenu(menu);
    fillColourPopup(menu, target);
    // The button applies the colour last chosen.
    connect(b, &QToolButton::clicked, this, [this, target] {
        guardedCommand([&] {
            switch (target) {
            case ColourTarget::Text: AktiviereTextColor(); break;
            case ColourTarget::TextBk: AktiviereTextBkColor(); break;
            case ColourTarget::Fill: AktiviereBkColor(); break;
            case ColourTarget::Line: AktiviereLineColor(); break;
            }
        });
    });
    bar->addWidget(b);
    Toolbars->ColourButtons[slot(target)] = b;
    Toolbars->ColourPopups[slot(target)] = menu;
    return b;
}

void TMainForm::fillColourPopup(QMenu* popup, ColourTarget target)
{
    if (target == ColourTarget::TextBk || target == ColourTarget::Fill) {
        QAction* none = popup->addAction(QStringLiteral("&No fill area"));
        none->setObjectName(target == ColourTarget::TextBk ? QStringLiteral("KeinFllbereich1")
                                                           : QStringLiteral("MenuItem5"));
        connect(none, &QAction::triggered, this, [this, target] {
            guardedCommand([&] {
                FrameOptions& o = State.Options;
                if (target == ColourTarget::TextBk) {
                    o.TextBkColor = 0xFFFFFF;
                    o.TextBkTransparent = 1;
                    AktiviereTextBkColor();
                } else {
                    o.FillColor = 0xFFFFFF;
                    o.NoFill = 1;
                    AktiviereBkColor();
                }
            });
        });
    }
    for (int tag = 1; tag <= int(kPalette.size()); ++tag) {
        const QColor colour = qcolor(kPalette[size_t(tag - 1)]);
        QWidgetAction* item = paintedAction(popup, QSize(60, 10), [colour](QPainter& p, const QRect& r, bool selected) {
            p.setBrush(colour);
            p.setPen(QPen(frameColour(static_cast<QWidget*>(p.device()), selected), 1));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        });
        item->setText(QString::number(tag));
        item->setData(tag);
        connect(item, &QAction::triggered, this,
                [this, target, tag] { guardedCommand([&] { PaletteItemClick(target, tag); }); });
    }
    static constexpr const char* kMore[] = {"TextColorPopupMehr", "TextBkColorPopupMehr", "BkColorPopupMehr",
                                            "LineColorPopupMehr"};
    QAction* more = popup->addAction(QStringLiteral("&More..."));
    more->setObjectName(QString::fromLatin1(kMore[slot(target)]));
    connect(more, &QAction::triggered, this, [this, target] { guardedCommand([&] { MoreColourClick(target); }); });
}

// ---- Colours and line width ----------------------------------------------------------

void TMainForm::applyColour(ColourTarget target, uint32_t colour)
{
    FrameOptions& o = State.Options;
    colourOf(o, target) = colour;
    if (target == ColourTarget::TextBk) o.TextBkTransparent = 0;
    if (target == ColourTarget::Fill) o.NoFill = 0;
    switch (target) {
    case ColourTarget::Text: AktiviereTextColor(); break;
    case ColourTarget::TextBk: AktiviereTextBkColor(); break;
    case ColourTarget::Fill: AktiviereBkColor(); break;
    case ColourTarget::Line: AktiviereLineColor(); break;
    }
}

void TMainForm::PaletteItemClick(ColourTarget target, int32_t tag)
{
    if (tag < 1 || tag > int32_t(kPalette.size())) return;
    applyColour(target, kPalette[size_t(tag - 1)]);
}

void TMainForm::MoreColourClick(ColourTarget target)
{
    const uint32_t colour = colourOf(State.Options, target);
    const QColor chosen = ChooseColour ? ChooseColour(qcolor(colour)) : QColorDialog::getColor(qcolor(colour), this);
    // Cancelled: no colour changes and nothing is applied.
    if (!chosen.isValid()) return;
    applyColour(target, colorref(chosen));
}

namespace {

// Changes the frame or object at the caret with `change` when it would
// differ: one undo step, the document marked changed, the page repainted.
template <class Differs, class Change>
void changeFloatingArea(TMDIChild* w, Differs differs, Change change, bool relayout)
{
    if (!w) return;
    TextArea* a = floatingAreaAtCursor(*w);
    if (!a || !differs(*a)) return;
    w->MakeCopyForUndo("Object format");
    a = floatingAreaAtCursor(*w);
    if (!a) return;
    change(*a);
    if (relayout) {
        for (TextLine& line : a->Lines) line.Dirty = 1;
        w->RefreshDirtyContent();
    } else {
        w->Host->restartTimer2();
    }
}

} // namespace

void TMainForm::AktiviereBkColor()
{
    showColourButtons();
    const uint32_t fill = State.Options.FillColor;
    const uint8_t none = State.Options.NoFill ? 1 : 0;
    changeFloatingArea(
        ActiveMDIChild(), [&](const TextArea& a) { return a.FillColor != fill || a.Transparent != none; },
        [&](TextArea& a) {
            a.FillColor = fill;
            a.Transparent = none;
        },
        false);
}

void TMainForm::AktiviereLineColor()
{
    showColourButtons();
    const uint32_t colour = State.Options.LineColor;
    changeFloatingArea(
        ActiveMDIChild(), [&](const TextArea& a) { return a.BorderColor != colour; },
        [&](TextArea& a) { a.BorderColor = colour; }, false);
}

void TMainForm::SetLineWidth()
{
    const double width = State.Options.LineWidth;
    if (!std::isfinite(width) || width < 0) return;
    // The border takes part in where a frame's text lies.
    changeFloatingArea(
        ActiveMDIChild(), [&](const TextArea& a) { return a.BorderWidth != width; },
        [&](TextArea& a) { a.BorderWidth = width; }, true);
}

void TMainForm::LineWidthItemClick(int32_t tag)
{
    if (tag < 0 || tag >= kLineWidthItems) return;
    State.Options.LineWidth = tag / 4.0;
    SetLineWidth();
}

void TMainForm::LineWidthPopupPopup()
{
    QMenu* menu = Toolbars->LineWidthPopup;
    menu->clear();
    const int dpi = menu->logicalDpiX();
    for (int tag = 0; tag < kLineWidthItems; ++tag) {
        const QString text = QString::asprintf("%.2f Pt ", tag / 4.0);
        QWidgetAction* item = paintedAction(menu, QSize(150, 18), [tag, dpi, text](QPainter& p, const QRect& r,
                                                                                  bool selected) {
            auto* w = static_cast<QWidget*>(p.device());
            p.setBrush(frameColour(w, selected));
            p.setPen(QPen(frameColour(w, selected), 1));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            if (tag > 0) {
                p.setPen(QPen(Qt::black, std::trunc(tag / 4.0 * dpi / 72.0), Qt::SolidLine, Qt::FlatCap));
                p.drawLine(r.left(), r.center().y(), r.right(), r.center().y());
            }
            p.setPen(selected ? w->palette().highlightedText().color() : w->palette().windowText().color());
            p.drawText(r, Qt::AlignLeft | Qt::AlignTop, text);
        });
        item->setText(text.trimmed());
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { guardedCommand([&] { LineWidthItemClick(tag); }); });
    }
}

void TMainForm::notprintablebtnClick(bool down)
{
    DocumentView* v = activeView();
    if (!v) {
        // Nothing without a document: the button keeps showing the setting.
        Toolbars->notprintablebtn->setChecked(State.Options.ShowNonPrinting != 0);
        return;
    }
    State.Options.ShowNonPrinting = down ? 1 : 0;
    writeSettings();
    v->child().Host->restartTimer2();
}

void TMainForm::showColourButtons()
{
    if (!Toolbars) return;
    const FrameOptions& o = State.Options;
    const struct {
        ColourTarget target;
        ColourFace face;
        uint32_t colour;
        bool none;
    } faces[] = {{ColourTarget::Text, ColourFace::Text, o.TextColor, false},
                 {ColourTarget::TextBk, ColourFace::TextBackground, o.TextBkColor, o.TextBkTransparent != 0},
                 {ColourTarget::Fill, ColourFace::Fill, o.FillColor, o.NoFill != 0},
                 {ColourTarget::Line, ColourFace::Line, o.LineColor, false}};
    for (const auto& f : faces)
        if (QToolButton* b = Toolbars->ColourButtons[slot(f.target)]) b->setIcon(colourButtonIcon(f.face, f.colour, f.none));
}

// ---- Finishing, showing and hiding ------------------------------------------------------

void TMainForm::finishToolbars()
{
    // Print, and cut, copy and paste, once their areas have made them.
    auto named = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    if (QAction* print = named("Drucken1")) ToolBar2->insertAction(SeitenansichtM1, print);
    QAction* cut = named("EditCut1");
    QAction* copy = named("EditCopy1");
    QAction* paste = named("EditPaste1");
    if (cut && copy && paste) {
        ToolBar2->insertActions(Rckgngig1, {cut, copy, paste});
        ToolBar2->insertSeparator(Rckgngig1);
    }
    // The undo and redo buttons list the steps in their drop-downs.
    const std::pair<QAction*, QMenu*> lists[] = {{Rckgngig1, undoPopup()}, {Wiederholen1, redoPopup()}};
    for (const auto& [action, list] : lists) {
        auto* b = qobject_cast<QToolButton*>(ToolBar2->widgetForAction(action));
        if (!b || !list) continue;
        b->setObjectName(action == Rckgngig1 ? QStringLiteral("UndoBtn") : QStringLiteral("ReUndoBtn"));
        b->setMenu(list);
        b->setPopupMode(QToolButton::MenuButtonPopup);
    }
    // Every button gets its face, the program's own where it has one.
    for (QToolBar* bar : {ToolBar1, ToolBar2, ToolBar3, ToolBar4})
        for (QAction* a : bar->actions()) {
            const QIcon icon = toolbarIcon(a->objectName());
            if (!icon.isNull()) a->setIcon(icon);
        }
    Toolbars->notprintablebtn->setChecked(State.Options.ShowNonPrinting != 0);
    showColourButtons();
}

QToolBar* TMainForm::toolBar(int number) const
{
    switch (number) {
    case 1: return ToolBar1;
    case 2: return ToolBar2;
    case 3: return ToolBar3;
    case 4: return ToolBar4;
    default: return nullptr;
    }
}

QAction* TMainForm::toolbarToggle(int number) const
{
    return Toolbars && number >= 1 && number <= 4 ? Toolbars->Toggles[size_t(number - 1)] : nullptr;
}

QToolButton* TMainForm::colourButton(ColourTarget target) const
{
    return Toolbars ? Toolbars->ColourButtons[slot(target)] : nullptr;
}

QMenu* TMainForm::colourPopup(ColourTarget target) const
{
    return Toolbars ? Toolbars->ColourPopups[slot(target)] : nullptr;
}

QMenu* TMainForm::lineWidthPopup() const { return Toolbars ? Toolbars->LineWidthPopup : nullptr; }

QMenu* TMainForm::createPopupMenu()
{
    // The caller frees the menu; the items stay with the frame.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("LeistenPopup"));
    for (int n : {2, 1, 3, 4}) {
        toolbarToggle(n)->setChecked(toolBar(n)->isVisibleTo(this));
        menu->addAction(toolbarToggle(n));
    }
    return menu;
}

void TMainForm::setToolbarVisible(QToolBar* bar, bool visible)
{
    if (!bar) return;
    bar->setVisible(visible);
    for (int n = 1; n <= 4; ++n)
        if (toolBar(n) == bar && toolbarToggle(n)) toolbarToggle(n)->setChecked(visible);
}

void TMainForm::applyToolbarSettings()
{
    const FrameOptions& o = State.Options;
    setToolbarVisible(ToolBar1, o.ToolBar1Visible != 0);
    setToolbarVisible(ToolBar2, o.ToolBar2Visible != 0);
    setToolbarVisible(ToolBar3, o.ToolBar3Visible != 0);
    setToolbarVisible(ToolBar4, o.ToolBar4Visible != 0);
}

void TMainForm::setDocumentToolbarsEnabled(bool enabled)
{
    for (QToolBar* bar : {ToolBar1, ToolBar3, ToolBar4})
        if (bar) bar->setEnabled(enabled);
}

void TMainForm::showToolbarFormat()
{
    const TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    // Written with signals that only the user's edits raise: showing the
    // caret's format never applies it.
    const TMDIChild::FormatToolbarView& f = w->ToolbarFormat;
    const QString face = fromAnsi(f.Face);
    if (FontComboBox1->currentText() != face) FontComboBox1->setEditText(face);
    const QString size = QString::fromStdString(f.SizeText);
    if (FontSize->currentText() != size) FontSize->setEditText(size);
    if (Toolbars) Toolbars->notprintablebtn->setChecked(State.Options.ShowNonPrinting != 0);
    showCharacterToolbar();
    showParagraphToolbar();
}

} // namespace quillet
