#pragma once
// View > Zoom: page width, complete page or a percentage of 10 to 250.

#include <QDialog>

#include <cstdint>

class QDoubleSpinBox;
class QPushButton;
class QRadioButton;

namespace quillet {

class TZoomForm : public QDialog {
    Q_OBJECT
public:
    explicit TZoomForm(QWidget* parent = nullptr);

    // Mode 1 page width, 2 complete page, anything else a percentage
    // (pulled into 10..250).
    void setZoom(int32_t mode, double percent);
    int32_t mode() const;
    double percent() const;

    QRadioButton* Seitenbreite = nullptr;
    QRadioButton* GanzeSeite = nullptr;
    QRadioButton* Prozent = nullptr;
    QDoubleSpinBox* ZoomEd = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

} // namespace quillet
