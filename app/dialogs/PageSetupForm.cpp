#include "app/dialogs/PageSetupForm.h"

#include "platform/qt/QtText.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillet {

namespace {

QDoubleSpinBox* lengthEdit(QWidget* parent)
{
    auto* e = new QDoubleSpinBox(parent);
    e->setRange(TPageSetupForm::kMinCm, TPageSetupForm::kMaxCm);
    e->setSingleStep(TPageSetupForm::kStepCm);
    // Two places, so paper sizes in tenths of a millimetre show exactly.
    e->setDecimals(2);
    e->setSuffix(QStringLiteral(" cm"));
    return e;
}

} // namespace

TPageSetupView::TPageSetupView(TPageSetupForm& model, QWidget* parent) : QDialog(parent), Model(model)
{
    setWindowTitle(QString::fromLatin1(TPageSetupForm::kCaption));

    FormatBox = new QComboBox(this);
    BreitEd = lengthEdit(this);
    HochEd = lengthEdit(this);
    HochCheck = new QRadioButton(QStringLiteral("Portrait"), this);
    QuerCheck = new QRadioButton(QStringLiteral("Landscape"), this);
    TopEd = lengthEdit(this);
    LeftEd = lengthEdit(this);
    BottomEd = lengthEdit(this);
    RightEd = lengthEdit(this);
    HeadEd = lengthEdit(this);
    FootEd = lengthEdit(this);
    headfootmode = new QComboBox(this);
    for (const char* m : TPageSetupForm::kHeadFootModes) headfootmode->addItem(QString::fromLatin1(m));
    okbtn = new QPushButton(QStringLiteral("&Ok"), this);
    okbtn->setDefault(true);
    cancelbtn = new QPushButton(QStringLiteral("Cancel"), this);

    auto* paper = new QGridLayout;
    paper->addWidget(new QLabel(QStringLiteral("Format:"), this), 0, 0);
    paper->addWidget(FormatBox, 0, 1, 1, 2);
    paper->addWidget(new QLabel(QStringLiteral("Width:"), this), 1, 0);
    paper->addWidget(BreitEd, 1, 1);
    paper->addWidget(HochCheck, 1, 2);
    paper->addWidget(new QLabel(QStringLiteral("Height:"), this), 2, 0);
    paper->addWidget(HochEd, 2, 1);
    paper->addWidget(QuerCheck, 2, 2);

    auto* marginBox = new QGroupBox(QStringLiteral("Page margin"), this);
    auto* margins = new QGridLayout(marginBox);
    margins->addWidget(new QLabel(QStringLiteral("top:"), marginBox), 0, 0);
    margins->addWidget(TopEd, 0, 1);
    margins->addWidget(new QLabel(QStringLiteral("Left:"), marginBox), 0, 2);
    margins->addWidget(LeftEd, 0, 3);
    margins->addWidget(new QLabel(QStringLiteral("Bottom:"), marginBox), 1, 0);
    margins->addWidget(BottomEd, 1, 1);
    margins->addWidget(new QLabel(QStringLiteral("Right:"), marginBox), 1, 2);
    margins->addWidget(RightEd, 1, 3);

    auto* spaceBox = new QGroupBox(QStringLiteral("Space from page margin"), this);
    auto* space = new QGridLayout(spaceBox);
    space->addWidget(new QLabel(QStringLiteral("Header"), spaceBox), 0, 0);
    space->addWidget(HeadEd, 0, 1);
    space->addWidget(new QLabel(QStringLiteral("Footer:"), spaceBox), 0, 2);
    space->addWidget(FootEd, 0, 3);

    auto* mode = new QHBoxLayout;
    mode->addWidget(new QLabel(QStringLiteral("Different header/footer for:"), this));
    mode->addWidget(headfootmode, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okbtn);
    buttons->addWidget(cancelbtn);

    auto* all = new QVBoxLayout(this);
    all->addLayout(paper);
    all->addWidget(marginBox);
    all->addWidget(spaceBox);
    all->addLayout(mode);
    all->addLayout(buttons);

    showModel();

    connect(FormatBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (Showing) return;
        takeEdits();
        Model.FormatIndex = index;
        Model.FormatBoxChange();
        showModel();
    });
    connect(BreitEd, &QDoubleSpinBox::valueChanged, this, [this](double) {
        if (Showing) return;
        takeEdits();
        Model.BreitEdChange();
        showModel();
    });
    connect(HochEd, &QDoubleSpinBox::valueChanged, this, [this](double) {
        if (Showing) return;
        takeEdits();
        Model.HochEdChange();
        showModel();
    });
    connect(QuerCheck, &QRadioButton::clicked, this, [this] {
        takeEdits();
        Model.QuerCheckClick();
        showModel();
    });
    connect(HochCheck, &QRadioButton::clicked, this, [this] {
        takeEdits();
        Model.HochCheckClick();
        showModel();
    });
    connect(okbtn, &QPushButton::clicked, this, [this] {
        takeEdits();
        accept();
    });
    connect(cancelbtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TPageSetupView::takeEdits()
{
    Model.BreitEd = BreitEd->value();
    Model.HochEd = HochEd->value();
    Model.TopEd = TopEd->value();
    Model.LeftEd = LeftEd->value();
    Model.BottomEd = BottomEd->value();
    Model.RightEd = RightEd->value();
    Model.HeadEd = HeadEd->value();
    Model.FootEd = FootEd->value();
    Model.headfootmode = headfootmode->currentIndex();
}

void TPageSetupView::showModel()
{
    Showing = true;
    if (FormatBox->count() != int(Model.FormatItems.size())) {
        FormatBox->clear();
        for (const std::string& item : Model.FormatItems) FormatBox->addItem(fromAnsi(item));
    }
    FormatBox->setCurrentIndex(Model.FormatIndex);
    BreitEd->setValue(Model.BreitEd);
    HochEd->setValue(Model.HochEd);
    HochCheck->setChecked(Model.HochCheck != 0);
    QuerCheck->setChecked(Model.QuerCheck != 0);
    TopEd->setValue(Model.TopEd);
    LeftEd->setValue(Model.LeftEd);
    BottomEd->setValue(Model.BottomEd);
    RightEd->setValue(Model.RightEd);
    HeadEd->setValue(Model.HeadEd);
    FootEd->setValue(Model.FootEd);
    headfootmode->setCurrentIndex(Model.headfootmode);
    Showing = false;
}

bool ShowPageSetupForm(QWidget* parent, TPageSetupForm& model)
{
    TPageSetupForm edited = model;
    TPageSetupView view(edited, parent);
    if (view.exec() != QDialog::Accepted) return false;
    model = std::move(edited);
    return true;
}

} // namespace quillet
