#include "app/dialogs/ZoomFUnit.h"

#include "app/dialogs/OkCancelButtons.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quillet {

TZoomForm::TZoomForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ZoomForm"));
    setWindowTitle(QStringLiteral("Zoomstufe"));
    auto* column = new QVBoxLayout(this);
    Seitenbreite = new QRadioButton(QStringLiteral("Seitenbreite"), this);
    Seitenbreite->setObjectName(QStringLiteral("Seitenbreite"));
    GanzeSeite = new QRadioButton(QStringLiteral("Ganze Seite"), this);
    GanzeSeite->setObjectName(QStringLiteral("GanzeSeite"));
    Prozent = new QRadioButton(QStringLiteral("Prozent festlegen"), this);
    Prozent->setObjectName(QStringLiteral("Prozentfestlegen"));
    ZoomEd = new QDoubleSpinBox(this);
    ZoomEd->setObjectName(QStringLiteral("ZoomEd"));
    ZoomEd->setRange(10, 250);
    ZoomEd->setDecimals(2);
    ZoomEd->setSuffix(QStringLiteral(" %"));
    column->addWidget(Seitenbreite);
    column->addWidget(GanzeSeite);
    auto* percentRow = new QHBoxLayout;
    percentRow->addWidget(Prozent);
    percentRow->addWidget(ZoomEd);
    column->addLayout(percentRow);
    // Typing a percentage means that choice.
    connect(ZoomEd, &QDoubleSpinBox::valueChanged, this, [this] { Prozent->setChecked(true); });
    auto* buttons = new QHBoxLayout;
    const OkCancelButtons ok = addOkCancelButtons(*this, *buttons);
    OkButton = ok.Ok;
    CancelButton = ok.Cancel;
    column->addLayout(buttons);
}

void TZoomForm::setZoom(int32_t mode, double percent)
{
    {
        const QSignalBlocker block(ZoomEd);
        ZoomEd->setValue(std::isfinite(percent) ? std::clamp(percent, 10.0, 250.0) : 100.0);
    }
    (mode == 1 ? Seitenbreite : mode == 2 ? GanzeSeite : Prozent)->setChecked(true);
}

int32_t TZoomForm::mode() const { return Seitenbreite->isChecked() ? 1 : GanzeSeite->isChecked() ? 2 : 0; }

double TZoomForm::percent() const { return ZoomEd->value(); }

} // namespace quillet
