#pragma once
// The field dialogs as models: insert field, user-defined date and time
// format, insert date and time, insert form field, the form dialog and the
// document properties. The document window fills one, the frame's Qt view
// shows it, and the window reads it back after OK. Texts are Windows-1252.

#include "engine/DateTimeFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillet {

class TMDIChild;

inline constexpr const char* kStringCanNotBeEmpty = "The string can not be empty!";
inline constexpr const char* kNoFormFields = "There are no form fields at all!";

// One entry of a field list: what it shows and the code it inserts. A
// user-defined entry opens the user-defined format dialog instead, preset
// with Code.
struct FieldListEntry {
    std::string Text;
    std::string Code;
    bool UserDefined = false;
};

// TFeldEinfuegenForm "Insert field".
struct FeldEinfuegenModel {
    static constexpr std::array<const char*, 8> kCategories = {
        "Numeration", "Date", "Time", "File name", "Database field", "Database information", "User",
        "Document information"};
    // ListBox2's entries per category.
    std::array<std::vector<FieldListEntry>, 8> Lists;
    int32_t Category = 0;  // ListBox1
    int32_t Selected = 0;  // ListBox2, -1 none

    // ListBox1Click: the list of the category, its first entry selected.
    void ListBox1Click(int32_t category);
    const std::vector<FieldListEntry>& entries() const;
    // The selected entry, or null.
    const FieldListEntry* selected() const;
};

// TUserDateTimeForm "User defined date and time format".
struct UserDateTimeModel {
    static constexpr std::array<const char*, 19> kHelpItems = {
        "d\tDay without leading zero (1-31)", "dd\tDay with leading zero (01-31)",
        "ddd\tShort day name", "dddd\tDay name",
        "m\tMonth without leading zero (1-12)", "mm\tMonth with leading zero (01-12)",
        "mmm\tShort month name", "mmmm\tMonth name",
        "yy\tTwo-digit year", "yyyy\tFour-digit year",
        "h\tHour without leading zero", "hh\tHour with leading zero",
        "n\tMinute without leading zero", "nn\tMinute with leading zero",
        "s\tSecond without leading zero", "ss\tSecond with leading zero",
        "z\tMillisecond", "am/pm\tTwelve-hour clock with am or pm",
        "\"...\"\tText in quotes is shown unchanged"};
    std::string Edit1;
    LocalDateTime Now;
    const DateTimeNames* Names = nullptr;
    // Label3: the current date and time in the typed format.
    std::string preview() const;
};

// TDateTimeForm "Insert date and time".
struct DateTimeModel {
    std::vector<FieldListEntry> Entries;  // ListBox2
    int32_t Selected = 0;
    bool AsFieldCheck = false;
};

// TInsertFormFieldForm.
struct InsertFormFieldModel {
    std::string NameEd = "Fieldname";
    std::string ContentEd;
};

// TFormDialogForm "Form dialog": one row per form field, in document order.
struct FormDialogModel {
    std::vector<std::pair<std::string, std::string>> Rows;  // name, content
};

// TDocumentPropsForm "Document properties".
struct DocumentPropsModel {
    static constexpr std::array<const char*, 7> kLabels = {"Title:",   "Theme:",    "Author:",   "Manager:",
                                                           "Company:", "Category:", "Keywords:"};
    std::array<std::string, 7> Edits;
    std::string Memo1;  // the comment
    int32_t Page = 0;   // 0 Infos, 1 Statistics
    // The statistics grid (two columns, seven rows); empty until words are counted.
    std::array<std::pair<std::string, std::string>, 7> Statistics;
};

// The date list entries: the current date (or time) in each fixed format,
// a tab, " [", the format, "]".
std::vector<FieldListEntry> DateFieldEntries(const LocalDateTime& now, const DateTimeNames& names, bool time);
// The memo's line ends as the document keeps them (CR LF), so an untouched
// comment never counts as changed.
std::string NormalizeLineEnds(const std::string& text);

class FieldDialogsUi {
public:
    virtual ~FieldDialogsUi() = default;
    // Each shows its dialog modally; true when it was closed with OK.
    virtual bool runFeldEinfuegenDialog(FeldEinfuegenModel& model) = 0;
    virtual bool runUserDateTimeDialog(UserDateTimeModel& model) = 0;
    virtual bool runDateTimeDialog(DateTimeModel& model) = 0;
    virtual bool runInsertFormFieldDialog(InsertFormFieldModel& model) = 0;
    virtual bool runFormDialog(FormDialogModel& model) = 0;
    virtual bool runDocumentPropsDialog(DocumentPropsModel& model) = 0;
};

// The window's frame as the one who shows these dialogs; null when it
// shows none (a headless window).
FieldDialogsUi* fieldDialogsOf(TMDIChild& window);

} // namespace quillet
