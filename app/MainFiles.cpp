// Saving, the recent files, auto-save and recovery, the file type registration.
#include "app/Main.h"

namespace quillet {

void TMainForm::FileSave1Execute() {}
bool TMainForm::SaveFileClick() { return false; }
void TMainForm::FileSaveAs1Execute() {}
void TMainForm::AddToLastUsedFiles(const std::string&) {}
void TMainForm::File1Click() {}
void TMainForm::AutoSaveTimerTimer() {}
bool TMainForm::IsRecoveryNameUsed(const std::string& name) const
{
    return RecoveryNamesThisTick.count(name) != 0;
}
void TMainForm::AddQDTFileExtension() {}
void TMainForm::PrintBtnClick() {}
void TMainForm::SeitenansichtM1Click() {}
void TMainForm::UpdateAutoSaveTimer() {}
std::vector<std::filesystem::path> TMainForm::RecoveryFilesToReopen() const { return {}; }
void TMainForm::DeleteRecoveryFiles() {}
bool TMainForm::runSaveDialog(std::string&, int32_t&) { return false; }

} // namespace quillet
