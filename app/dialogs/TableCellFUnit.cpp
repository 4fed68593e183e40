// Format cells dialog.

#include "app/dialogs/TableCellFUnit.h"

#include "app/dialogs/OkCancelButtons.h"
#include "app/widgets/VelmoColorComboBox.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillet {

namespace {

QColor qcolor(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

} // namespace

TCellPreview::TCellPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintBox1"));
    setMinimumSize(120, 90);
}

void TCellPreview::paintEvent(QPaintEvent*)
{
    if (!Model) return;
    QPainter p(this);
    p.fillRect(rect(), qcolor(Model->Background));
    const int dpi = screen() ? int(screen()->logicalDotsPerInch()) : 96;
    for (const CellPreviewLine& l : Model->PreviewLines(width(), height(), dpi)) {
        if (l.PenWidth <= 0) continue;
        p.setPen(QPen(qcolor(l.Color), l.PenWidth, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(l.X0, l.Y0, l.X1, l.Y1);
    }
}

void TCellPreview::mousePressEvent(QMouseEvent* event)
{
    if (!Model) return;
    const QPoint at = event->position().toPoint();
    Model->PaintBox1MouseDown(at.x(), at.y(), width(), height());
    if (Changed) Changed();
    update();
}

TTableCellView::TTableCellView(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Table cells"));
    setModal(true);

    const char* tips[6] = {"Top", "Inner horizontal", "Bottom", "Left", "Inner vertical", "Right"};
    auto* toggles = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
        b->setCheckable(true);
        b->setText(QString::number(i + 1));
        b->setToolTip(QString::fromLatin1(tips[i]));
        connect(b, &QToolButton::clicked, this, [this, i](bool down) {
            if (!Model || Filling) return;
            Model->Down[size_t(i)] = down;
            Model->SpeedButtonClick(i + 1);
            PaintBox1->update();
        });
        SpeedButtons[size_t(i)] = b;
        toggles->addWidget(b);
    }

    const char* presets[7] = {"Without", "Box", "All", "Grid", "Thin", "Thick", "Very thick"};
    auto* presetRow = new QHBoxLayout;
    for (int i = 0; i < 7; ++i) {
        auto* b = new TBitBtnXP(this);
        b->setText(QString::fromLatin1(presets[i]));
        b->setObjectName(QStringLiteral("BitBtn%1").arg(i + 3));
        connect(b, &QPushButton::clicked, this, [this, i] {
            if (!Model) return;
            Model->Preset(i + 3);
            showModel();
        });
        BitBtns[size_t(i)] = b;
        presetRow->addWidget(b);
    }

    LineStarkEd = new QDoubleSpinBox(this);
    LineStarkEd->setObjectName(QStringLiteral("LineStarkEd"));
    LineStarkEd->setRange(0, 10);
    LineStarkEd->setSingleStep(0.25);
    LineStarkEd->setDecimals(2);
    LineStarkEd->setValue(0.75);
    connect(LineStarkEd, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (!Model || Filling) return;
        Model->LineStarkEdChange(v);
        PaintBox1->update();
    });

    LineCol = new TVelmoColorComboBox(this);
    LineCol->setObjectName(QStringLiteral("LineCol"));
    connect(LineCol, &TVelmoColorComboBox::Change, this, [this] {
        if (!Model) return;
        Model->LineColChange(LineCol->ColorValue());
        PaintBox1->update();
    });
    BkCol = new TVelmoColorComboBox(this);
    BkCol->setObjectName(QStringLiteral("BkCol"));
    connect(BkCol, &TVelmoColorComboBox::Change, this, [this] {
        if (!Model) return;
        Model->BkColChange(BkCol->ColorValue());
        TranspCheck->setEnabled(Model->TransparentEnabled);
        PaintBox1->update();
    });
    TranspCheck = new QCheckBox(QStringLiteral("Transparent"), this);
    TranspCheck->setObjectName(QStringLiteral("TranspCheck"));
    connect(TranspCheck, &QCheckBox::clicked, this, [this](bool on) {
        if (Model) Model->TranspCheckClick(on);
    });

    PaintBox1 = new TCellPreview(this);
    PaintBox1->Changed = [this] { showModel(); };

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Line color:"), this), 0, 0);
    grid->addWidget(LineCol, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Line width in points:"), this), 1, 0);
    grid->addWidget(LineStarkEd, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Background color:"), this), 2, 0);
    grid->addWidget(BkCol, 2, 1);
    grid->addWidget(TranspCheck, 3, 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(PaintBox1, 1);
    middle->addLayout(grid);

    auto* body = new QVBoxLayout;
    body->addLayout(toggles);
    body->addLayout(middle);
    body->addLayout(presetRow);

    auto* buttons = new QHBoxLayout;
    OkButton = addOkCancelButtons(*this, *buttons).Ok;
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(body);
    outer->addLayout(buttons);
}

void TTableCellView::bind(TTableCellForm& model)
{
    Model = &model;
    PaintBox1->Model = &model;
    showModel();
}

void TTableCellView::showModel()
{
    if (!Model) return;
    Filling = true;
    for (size_t i = 0; i < 6; ++i) SpeedButtons[i]->setChecked(Model->Down[i]);
    LineStarkEd->setValue(Model->LineWidth);
    LineCol->SetColorValue(Model->LineColor);
    BkCol->SetColorValue(Model->Background);
    TranspCheck->setChecked(Model->Transparent);
    TranspCheck->setEnabled(Model->TransparentEnabled);
    Filling = false;
    PaintBox1->update();
}

bool ShowTableCellForm(TTableCellView& view, TTableCellForm& model)
{
    view.bind(model);
    return view.exec() == QDialog::Accepted;
}

} // namespace quillet
