#pragma once
// "Find and replace": the Qt view of SearchFormModel, a page control with
// the find, replace and go to pages. Every button closes the dialog with
// its own result code.

#include "engine/SearchDialog.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace quillet {

class TSearchForm : public QDialog {
    Q_OBJECT
public:
    explicit TSearchForm(QWidget* parent = nullptr);

    void setModel(const SearchFormModel& model);
    // The texts, check boxes and page as the user left them.
    void readInto(SearchFormModel& model) const;

    QTabWidget* PageControl1 = nullptr;
    QLineEdit* finded1 = nullptr;
    QLineEdit* finded2 = nullptr;
    QLineEdit* replaceed = nullptr;
    QSpinBox* PageEd = nullptr;
    // caps, words, start, back, whole for the find (0) and replace (1) pages.
    std::array<std::array<QCheckBox*, 5>, 2> Checks{};
    QPushButton* FindAgain = nullptr;
    QPushButton* SearchAgain = nullptr;
    QPushButton* ReplaceBtn = nullptr;
    QPushButton* ReplaceAllBtn = nullptr;
    QPushButton* GoToBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void pageChanged(int page);
};

// Shows the dialog on model.Page; returns the result code and leaves the
// dialog's state in `model` whatever the button.
int32_t ShowSearchForm(QWidget* parent, SearchFormModel& model);

} // namespace quillet
