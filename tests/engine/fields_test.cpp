// Fields: the date and time format language, what each field code shows,
// the insert commands and their dialogs, the properties dialog, and
// layout settling when results change.

#include "engine/Childwin.h"
#include "engine/DateTimeFormat.h"
#include "engine/FieldDialogs.h"
#include "platform/DbfTable.h"
#include "platform/MessageBox.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

LocalDateTime sample()
{
    LocalDateTime t;
    t.Year = 2007;
    t.Month = 3;
    t.Day = 4;
    t.DayOfWeek = 0;  // Sunday
    t.Hour = 14;
    t.Minute = 5;
    t.Second = 9;
    t.Millisecond = 42;
    return t;
}
LocalDateTime sampleNow() { return sample(); }

TEST(DateTimeFormat, TokensOfTheFormatLanguage)
{
    const struct { const char* format; const char* shown; } cases[] = {
        {"d.mmmm.yyyy", "4.March.2007"},
        {"d.mmmm.yy", "4.March.07"},
        {"d.m.yy", "4.3.07"},
        {"dd.mm.yyyy", "04.03.2007"},
        {"mmm.yy", "Mar.07"},
        {"yyyy-mm-dd", "2007-03-04"},
        {"ddd dddd", "Sun Sunday"},
        {"HH:MM", "14:05"},
        {"H:MM", "14:05"},
        {"H \"Uhr\" M", "14 Uhr 5"},          // the minute across quoted text
        {"h:MM am/pm", "2:05 pm"},
        {"hh:nn AM/PM", "02:05 PM"},
        {"s ss z zzz", "9 09 42 042"},
        {"m/h m", "3/14 5"},                  // m before any h is the month
        {"'d' \"unterminated", "d unterminated"},
        {"q x! mmmmm ddddd", "q x! March3 Sunday4"},  // unknown letters stand for themselves
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(c.format, sample(), EnglishDateTimeNames()), c.shown) << c.format;
    LocalDateTime midnight = sample();
    midnight.Hour = 0;
    EXPECT_EQ(FormatDateTime("h am/pm", midnight, EnglishDateTimeNames()), "12 am");
    LocalDateTime wild = sample();
    wild.Month = 40;
    wild.DayOfWeek = -3;
    EXPECT_EQ(FormatDateTime("mmmm dddd", wild, EnglishDateTimeNames()), "December Sunday");
}

// A window whose dialogs are answered by the test.
struct ScriptedFieldDialogs : FieldDialogsUi {
    std::function<bool(FeldEinfuegenModel&)> feld;
    std::function<bool(UserDateTimeModel&)> user;
    std::function<bool(DateTimeModel&)> datetime;
    std::function<bool(InsertFormFieldModel&)> formField;
    std::function<bool(FormDialogModel&)> form;
    std::function<bool(DocumentPropsModel&)> props;
    template <class M>
    static bool call(const std::function<bool(M&)>& f, M& m) { return f ? f(m) : false; }
    bool runFeldEinfuegenDialog(FeldEinfuegenModel& m) override { return call(feld, m); }
    bool runUserDateTimeDialog(UserDateTimeModel& m) override { return call(user, m); }
    bool runDateTimeDialog(DateTimeModel& m) override { return call(datetime, m); }
    bool runInsertFormFieldDialog(InsertFormFieldModel& m) override { return call(formField, m); }
    bool runFormDialog(FormDialogModel& m) override { return call(form, m); }
    bool runDocumentPropsDialog(DocumentPropsModel& m) override { return call(props, m); }
};

struct Boxes : MessageBoxes {
    std::vector<std::string> shown;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        shown.emplace_back(text);
        return MsgResult::Ok;
    }
};

class Fields : public TypingWindow {
protected:
    Fields()
    {
        SetDateTimeSource(sampleNow);
        w.FieldDialogs = &dialogs;
        setMessageBoxes(&boxes);
    }
    ~Fields() override
    {
        SetDateTimeSource(nullptr);
        setMessageBoxes(nullptr);
        if (frame.MergeTable) frame.MergeTable->close();
    }

    // A field typed at the cursor with this code.
    TextChar& field(const std::string& code)
    {
        w.InsertField(code);
        const TextPos p = w.Cursor;
        return w.Areas[size_t(p.Area)].Lines[size_t(p.Line)].Chars[size_t(p.Char - 1)];
    }
    std::string result(const TextChar& c) { return c.FieldResult().value_or("(none)"); }
    std::vector<const TextChar*> fields()
    {
        std::vector<const TextChar*> out;
        for (const TextArea& a : w.Areas)
            for (const TextLine& l : a.Lines)
                for (const TextChar& c : l.Chars)
                    if (c.Kind == ckField) out.push_back(&c);
        return out;
    }

    ScriptedFieldDialogs dialogs;
    Boxes boxes;
};

TEST_F(Fields, EachCodeShowsItsResult)
{
    frame.Options.UserName = "Ann";
    frame.Options.UserInitials = "AB";
    frame.Options.UserAddress = "Street 1";
    frame.Options.DatabaseFile = "/data/people.dbf";
    w.DocProperties = {"Title", "Theme", "Author", "Manager", "Company", "Category", "Keywords", "Comment"};
    w.DocTitle = "letter.qdt";
    w.DocPath = "/home/ann/letter.qdt";
    const struct { const char* code; const char* shown; } cases[] = {
        {"pagecount", "1"}, {"file", "letter.qdt"}, {"filepath", "/home/ann/letter.qdt"},
        {"dbase", "people.dbf"}, {"dbasepath", "/data/people.dbf"}, {"dset", "{Record}"},
        {"dsetcount", "{Count of records}"}, {"dbfield3", "{Data field 3}"}, {"dbfield0", "{Data field 0}"},
        {"dbfield-3", "{Data field -3}"}, {"dbfieldx", "{Data field x}"}, {"userinf1", "Ann"},
        {"userinf2", "AB"}, {"userinf3", "Street 1"}, {"docinf1", "Title"}, {"docinf8", "Comment"},
        {"datetimeHH:MM", "14:05"}, {"page", "1"},
        // Undefined digits and unknown codes keep what they hold.
        {"userinf4", "This is the content of the field"}, {"docinf9", "This is the content of the field"},
        {"docinf0", "This is the content of the field"}, {"nonsense", "This is the content of the field"},
    };
    for (const auto& c : cases) EXPECT_EQ(result(field(c.code)), c.shown) << c.code;
    // The file fields name the file, never the caption's "modified" star.
    w.SetFileChanged(true);
    EXPECT_EQ(result(field("file")), "letter.qdt");
    // A never saved document is named by its title; an empty result is a space.
    w.DocPath.clear();
    frame.Options.UserName.clear();
    EXPECT_EQ(result(field("filepath")), "letter.qdt");
    EXPECT_EQ(result(field("userinf1")), " ");
}

TEST_F(Fields, RunningNumbersCountInAreaOrderAndPageFieldsGetTheWidestPlaceholder)
{
    const int32_t header = 5;  // the header shown on every page
    ASSERT_EQ(w.Areas[size_t(header)].AreaType, atHeader);
    field("autonumber");
    w.Cursor = w.Anchor = TextPos{header, 0, 0};
    field("autonumber");
    field("autonumber");
    const auto f = fields();
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(result(*f[0]), "1");  // body
    EXPECT_EQ(result(*f[1]), "2");
    EXPECT_EQ(result(*f[2]), "3");

    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    TextChar& page = field("page");
    w.Areas[0].PageIndex = 11;
    layout();
    EXPECT_EQ(result(page).size(), 2u) << result(page);
    w.Areas[0].PageIndex = 0;
    layout();
    EXPECT_EQ(result(page), "1");
}

TEST_F(Fields, InsertingReplacesInOverwriteModeAndFormFieldsShowTheirName)
{
    type("abc");
    w.Cursor = w.Anchor = TextPos{0, 0, 1};
    frame.Options.OverwriteMode = 1;
    field("pagecount");
    frame.Options.OverwriteMode = 0;
    ASSERT_EQ(w.Areas[0].Lines[0].CharCount(), 3);
    EXPECT_EQ(w.Areas[0].Lines[0].Chars[1].Kind, ckField);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 2}));
    EXPECT_EQ(undoLabels().back(), "Insert field");

    // Form fields: an empty name is refused, an empty content shows the name.
    dialogs.formField = [](InsertFormFieldModel& m) {
        EXPECT_EQ(m.NameEd, "Fieldname");
        m.NameEd.clear();
        return true;
    };
    w.FormularFeldEinfuegen();
    EXPECT_EQ(boxes.shown, std::vector<std::string>{kStringCanNotBeEmpty});
    dialogs.formField = [](InsertFormFieldModel& m) { m.NameEd = "City"; return true; };
    w.FormularFeldEinfuegen();
    dialogs.formField = [](InsertFormFieldModel& m) { m.NameEd = "City"; m.ContentEd = "Bonn"; return true; };
    w.FormularFeldEinfuegen();
    auto f = fields();
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(result(*f[1]), "{City}");
    EXPECT_EQ(result(*f[2]), "Bonn");

    // The form dialog: one row per form field in order; OK stores, marks
    // the document modified and takes one undo step.
    w.SetFileChanged(false);
    dialogs.form = [](FormDialogModel& m) {
        EXPECT_EQ(m.Rows.size(), 2u);
        m.Rows[0].second = "K\xF6ln";
        m.Rows[1].second = "";
        return true;
    };
    w.Formulardialog();
    f = fields();
    EXPECT_EQ(result(*f[1]), "K\xF6ln");
    EXPECT_EQ(result(*f[2]), " ");
    EXPECT_EQ(w.Modified, 1);
    EXPECT_EQ(undoLabels().back(), "Form dialog");
}

TEST_F(Fields, FormDialogWithoutFormFieldsSaysSo)
{
    w.Formulardialog();
    EXPECT_EQ(boxes.shown, std::vector<std::string>{kNoFormFields});
}

TEST_F(Fields, DateAndTimeTypedAsTextIsOneUndoStepOverTheSelection)
{
    type("xyz");
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{0, 0, 2};
    w.SetFileChanged(false);
    dialogs.datetime = [](DateTimeModel& m) {
        EXPECT_EQ(m.Entries.size(), 13u);
        m.Selected = 8;  // HH:MM
        return true;
    };
    w.DateTimeEinfuegen();
    EXPECT_EQ(text(w.Areas[0].Lines[0]), "14:05z");
    EXPECT_EQ(w.Anchor, w.Cursor);
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 5}));
    EXPECT_EQ(w.Modified, 1);
    EXPECT_EQ(undoLabels().back(), "Insert");

    // As a field, from the user-defined entry; an empty format does nothing.
    dialogs.datetime = [](DateTimeModel& m) { m.Selected = 12; m.AsFieldCheck = true; return true; };
    dialogs.user = [](UserDateTimeModel& m) { m.Edit1 = "yyyy"; return true; };
    w.DateTimeEinfuegen();
    ASSERT_EQ(fields().size(), 1u);
    EXPECT_EQ(*fields()[0]->FieldCode(), "datetimeyyyy");
    dialogs.user = [](UserDateTimeModel& m) { m.Edit1.clear(); return true; };
    w.DateTimeEinfuegen();
    EXPECT_EQ(fields().size(), 1u);
}

TEST_F(Fields, InsertFieldDialogBuildsCodesFromItsLists)
{
    const struct { int32_t category, entry; std::string userFormat; const char* code; } cases[] = {
        {0, 1, "", "pagecount"}, {1, 3, "", "datetimedd.mm.yyyy"}, {1, 8, "dd", "datetimedd"},
        {2, 0, "", "datetimeHH:MM"}, {4, 98, "", "dbfield99"}, {6, 2, "", "userinf3"}, {7, 7, "", "docinf8"},
    };
    for (const auto& c : cases) {
        dialogs.feld = [&](FeldEinfuegenModel& m) {
            EXPECT_EQ(m.Category, 0);
            m.ListBox1Click(c.category);
            m.Selected = c.entry;
            return true;
        };
        dialogs.user = [&](UserDateTimeModel& m) {
            EXPECT_EQ(m.Edit1, c.category == 1 ? "mm/dd/yyyy" : "HH:MM");
            m.Edit1 = c.userFormat;
            return true;
        };
        w.FeldEinfuegen();
        ASSERT_FALSE(fields().empty());
        const TextPos p = w.Cursor;
        EXPECT_EQ(*w.Areas[size_t(p.Area)].Lines[size_t(p.Line)].Chars[size_t(p.Char - 1)].FieldCode(), c.code);
    }
    // An emptied user-defined format is refused.
    dialogs.feld = [](FeldEinfuegenModel& m) { m.ListBox1Click(2); m.Selected = 4; return true; };
    dialogs.user = [](UserDateTimeModel& m) { m.Edit1.clear(); return true; };
    const size_t before = fields().size();
    w.FeldEinfuegen();
    EXPECT_EQ(fields().size(), before);
    EXPECT_EQ(boxes.shown, std::vector<std::string>{kStringCanNotBeEmpty});
}

TEST_F(Fields, PropertiesMarkTheDocumentModifiedOnlyWhenChanged)
{
    w.DocProperties[7] = "line one\r\nline two";
    w.SetFileChanged(false);
    // The memo hands back LF line ends: that is no change.
    dialogs.props = [](DocumentPropsModel& m) { m.Memo1 = "line one\nline two"; return true; };
    w.DokumentEigenschaften(0);
    EXPECT_EQ(w.Modified, 0);
    dialogs.props = [](DocumentPropsModel& m) {
        EXPECT_EQ(m.Page, 1);
        m.Edits[2] = "Bea";
        return true;
    };
    TextChar& author = field("docinf3");
    w.SetFileChanged(false);
    w.DokumentEigenschaften(1);
    EXPECT_EQ(w.Modified, 1);
    EXPECT_EQ(result(author), "Bea");
}

TEST_F(Fields, ALongerResultIsBrokenInTheSamePassAndPageCountsFollowNewPages)
{
    // A title growing within a line of text: the text after it moves on
    // in the same pass, nothing overhangs.
    field("docinf1");
    type(" " + words(12));
    auto widest = [&] {
        double most = 0;
        // Trailing spaces may stand in the margin; a line of one field alone
        // has nowhere to go.
        for (const TextLine& l : w.Areas[0].Lines) {
            double width = 0, upToText = 0;
            int visible = 0;
            for (const TextChar& c : l.Chars) {
                width += c.Width;
                if (c.Kind != ckText || c.Code != ' ') {
                    upToText = width;
                    ++visible;
                }
            }
            if (visible > 1) most = std::max(most, upToText);
        }
        return most;
    };
    w.DocProperties[0] = words(9, 'k');
    w.MakeSoftEnters();
    EXPECT_LE(widest(), 100.0 + 1e-9);
    // One wider than the line stands alone, and the layout settles.
    w.DocProperties[0] = words(60);
    w.MakeSoftEnters();
    EXPECT_LE(widest(), 100.0 + 1e-9);
    for (const TextLine& l : w.Areas[0].Lines) EXPECT_EQ(l.Dirty, 0);

    // A page count on a document that grows a second page in one pass.
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    field("pagecount");
    key(13, 0, 80);
    ASSERT_GT(w.GetAnzPages(), 1);
    std::string shown;
    for (const TextChar* c : fields())
        if (*c->FieldCode() == "pagecount") shown = result(*c);
    EXPECT_EQ(shown, std::to_string(w.GetAnzPages()));
}

TEST_F(Fields, TheManualPageBreakEndsTheLineWithAPageBreak)
{
    type("ab");
    w.Cursor = w.Anchor = TextPos{0, 0, 1};
    w.UmbruchEinfuegen();
    EXPECT_EQ(w.Areas[0].Lines[0].EndKind, ekPageBreak);
}

// A real table made with shapelib: NAME (text), AGE (number), BORN (date).
std::filesystem::path makeTable(const std::string& name, const std::vector<std::vector<std::string>>& rows)
{
    const std::filesystem::path path = outputDir() / name;
    std::filesystem::remove(path);
    DBFHandle h = DBFCreate(path.c_str());
    DBFAddField(h, "NAME", FTString, 20, 0);
    DBFAddField(h, "AGE", FTInteger, 3, 0);
    DBFAddNativeFieldType(h, "BORN", 'D', 8, 0);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t f = 0; f < rows[r].size(); ++f)
            DBFWriteAttributeDirectly(h, int(r), int(f), const_cast<char*>(rows[r][f].c_str()));
    DBFClose(h);
    return path;
}

TEST_F(Fields, DatabaseFieldsShowTheCurrentRecordAsTheTableMoves)
{
    const auto path = makeTable("merge_fields.dbf", {{"Ann", "31", "19760102"}, {"Bob", "7", "20000229"}});
    frame.MergeTable = std::make_shared<DbfTable>();
    ASSERT_EQ(frame.MergeTable->open(path, false), "");
    frame.Options.DatabaseFile = path.string();
    TextChar* name = &field("dbfield1");
    field("dbfield3");
    field("dset");
    field("dsetcount");
    field("dbfield4");
    auto shown = [&] {
        std::vector<std::string> out;
        for (const TextChar* c : fields()) out.push_back(result(*c));
        return out;
    };
    (void)name;
    EXPECT_EQ(shown(), (std::vector<std::string>{"Ann", "02.01.1976", "1", "2", "{Data field 4}"}));
    frame.MergeTable->next();
    w.CompleteRefresh();
    EXPECT_EQ(shown(), (std::vector<std::string>{"Bob", "29.02.2000", "2", "2", "{Data field 4}"}));
    frame.MergeTable->next();  // clamped at the last record
    w.CompleteRefresh();
    EXPECT_EQ(shown()[2], "2");
    // The Database menu lays out only what changed: the field lines are clean
    // by now and still follow the table.
    for (int pass = 0; pass < 3; ++pass) w.RefreshDirtyContent();
    frame.MergeTable->first();
    w.RefreshDirtyContent();
    EXPECT_EQ(shown(), (std::vector<std::string>{"Ann", "02.01.1976", "1", "2", "{Data field 4}"}));

    // The insert field dialog lists the table's field names.
    dialogs.feld = [](FeldEinfuegenModel& m) {
        EXPECT_EQ(m.Lists[4][1].Text, "AGE");
        EXPECT_EQ(m.Lists[4][3].Text, "Field_4");
        return false;
    };
    w.FeldEinfuegen();
}

} // namespace
