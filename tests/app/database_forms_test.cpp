// The Database menu and the field dialogs, offscreen through their widgets:
// a table bound by "Select database" and stepped through by the menu (the
// document's database fields and the information line following), the
// database form adding, editing and deleting records with its navigator,
// and each field dialog filled in and confirmed as a person would.

#include "app/Main.h"
#include "app/dialogs/DBFUnit.h"
#include "engine/Childwin.h"
#include "platform/DbfTable.h"
#include "platform/MessageBox.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestPaths.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>
#include <shapefil.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;

namespace {

namespace fs = std::filesystem;

struct OkBoxes : MessageBoxes {
    std::vector<std::string> texts;
    MsgResult answer = MsgResult::Ok;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return answer;
    }
};

// The open dialog picks `pick`.
struct PickingDialogs : FrameFileDialogs {
    std::string pick;
    bool getOpenFileName(QWidget*, const std::string&, std::string& fileName, int32_t&) override
    {
        fileName = pick;
        return !pick.empty();
    }
    bool getSaveFileName(QWidget*, const std::string&, std::string&, int32_t&) override { return false; }
};

fs::path makeNames(const fs::path& dir, std::initializer_list<const char*> names)
{
    const fs::path path = dir / "names.dbf";
    fs::remove(path);
    DBFHandle h = DBFCreate(path.c_str());
    DBFAddField(h, "NAME", FTString, 12, 0);
    int r = 0;
    for (const char* n : names) DBFWriteStringAttribute(h, r++, 0, n);
    DBFClose(h);
    return path;
}

// Every field of the document as code=result, in document order.
std::string fields(const TMDIChild& w)
{
    std::string out;
    for (const TextArea& a : w.Areas)
        for (const TextLine& l : a.Lines)
            for (const TextChar& c : l.Chars)
                if (c.Kind == ckField && c.FieldCode())
                    out += *c.FieldCode() + "=" + c.FieldResult().value_or(std::string()) + ";";
    return out;
}

class DatabaseForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::app();
        dir = test::outputDir() / "database-forms" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        if (fs::exists(test::programDir() / "normal.qdm"))
            fs::create_symlink(test::programDir() / "normal.qdm", dir / "normal.qdm");
        TMainForm::StartOptions o;
        o.ProgDir = dir;
        o.RegisterFileType = false;
        o.Boxes = &boxes;
        o.Dialogs = &dialogs;
        o.Printer = &printer;
        frame = std::make_unique<TMainForm>(std::move(o));
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override { frame.reset(); }

    QAction* action(const char* name) { return frame->findChild<QAction*>(QString::fromLatin1(name)); }
    TMDIChild& doc() { return *frame->ActiveMDIChild(); }
    QString infoLine()
    {
        auto* menu = frame->findChild<QMenu*>(QStringLiteral("Datenbank1"));
        emit menu->aboutToShow();
        return action("AktuellerDatensatz1")->text();
    }

    fs::path dir;
    OkBoxes boxes;
    PickingDialogs dialogs;
    PrinterInfo printer;
    std::unique_ptr<TMainForm> frame;
};

TEST_F(DatabaseForms, TheDatabaseMenuMovesTheBoundTableAndTheDocumentFollows)
{
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    doc().InsertField("dbfield1");
    doc().InsertField("dset");
    EXPECT_EQ(infoLine(), QStringLiteral("Current data set: no data base"));
    dialogs.pick = makeNames(dir, {"Ann", "Bob", "Cy"}).string();

    const struct { const char* action; const char* fields; const char* info; bool moving; } steps[] = {
        {"Datenbankwhlen1", "dbfield1=Ann;dset=1;", "Current data set: 1", true},
        {"NchsterDatensatz1", "dbfield1=Bob;dset=2;", "Current data set: 2", true},
        {"LetzterDatensatz1", "dbfield1=Cy;dset=3;", "Current data set: 3", true},
        {"NchsterDatensatz1", "dbfield1=Cy;dset=3;", "Current data set: 3", true},
        {"VorherigerDatensatz1", "dbfield1=Bob;dset=2;", "Current data set: 2", true},
        {"ErsterDatensatz1", "dbfield1=Ann;dset=1;", "Current data set: 1", true},
        {"Zuordnungaufheben1", "dbfield1={Data field 1};dset={Record};", "Current data set: no data base", false},
        {"NchsterDatensatz1", "dbfield1={Data field 1};dset={Record};", "Current data set: no data base", false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.action);
        ASSERT_NE(action(s.action), nullptr);
        action(s.action)->trigger();
        doc().RefreshDirtyContent();
        EXPECT_EQ(fields(doc()), s.fields);
        EXPECT_EQ(infoLine(), QString::fromLatin1(s.info));
        EXPECT_EQ(action("NchsterDatensatz1")->isEnabled(), s.moving);
    }
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(DatabaseForms, TheDatabaseFormAddsEditsAndDeletesRecords)
{
    const fs::path path = makeNames(dir, {"Ann", "Bob", "Cy"});
    setMessageBoxes(&boxes);
    DbfTable table;
    ASSERT_EQ(table.open(path, false), "");
    TDBForm form(nullptr, &table);
    auto names = [&] {
        std::string out;
        for (int r = 0; r < form.DBGrid1->rowCount(); ++r)
            out += (r ? "," : "") + form.DBGrid1->item(r, 0)->text().toStdString();
        return out;
    };
    enum Do { Press, Type, Refuse };
    const struct { Do what; QPushButton* TDBForm::*button; const char* text; const char* names; int recNo; } steps[] = {
        {Press, &TDBForm::Next, "", "Ann,Bob,Cy", 2},
        {Press, &TDBForm::Delete, "", "Ann,Cy", 2},
        {Refuse, &TDBForm::Delete, "", "Ann,Cy", 2},  // the question answered with Cancel
        {Press, &TDBForm::Insert, "", "Ann,Cy,", 3},
        {Type, nullptr, "Dee", "Ann,Cy,Dee", 3},
        {Type, nullptr, "a name far too long", "Ann,Cy,Dee", 3},  // refused, the cell goes back
        {Press, &TDBForm::First, "", "Ann,Cy,Dee", 1},
        {Press, &TDBForm::Last, "", "Ann,Cy,Dee", 3},
        {Press, &TDBForm::Prior, "", "Ann,Cy,Dee", 2},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        SCOPED_TRACE(i);
        boxes.answer = s.what == Refuse ? MsgResult::Cancel : MsgResult::Ok;
        if (s.what == Type) form.DBGrid1->item(table.recNo() - 1, 0)->setText(QString::fromLatin1(s.text));
        else (form.*s.button)->click();
        EXPECT_EQ(names(), s.names);
        EXPECT_EQ(table.recNo(), s.recNo);
        EXPECT_EQ(form.DBGrid1->currentRow(), s.recNo - 1);
    }
    EXPECT_NE(form.StatusBar1->text().indexOf(QStringLiteral("too long")), -1);
    form.FormClose();
    table.close();
    ASSERT_EQ(table.open(path, false), "");
    EXPECT_EQ(table.recordCount(), 3);
    table.last();
    EXPECT_EQ(table.value(0), "Dee");
    setMessageBoxes(nullptr);

    // Without a table the navigator has nothing to do.
    TDBForm empty(nullptr, nullptr);
    for (QPushButton* b : {empty.First, empty.Next, empty.Insert, empty.Delete}) EXPECT_FALSE(b->isEnabled());
    EXPECT_EQ(empty.DBGrid1->rowCount(), 0);
}

// Acts on the dialogs a command shows, in turn, each found by its caption;
// anything left up afterwards is rejected.
void answerDialogs(std::vector<std::pair<QString, std::function<void(QDialog&)>>> steps)
{
    auto* timer = new QTimer;
    auto index = std::make_shared<size_t>(0);
    auto ticks = std::make_shared<int>(0);
    auto done = [timer] {
        timer->stop();
        timer->deleteLater();
    };
    QObject::connect(timer, &QTimer::timeout, [steps, index, ticks, done] {
        QDialog* up = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (++*ticks > 2000) {
            ADD_FAILURE() << "no dialog " << steps[*index].first.toStdString();
            if (up) up->reject();
            done();
            return;
        }
        if (!up || !up->isVisible() || up->windowTitle() != steps[*index].first) return;
        steps[(*index)++].second(*up);
        if (*index == steps.size()) done();
    });
    timer->start(2);
}

template <class W>
W* child(QDialog& d, const char* name)
{
    W* w = d.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

TEST_F(DatabaseForms, EachFieldDialogIsFilledInThroughItsWidgets)
{
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    const std::string year = std::to_string(1900 + [] { std::time_t t = std::time(nullptr); return std::localtime(&t)->tm_year; }());
    using Step = std::pair<QString, std::function<void(QDialog&)>>;
    auto ok = [](QDialog& d) { d.accept(); };
    const struct {
        const char* action;
        std::vector<Step> steps;
        std::string expect;  // found in the document's fields afterwards
    } cases[] = {
        {"Feld2",
         {{QStringLiteral("Insert field"), [](QDialog& d) {
               child<QListWidget>(d, "ListBox1")->setCurrentRow(4);
               EXPECT_EQ(child<QListWidget>(d, "ListBox2")->count(), 99);
               child<QListWidget>(d, "ListBox2")->setCurrentRow(2);
               d.accept();
           }}},
         "dbfield3={Data field 3};"},
        {"Feld2",
         {{QStringLiteral("Insert field"), [](QDialog& d) {
               auto* names = child<QListWidget>(d, "ListBox2");
               child<QListWidget>(d, "ListBox1")->setCurrentRow(1);
               names->setCurrentRow(names->count() - 1);
               d.accept();
           }},
          {QStringLiteral("User defined date and time format"), [year](QDialog& d) {
               child<QLineEdit>(d, "Edit1")->setText(QStringLiteral("yyyy"));
               EXPECT_EQ(child<QLabel>(d, "Label3")->text().toStdString(), year);
               d.accept();
           }}},
         "datetimeyyyy=" + year + ";"},
        {"DatumundUhrzeit1",
         {{QStringLiteral("Insert date and time"), [](QDialog& d) {
               child<QListWidget>(d, "ListBox2")->setCurrentRow(9);  // the second time format
               child<QCheckBox>(d, "AsFieldCheck")->setChecked(true);
               d.accept();
           }}},
         "datetimeH:MM="},
        {"Formularfeld1",
         {{QString::fromUtf8("Formularfeld einf\xC3\xBCgen"), [](QDialog& d) {
               child<QLineEdit>(d, "NameEd")->setText(QStringLiteral("Town"));
               d.accept();
           }}},
         "FormFieldTown={Town};"},
        {"Formulardialog1",
         {{QStringLiteral("Form dialog"), [](QDialog& d) {
               auto* grid = child<QTableWidget>(d, "StringGrid1");
               EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("Town"));
               grid->item(0, 1)->setText(QStringLiteral("Bath"));
               d.accept();
           }}},
         "FormFieldTown=Bath;"},
        {"Eigenschaften1",
         {{QStringLiteral("Document properties"), [](QDialog& d) {
               child<QLineEdit>(d, "Edit3")->setText(QStringLiteral("Ann Author"));
               d.accept();
           }}},
         "docinf3=Ann Author;"},
        {"Eigenschaften1", {{QStringLiteral("Document properties"), ok}}, "docinf3=Ann Author;"},
    };
    doc().InsertField("docinf3");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        answerDialogs(c.steps);
        action(c.action)->trigger();
        doc().RefreshDirtyContent();
        EXPECT_NE(fields(doc()).find(c.expect), std::string::npos) << fields(doc());
    }
    EXPECT_TRUE(boxes.texts.empty());
}

} // namespace
