#pragma once
// A frame UI that answers the character and template dialogs from the test:
// each answer edits the model as a user would and returns OK or Cancel.
// Without an answer a dialog is cancelled.

#include "engine/CharacterDialogs.h"
#include "tests/support/RecordingHost.h"

#include <functional>

namespace quillet::test {

struct ScriptedDialogs : RecordingUi, CharacterDialogsUi {
    std::function<bool(ZeichenFormatModel&)> zeichen;
    std::function<bool(SonderzeichenModel&)> sonder;
    std::function<bool(RenameVorlageModel&)> rename;
    std::function<bool(VorlagenVerwaltenModel&)> verwalten;
    int shown = 0;

    bool runZeichenFormatDialog(ZeichenFormatModel& m) override { return answer(zeichen, m); }
    bool runSonderzeichenDialog(SonderzeichenModel& m) override { return answer(sonder, m); }
    bool runRenameVorlageDialog(RenameVorlageModel& m) override { return answer(rename, m); }
    bool runVorlagenVerwaltenDialog(VorlagenVerwaltenModel& m) override { return answer(verwalten, m); }

private:
    template <class M>
    bool answer(const std::function<bool(M&)>& f, M& m)
    {
        ++shown;
        return f ? f(m) : false;
    }
};

} // namespace quillet::test
