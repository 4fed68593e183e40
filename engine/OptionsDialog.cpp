#include "engine/OptionsDialog.h"

#include "engine/FrameState.h"

#include <algorithm>

namespace quillet {

OptionsDialogModel OptionsDialogFromFrame(const FrameState& frame)
{
    const FrameOptions& o = frame.Options;
    OptionsDialogModel m;
    m.UserName = o.UserName;
    m.UserInitials = o.UserInitials;
    m.UserAddress = o.UserAddress;
    m.QuoteStyle = o.QuoteStyle >= 0 && o.QuoteStyle < int32_t(kQuoteStyleNames.size()) ? o.QuoteStyle : -1;
    m.HelpLines = o.ShowHelpLines != 0;
    m.UndoDepth = o.UndoDepth;
    m.RecentMax = o.RecentFileCount;
    m.ShowTab = o.ShowTab != 0;
    m.ShowSpace = o.ShowSpace != 0;
    m.ShowParagraphEnd = o.ShowParagraphEnd != 0;
    m.ShowAll = o.ShowNonPrinting != 0;
    m.AutoSave = o.AutoSave != 0;
    m.AutoSaveMinutes = o.AutoSaveMinutes;
    m.MakeBak = o.MakeBak != 0;
    return m;
}

void OptionsDialogApply(const OptionsDialogModel& m, FrameState& frame)
{
    FrameOptions& o = frame.Options;
    o.UserName = m.UserName;
    o.UserInitials = m.UserInitials;
    o.UserAddress = m.UserAddress;
    o.ShowTab = m.ShowTab;
    o.ShowSpace = m.ShowSpace;
    o.ShowParagraphEnd = m.ShowParagraphEnd;
    o.ShowNonPrinting = m.ShowAll;
    o.AutoSave = m.AutoSave;
    o.MakeBak = m.MakeBak;
    o.AutoSaveMinutes = std::clamp(m.AutoSaveMinutes, kOptionsMinSaveTime, kOptionsMaxSaveTime);
    o.RecentFileCount = std::clamp(m.RecentMax, kOptionsMinRecent, kOptionsMaxRecent);
    o.QuoteStyle = m.QuoteStyle >= 0 && m.QuoteStyle < int32_t(kQuoteStyleNames.size()) ? m.QuoteStyle : 0;
    o.ShowHelpLines = m.HelpLines;
    o.UndoDepth = std::clamp(m.UndoDepth, kOptionsMinUndo, kOptionsMaxUndo);
}

} // namespace quillet
