// The user dictionary dialog's document-window side: the dialog edits a copy
// of the frame's UserDict; only OK writes it back and saves "user.spe".
// Deleted words stay in the merged word lists until the next start, which
// the dialog tells the user.

#include "engine/Childwin.h"
#include "language/WordList.h"

namespace quillet {

void TMDIChild::UserDictionary()
{
    if (!Frame.UserDict) Frame.UserDict = std::make_shared<WordList>();
    std::vector<std::string> words = Frame.UserDict->words();
    if (!Ui->runUserDictDialog(words)) return;
    Frame.UserDict->assign(std::move(words));
    SaveUserDict(Frame.writableDir() / "user.spe", *Frame.UserDict);
}

} // namespace quillet
