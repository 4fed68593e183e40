#pragma once
// The user dictionary dialog.

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace quillet {

class TUserDictForm : public QDialog {
    Q_OBJECT
public:
    explicit TUserDictForm(QWidget* parent = nullptr);

    void setWords(const std::vector<std::string>& ansiWords);
    std::vector<std::string> words() const;
    // Removes every selected line, from the last one up.
    void DelBtnClick();

    QListWidget* ListBox1 = nullptr;
    QPushButton* DelBtn = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// Runs the dialog modally; on OK `words` holds what is left.
bool ShowUserDictForm(TUserDictForm& form, std::vector<std::string>& words);

} // namespace quillet
