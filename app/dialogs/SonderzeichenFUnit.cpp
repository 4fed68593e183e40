// Insert > Special character dialog.

#include "app/dialogs/SonderzeichenFUnit.h"

#include "app/dialogs/OkCancelButtons.h"
#include "platform/qt/QtPainterCanvas.h"
#include "platform/qt/QtText.h"
#include "platform/SelFont.h"

#include <QFontComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace quillet {

namespace {

constexpr int kCols = SonderzeichenModel::kColumns;
constexpr int kRows = SonderzeichenModel::kRows;
constexpr int kCell = SonderzeichenModel::kCellPixels;

// One character of `face` at `zoom` percent of 72 points, drawn the way the
// document draws it (symbol faces through their substitutes).
void drawCharacter(QPainter& p, QWidget& on, const std::string& face, double zoom, uint8_t code, int x, int y)
{
    QtPainterCanvas canvas(p, CanvasKind::ScreenBitmap);
    const FontHandle font =
        selfont(face, on.logicalDpiX(), 1, 0, SonderzeichenModel::kPreviewSize, zoom);
    const char text = char(code);
    canvas.text(x, y, font, std::string_view(&text, 1), 0);
}

// PaintBox1: the chosen character at 72 points.
class Preview final : public QWidget {
public:
    Preview(const SonderzeichenModel& model, QWidget* parent) : QWidget(parent), Model(model)
    {
        setObjectName(QStringLiteral("PaintBox1"));
        setFixedSize(120, 120);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        drawCharacter(p, *this, Model.FontName, 100, Model.Char, 0, 0);
    }

private:
    const SonderzeichenModel& Model;
};

} // namespace

// ---- The grid ----------------------------------------------------------------------

TCharacterGrid::TCharacterGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DrawGrid1"));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
}

QSize TCharacterGrid::sizeHint() const { return QSize(kCols * kCell + 1, kRows * kCell + 1); }

void TCharacterGrid::setFace(const std::string& face)
{
    Face = face;
    update();
}

void TCharacterGrid::setCurrentCell(int column, int row)
{
    if (column < 0 || column >= kCols || row < 0 || row >= kRows) return;
    Column = column;
    Row = row;
    update();
    emit cellSelected(column, row);
}

bool TCharacterGrid::cellAt(const QPoint& p, int& column, int& row) const
{
    if (p.x() < 0 || p.y() < 0) return false;
    column = p.x() / kCell;
    row = p.y() / kCell;
    return column < kCols && row < kRows;
}

void TCharacterGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            drawCharacter(p, *this, Face, SonderzeichenModel::kGridZoom, SonderzeichenModel::codeOfCell(c, r),
                          c * kCell + 1, r * kCell + 1);
    p.setPen(Qt::lightGray);
    for (int c = 0; c <= kCols; ++c) p.drawLine(c * kCell, 0, c * kCell, kRows * kCell);
    for (int r = 0; r <= kRows; ++r) p.drawLine(0, r * kCell, kCols * kCell, r * kCell);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(QRect(Column * kCell + 1, Row * kCell + 1, kCell - 1, kCell - 1), Qt::white);
}

void TCharacterGrid::mousePressEvent(QMouseEvent* event)
{
    int c = 0, r = 0;
    if (event->button() == Qt::LeftButton && cellAt(event->position().toPoint(), c, r)) setCurrentCell(c, r);
}

void TCharacterGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    int c = 0, r = 0;
    if (event->button() == Qt::LeftButton && cellAt(event->position().toPoint(), c, r)) emit cellDoubleClicked();
}

void TCharacterGrid::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: setCurrentCell(Column - 1, Row); break;
    case Qt::Key_Right: setCurrentCell(Column + 1, Row); break;
    case Qt::Key_Up: setCurrentCell(Column, Row - 1); break;
    case Qt::Key_Down: setCurrentCell(Column, Row + 1); break;
    default: QWidget::keyPressEvent(event);
    }
}

// ---- The form ----------------------------------------------------------------------

TSonderzeichenForm::TSonderzeichenForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(SonderzeichenModel::kCaption));
    setModal(true);

    FontComboBox1 = new QFontComboBox(this);
    FontComboBox1->setObjectName(QStringLiteral("FontComboBox1"));
    DrawGrid1 = new TCharacterGrid(this);
    PaintBox1 = new Preview(Model, this);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(100);

    auto* side = new QVBoxLayout;
    side->addWidget(PaintBox1);
    side->addWidget(Label2);
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *side);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;
    auto* middle = new QHBoxLayout;
    middle->addWidget(DrawGrid1);
    middle->addLayout(side);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(FontComboBox1);
    outer->addLayout(middle);

    connect(Timer1, &QTimer::timeout, this, &TSonderzeichenForm::Timer1Timer);
    // StringGrid1SelectCell
    connect(DrawGrid1, &TCharacterGrid::cellSelected, this, [this](int c, int r) {
        if (Model.Busy) return;
        Model.selectCell(c, r);
        Edit1Change();
    });
    connect(DrawGrid1, &TCharacterGrid::cellDoubleClicked, this, &QDialog::accept);
    connect(FontComboBox1, &QFontComboBox::currentFontChanged, this, [this](const QFont& f) {
        Model.FontName = toAnsi(f.family());
        PaintBox1->update();
        DrawGrid1->setFace(Model.FontName);
    });
}

void TSonderzeichenForm::setModel(const SonderzeichenModel& model)
{
    Model = model;
    Model.Busy = 0;
    DrawGrid1->setFace(Model.FontName);
    Edit1Change();
}

void TSonderzeichenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // FormShow, then FormActivate: the chosen cell is selected a moment later.
    FormActivate();
    Timer1->start();
}

void TSonderzeichenForm::FormActivate()
{
    {
        // The box may show another face for one this machine lacks; the
        // chosen face stays until the user picks one.
        const QSignalBlocker block(FontComboBox1);
        FontComboBox1->setCurrentFont(QFont(fromAnsi(Model.FontName)));
    }
    Edit1Change();
    Model.Busy = 1;
    DrawGrid1->setCurrentCell(0, 0);
    Model.Busy = 0;
}

void TSonderzeichenForm::Timer1Timer()
{
    Timer1->stop();
    DrawGrid1->setCurrentCell(Model.cellColumn(), Model.cellRow());
}

void TSonderzeichenForm::Edit1Change()
{
    Label2->setText(QString::fromStdString(Model.labelText()));
    PaintBox1->update();
}

bool ShowSonderzeichenForm(TSonderzeichenForm& form, SonderzeichenModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
