#include "app/dialogs/PageSetupForm.h"

#include "app/dialogs/OkCancelButtons.h"
#include "platform/qt/QtText.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

namespace quillet {

namespace {

QDoubleSpinBox* lengthEdit(QWidget* parent)
{
    auto* e = new QDoubleSpinBox(parent);
    e->setRange(TPageSetupForm::kMinCm, TPageSetupForm::kMaxCm);
    e->setSingleStep(TPageSetupForm::kStepCm);
    // Two places, so paper sizes in tenths of a millimetre show exactly.
    e->setDecimals(2);
    return e;
}

// The value `e` holds after showing `v`: kept in its range and rounded to
// its places, as the edit itself would.
double shownValue(const QDoubleSpinBox& e, double v)
{
    if (!(v >= e.minimum())) v = e.minimum();  // NaN too
    if (v > e.maximum()) v = e.maximum();
    return e.valueFromText(e.textFromValue(v));
}

// The edit's text already stands for `v`: setting it again would rewrite
// what the user is typing. Left-over text (empty, half typed) does not count.
bool showsValue(const QDoubleSpinBox& e, double v)
{
    const double shown = shownValue(e, v);
    QString text = e.text();
    int pos = 0;
    return e.value() == shown && e.validate(text, pos) == QValidator::Acceptable &&
           e.valueFromText(e.cleanText()) == shown;
}

bool sameItems(const QComboBox& box, const std::vector<std::string>& items)
{
    if (box.count() != int(items.size())) return false;
    for (int i = 0; i < box.count(); ++i)
        if (box.itemText(i) != fromAnsi(items[size_t(i)])) return false;
    return true;
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

    auto* paper = new QGridLayout;
    paper->addWidget(new QLabel(QStringLiteral("Format:"), this), 0, 0);
    paper->addWidget(FormatBox, 0, 1, 1, 3);
    paper->addWidget(new QLabel(QStringLiteral("Width:"), this), 1, 0);
    paper->addWidget(BreitEd, 1, 1);
    paper->addWidget(new QLabel(QStringLiteral("cm"), this), 1, 2);
    paper->addWidget(HochCheck, 1, 3);
    paper->addWidget(new QLabel(QStringLiteral("Height:"), this), 2, 0);
    paper->addWidget(HochEd, 2, 1);
    paper->addWidget(new QLabel(QStringLiteral("cm"), this), 2, 2);
    paper->addWidget(QuerCheck, 2, 3);

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
    const OkCancelButtons okCancel = addOkCancelButtons(
        *this, *buttons,
        [this] {
            takeEdits();
            accept();
        },
        QStringLiteral("&Ok"), QStringLiteral("okbtn"), QStringLiteral("cancelbtn"));
    okbtn = okCancel.Ok;
    cancelbtn = okCancel.Cancel;

    auto* all = new QVBoxLayout(this);
    all->addLayout(paper);
    all->addWidget(marginBox);
    all->addWidget(spaceBox);
    all->addLayout(mode);
    all->addLayout(buttons);

    Lengths = {{{BreitEd, &TPageSetupForm::BreitEd}, {HochEd, &TPageSetupForm::HochEd},
                {TopEd, &TPageSetupForm::TopEd}, {LeftEd, &TPageSetupForm::LeftEd},
                {BottomEd, &TPageSetupForm::BottomEd}, {RightEd, &TPageSetupForm::RightEd},
                {HeadEd, &TPageSetupForm::HeadEd}, {FootEd, &TPageSetupForm::FootEd}}};
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
    // Toggled, not clicked: the arrow keys move the choice too.
    connect(QuerCheck, &QRadioButton::toggled, this, [this](bool checked) {
        if (Showing || !checked) return;
        takeEdits();
        Model.QuerCheckClick();
        showModel();
    });
    connect(HochCheck, &QRadioButton::toggled, this, [this](bool checked) {
        if (Showing || !checked) return;
        takeEdits();
        Model.HochCheckClick();
        showModel();
    });
}

// An edit the user left alone keeps the model's value: the edits round to
// their places and range, and a margin of 12.345 mm or an imported page
// taller than the edits go must not change because the dialog was opened.
void TPageSetupView::takeEdits()
{
    for (const LengthEdit& l : Lengths)
        if (l.Edit->value() != l.Shown) Model.*l.Value = l.Edit->value();
    Model.headfootmode = std::max(0, headfootmode->currentIndex());
}

void TPageSetupView::showModel()
{
    Showing = true;
    if (!sameItems(*FormatBox, Model.FormatItems)) {
        FormatBox->clear();
        for (const std::string& item : Model.FormatItems) FormatBox->addItem(fromAnsi(item));
    }
    FormatBox->setCurrentIndex(Model.FormatIndex >= 0 && Model.FormatIndex < FormatBox->count() ? Model.FormatIndex
                                                                                                : FormatBox->count() - 1);
    for (LengthEdit& l : Lengths) {
        const double v = Model.*l.Value;
        if (!showsValue(*l.Edit, v)) l.Edit->setValue(shownValue(*l.Edit, v));
        l.Shown = l.Edit->value();
    }
    HochCheck->setChecked(Model.HochCheck != 0);
    QuerCheck->setChecked(Model.QuerCheck != 0);
    const int mode = Model.headfootmode;
    headfootmode->setCurrentIndex(mode >= 0 && mode < headfootmode->count() ? mode : 0);
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
