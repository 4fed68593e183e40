#pragma once
// The Qt views of the field dialogs (engine/FieldDialogs.h): each Show*
// fills its form from the model, runs it modally and, after OK, writes the
// input back into the model and returns true.

#include "engine/FieldDialogs.h"

class QWidget;

namespace quillet {

bool ShowFeldEinfuegenForm(QWidget* parent, FeldEinfuegenModel& model);
bool ShowUserDateTimeForm(QWidget* parent, UserDateTimeModel& model);
bool ShowDateTimeForm(QWidget* parent, DateTimeModel& model);
bool ShowInsertFormFieldForm(QWidget* parent, InsertFormFieldModel& model);
bool ShowFormDialogForm(QWidget* parent, FormDialogModel& model);
bool ShowDocumentPropsForm(QWidget* parent, DocumentPropsModel& model);

} // namespace quillet
