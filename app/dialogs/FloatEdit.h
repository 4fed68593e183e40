#pragma once
// Number edits of the paragraph dialogs: a float spin edit with a range and
// a step, filled without running its change handler, whose value counts as
// the user's only once the user changed it. An edit rounds to its places
// and range, and a stored 12.345 mm must not change because a dialog was
// opened and closed with OK.

#include <QDoubleSpinBox>
#include <QSignalBlocker>

namespace quillet {

inline QDoubleSpinBox* makeFloatEdit(QWidget* parent, const char* name, double min, double max, double step,
                                     int decimals)
{
    auto* e = new QDoubleSpinBox(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setDecimals(decimals);
    e->setRange(min, max);
    e->setSingleStep(step);
    e->setKeyboardTracking(true);
    return e;
}

// Shows `v` (at the edit's limit when outside its range) and returns the
// value the edit then holds.
inline double showFloat(QDoubleSpinBox& e, double v)
{
    const QSignalBlocker block(&e);
    if (!(v >= e.minimum())) v = e.minimum();  // NaN too
    if (v > e.maximum()) v = e.maximum();
    e.setValue(v);
    return e.value();
}

// The edit's value when the user changed it since `shown`, else `model`.
inline double takeFloat(const QDoubleSpinBox& e, double shown, double model)
{
    return e.value() != shown ? e.value() : model;
}

} // namespace quillet
