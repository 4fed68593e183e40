// Text field properties: position and size, text flow, margins and look.

#include "app/dialogs/FeldFormatFUnit.h"

#include "app/dialogs/FloatEdit.h"
#include "app/dialogs/OkCancelButtons.h"
#include "app/widgets/VelmoColorComboBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillet {

namespace {

constexpr int kPositionPage = 0, kTextFlowPage = 1, kLookPage = 2;

// A labelled centimetre edit in the next row of `grid`.
QDoubleSpinBox* cmRow(QWidget* page, QGridLayout* grid, const char* name, const char* label, double max, double step)
{
    const int row = grid->rowCount();
    QDoubleSpinBox* e = makeFloatEdit(page, name, 0, max, step, 2);
    grid->addWidget(new QLabel(QString::fromLatin1(label), page), row, 0);
    grid->addWidget(e, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("cm"), page), row, 2);
    return e;
}

} // namespace

TFeldFormatForm::TFeldFormatForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(FeldFormatModel::kCaption));
    setModal(true);
    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("PageControl1"));

    auto* position = new QWidget(Pages);
    auto* pg = new QGridLayout(position);
    posx = cmRow(position, pg, "posx", "Left:", 1000, 0.1);
    posy = cmRow(position, pg, "posy", "Top:", 1000, 0.1);
    breit = cmRow(position, pg, "breit", "Width:", 1000, 0.1);
    hoch = cmRow(position, pg, "hoch", "Height:", 1000, 0.1);
    ShowOn = new QComboBox(position);
    ShowOn->setObjectName(QStringLiteral("ShowOn"));
    for (const char* item : FeldFormatModel::kShowOnItems) ShowOn->addItem(QString::fromLatin1(item));
    const int showRow = pg->rowCount();
    pg->addWidget(new QLabel(QStringLiteral("Show on:"), position), showRow, 0);
    pg->addWidget(ShowOn, showRow, 1, 1, 2);
    verschieb = new QCheckBox(QStringLiteral("Move with text"), position);
    verschieb->setObjectName(QStringLiteral("verschieb"));
    pg->addWidget(verschieb, pg->rowCount(), 0, 1, 3);
    SverhCheck = new QCheckBox(QStringLiteral("Maintain aspect ratio for graphic fields"), position);
    SverhCheck->setObjectName(QStringLiteral("SverhCheck"));
    pg->addWidget(SverhCheck, pg->rowCount(), 0, 1, 3);
    Pages->addTab(position, QString::fromLatin1(FeldFormatModel::kPositionPage));

    auto* flow = new QWidget(Pages);
    auto* fg = new QGridLayout(flow);
    umbr = new QCheckBox(QString::fromLatin1(FeldFormatModel::kWrapText), flow);
    umbr->setObjectName(QStringLiteral("umbr"));
    fg->addWidget(umbr, 0, 0, 1, 3);
    for (size_t i = 0; i < umt.size(); ++i) {
        // The wrap sides are kept but not offered.
        umt[i] = new QRadioButton(flow);
        umt[i]->setObjectName(QStringLiteral("umt%1").arg(i + 1));
        umt[i]->setVisible(false);
    }
    AbstandED = cmRow(flow, fg, "AbstandED", "Horizontal distance:", 10, 0.25);
    AbstandYEd = cmRow(flow, fg, "AbstandYEd", "Vertical distance:", 10, 0.25);
    Pages->addTab(flow, QString::fromLatin1(FeldFormatModel::kTextFlowPage));

    auto* look = new QWidget(Pages);
    auto* lg = new QGridLayout(look);
    randl = cmRow(look, lg, "randl", "Left margin:", 1000, 0.1);
    rando = cmRow(look, lg, "rando", "Top margin:", 1000, 0.1);
    randr = cmRow(look, lg, "randr", "Right margin:", 1000, 0.1);
    randu = cmRow(look, lg, "randu", "Bottom margin:", 1000, 0.1);
    LineStarkEd = makeFloatEdit(look, "LineStarkEd", 0, 10, 0.25, 2);
    int row = lg->rowCount();
    lg->addWidget(new QLabel(QStringLiteral("Line width in pt:"), look), row, 0);
    lg->addWidget(LineStarkEd, row, 1);
    LineCol = new TVelmoColorComboBox(look);
    LineCol->setObjectName(QStringLiteral("LineCol"));
    row = lg->rowCount();
    lg->addWidget(new QLabel(QStringLiteral("Line color:"), look), row, 0);
    lg->addWidget(LineCol, row, 1, 1, 2);
    BkCol = new TVelmoColorComboBox(look);
    BkCol->setObjectName(QStringLiteral("BkCol"));
    row = lg->rowCount();
    lg->addWidget(new QLabel(QStringLiteral("Background color:"), look), row, 0);
    lg->addWidget(BkCol, row, 1, 1, 2);
    TranspCheck = new QCheckBox(QStringLiteral("Transparent"), look);
    TranspCheck->setObjectName(QStringLiteral("TranspCheck"));
    lg->addWidget(TranspCheck, lg->rowCount(), 0, 1, 3);
    Pages->addTab(look, QStringLiteral("Margins and lines"));
    connect(BkCol, &TVelmoColorComboBox::Change, this, &TFeldFormatForm::BkColChange);

    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(Pages);
    outer->addLayout(buttons);
}

void TFeldFormatForm::BkColChange()
{
    FeldFormatModel m;
    m.BkCol = BkCol->ColorValue();
    m.BkColChange();
    TranspCheck->setEnabled(m.TranspEnabled != 0);
}

void TFeldFormatForm::setModel(const FeldFormatModel& model)
{
    Given = model;
    Shown = model;
    Shown.posx = showFloat(*posx, model.posx);
    Shown.posy = showFloat(*posy, model.posy);
    Shown.breit = showFloat(*breit, model.breit);
    Shown.hoch = showFloat(*hoch, model.hoch);
    Shown.AbstandED = showFloat(*AbstandED, model.AbstandED);
    Shown.AbstandYEd = showFloat(*AbstandYEd, model.AbstandYEd);
    Shown.randl = showFloat(*randl, model.randl);
    Shown.rando = showFloat(*rando, model.rando);
    Shown.randr = showFloat(*randr, model.randr);
    Shown.randu = showFloat(*randu, model.randu);
    Shown.LineStarkEd = showFloat(*LineStarkEd, model.LineStarkEd);
    ShowOn->setCurrentIndex(std::clamp(model.ShowOn, 0, ShowOn->count() - 1));
    verschieb->setChecked(model.verschieb);
    SverhCheck->setChecked(model.SverhCheck);
    umbr->setChecked(model.umbr);
    umt[size_t(std::clamp(model.WrapMode, 0, 3))]->setChecked(true);
    LineCol->SetColorValue(model.LineCol);
    BkCol->SetColorValue(model.BkCol);
    TranspCheck->setChecked(model.TranspCheck);
    BkColChange();
    const bool positioned = model.positionPagesShown();
    Pages->setTabVisible(kPositionPage, positioned);
    Pages->setTabVisible(kTextFlowPage, positioned);
    Pages->setCurrentIndex(positioned ? kPositionPage : kLookPage);
}

FeldFormatModel TFeldFormatForm::model() const
{
    FeldFormatModel m = Given;
    m.posx = takeFloat(*posx, Shown.posx, Given.posx);
    m.posy = takeFloat(*posy, Shown.posy, Given.posy);
    m.breit = takeFloat(*breit, Shown.breit, Given.breit);
    m.hoch = takeFloat(*hoch, Shown.hoch, Given.hoch);
    m.AbstandED = takeFloat(*AbstandED, Shown.AbstandED, Given.AbstandED);
    m.AbstandYEd = takeFloat(*AbstandYEd, Shown.AbstandYEd, Given.AbstandYEd);
    m.randl = takeFloat(*randl, Shown.randl, Given.randl);
    m.rando = takeFloat(*rando, Shown.rando, Given.rando);
    m.randr = takeFloat(*randr, Shown.randr, Given.randr);
    m.randu = takeFloat(*randu, Shown.randu, Given.randu);
    m.LineStarkEd = takeFloat(*LineStarkEd, Shown.LineStarkEd, Given.LineStarkEd);
    m.ShowOn = ShowOn->currentIndex();
    m.verschieb = verschieb->isChecked();
    m.SverhCheck = SverhCheck->isChecked();
    m.umbr = umbr->isChecked();
    for (size_t i = 0; i < umt.size(); ++i)
        if (umt[i]->isChecked()) m.WrapMode = int32_t(i);
    m.LineCol = LineCol->ColorValue();
    m.BkCol = BkCol->ColorValue();
    m.TranspCheck = TranspCheck->isChecked();
    m.BkColChange();
    return m;
}

bool ShowFeldFormatForm(TFeldFormatForm& form, FeldFormatModel& model)
{
    form.setModel(model);
    if (form.exec() != QDialog::Accepted) return false;
    model = form.model();
    return true;
}

} // namespace quillet
