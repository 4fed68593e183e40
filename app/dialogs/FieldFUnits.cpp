// The field dialogs: TFeldEinfuegenForm, TUserDateTimeForm, TDateTimeForm,
// TInsertFormFieldForm, TFormDialogForm and TDocumentPropsForm.

#include "app/dialogs/FieldFUnits.h"

#include "app/dialogs/OkCancelButtons.h"
#include "platform/qt/QtText.h"

#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace quillet {

namespace {

// A dialog with a body layout and the OK / Cancel row under it.
struct Form {
    QDialog dialog;
    QVBoxLayout* body;
    explicit Form(QWidget* parent, const QString& caption) : dialog(parent)
    {
        dialog.setWindowTitle(caption);
        body = new QVBoxLayout(&dialog);
    }
    bool run()
    {
        auto* row = new QHBoxLayout;
        body->addLayout(row);
        addOkCancelButtons(dialog, *row);
        return dialog.exec() == QDialog::Accepted;
    }
};

// A list box whose items show tab-separated columns; a double click is OK.
QListWidget* listBox(Form& f, const char* name, const char* label)
{
    f.body->addWidget(new QLabel(QString::fromLatin1(label)));
    auto* list = new QListWidget;
    list->setObjectName(QString::fromLatin1(name));
    f.body->addWidget(list);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &f.dialog, &QDialog::accept);
    return list;
}

void fill(QListWidget* list, const std::vector<FieldListEntry>& entries, int32_t selected)
{
    list->clear();
    for (const FieldListEntry& e : entries) list->addItem(fromAnsi(e.Text).replace(QLatin1Char('\t'), QStringLiteral("    ")));
    list->setCurrentRow(selected);
}

} // namespace

bool ShowFeldEinfuegenForm(QWidget* parent, FeldEinfuegenModel& m)
{
    Form f(parent, QStringLiteral("Insert field"));
    auto* row = new QHBoxLayout;
    f.body->addLayout(row);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    row->addLayout(left);
    row->addLayout(right);
    left->addWidget(new QLabel(QStringLiteral("Categorie:")));
    auto* categories = new QListWidget;
    categories->setObjectName(QStringLiteral("ListBox1"));
    for (const char* c : FeldEinfuegenModel::kCategories) categories->addItem(QString::fromLatin1(c));
    left->addWidget(categories);
    right->addWidget(new QLabel(QStringLiteral("Field name:")));
    auto* names = new QListWidget;
    names->setObjectName(QStringLiteral("ListBox2"));
    right->addWidget(names);
    QObject::connect(names, &QListWidget::itemDoubleClicked, &f.dialog, &QDialog::accept);
    categories->setCurrentRow(m.Category);
    fill(names, m.entries(), m.Selected);
    QObject::connect(categories, &QListWidget::currentRowChanged, &f.dialog, [&](int row) {
        m.ListBox1Click(row);
        fill(names, m.entries(), m.Selected);
    });
    if (!f.run()) return false;
    m.Selected = names->currentRow();
    return true;
}

bool ShowUserDateTimeForm(QWidget* parent, UserDateTimeModel& m)
{
    Form f(parent, QStringLiteral("User defined date and time format"));
    f.body->addWidget(new QLabel(QStringLiteral("Date/time format:")));
    auto* edit = new QLineEdit(fromAnsi(m.Edit1));
    edit->setObjectName(QStringLiteral("Edit1"));
    f.body->addWidget(edit);
    auto* preview = new QLabel(fromAnsi(m.preview()));
    preview->setObjectName(QStringLiteral("Label3"));
    f.body->addWidget(preview);
    QObject::connect(edit, &QLineEdit::textChanged, &f.dialog, [&m, preview](const QString& text) {
        m.Edit1 = toAnsi(text);
        preview->setText(fromAnsi(m.preview()));
    });
    auto* help = listBox(f, "ListBox1", "You can use this characters to define your date/time format:");
    QObject::disconnect(help, &QListWidget::itemDoubleClicked, nullptr, nullptr);
    for (const char* item : UserDateTimeModel::kHelpItems)
        help->addItem(QString::fromLatin1(item).replace(QLatin1Char('\t'), QStringLiteral("    ")));
    QTimer::singleShot(0, edit, [edit] { edit->setFocus(); });
    if (!f.run()) return false;
    m.Edit1 = toAnsi(edit->text());
    return true;
}

bool ShowDateTimeForm(QWidget* parent, DateTimeModel& m)
{
    Form f(parent, QStringLiteral("Insert date and time"));
    auto* list = listBox(f, "ListBox2", "Date and time formats:");
    fill(list, m.Entries, m.Selected);
    auto* asField = new QCheckBox(QStringLiteral("Insert as field (automatically updated)"));
    asField->setObjectName(QStringLiteral("AsFieldCheck"));
    asField->setChecked(m.AsFieldCheck);
    f.body->addWidget(asField);
    if (!f.run()) return false;
    m.Selected = list->currentRow();
    m.AsFieldCheck = asField->isChecked();
    return true;
}

bool ShowInsertFormFieldForm(QWidget* parent, InsertFormFieldModel& m)
{
    Form f(parent, QStringLiteral("Formularfeld einf\u00FCgen"));
    auto* grid = new QFormLayout;
    f.body->addLayout(grid);
    auto* name = new QLineEdit(fromAnsi(m.NameEd));
    name->setObjectName(QStringLiteral("NameEd"));
    auto* content = new QLineEdit(fromAnsi(m.ContentEd));
    content->setObjectName(QStringLiteral("ContentEd"));
    grid->addRow(QStringLiteral("Name of field:"), name);
    grid->addRow(QStringLiteral("Content of field:"), content);
    QTimer::singleShot(0, name, [name] { name->setFocus(); });
    if (!f.run()) return false;
    m.NameEd = toAnsi(name->text());
    m.ContentEd = toAnsi(content->text());
    return true;
}

bool ShowFormDialogForm(QWidget* parent, FormDialogModel& m)
{
    Form f(parent, QStringLiteral("Form dialog"));
    auto* grid = new QTableWidget(int(m.Rows.size()), 2);
    grid->setObjectName(QStringLiteral("StringGrid1"));
    grid->setHorizontalHeaderLabels({QStringLiteral("Form field"), QStringLiteral("Inhalt")});
    grid->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < int(m.Rows.size()); ++r) {
        grid->setItem(r, 0, new QTableWidgetItem(fromAnsi(m.Rows[size_t(r)].first)));
        grid->setItem(r, 1, new QTableWidgetItem(fromAnsi(m.Rows[size_t(r)].second)));
    }
    f.body->addWidget(grid);
    if (!f.run()) return false;
    for (int r = 0; r < int(m.Rows.size()); ++r) {
        const QTableWidgetItem* item = grid->item(r, 1);
        m.Rows[size_t(r)].second = item ? toAnsi(item->text()) : std::string();
    }
    return true;
}

bool ShowDocumentPropsForm(QWidget* parent, DocumentPropsModel& m)
{
    Form f(parent, QStringLiteral("Document properties"));
    auto* tabs = new QTabWidget;
    f.body->addWidget(tabs);
    auto* infos = new QWidget;
    auto* grid = new QFormLayout(infos);
    std::array<QLineEdit*, 7> edits{};
    for (size_t i = 0; i < edits.size(); ++i) {
        edits[i] = new QLineEdit(fromAnsi(m.Edits[i]));
        edits[i]->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        grid->addRow(QString::fromLatin1(DocumentPropsModel::kLabels[i]), edits[i]);
    }
    auto* memo = new QPlainTextEdit(fromAnsi(m.Memo1));
    memo->setObjectName(QStringLiteral("Memo1"));
    grid->addRow(QStringLiteral("Comment:"), memo);
    tabs->addTab(infos, QStringLiteral("Infos"));
    auto* stats = new QTableWidget(7, 2);
    stats->setObjectName(QStringLiteral("StringGrid1"));
    stats->horizontalHeader()->hide();
    for (int r = 0; r < 7; ++r) {
        stats->setItem(r, 0, new QTableWidgetItem(fromAnsi(m.Statistics[size_t(r)].first)));
        stats->setItem(r, 1, new QTableWidgetItem(fromAnsi(m.Statistics[size_t(r)].second)));
    }
    stats->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabs->addTab(stats, QStringLiteral("Statistics"));
    tabs->setCurrentIndex(m.Page == 1 ? 1 : 0);
    if (m.Page != 1) QTimer::singleShot(0, edits[0], [e = edits[0]] { e->setFocus(); });
    if (!f.run()) return false;
    for (size_t i = 0; i < edits.size(); ++i) m.Edits[i] = toAnsi(edits[i]->text());
    m.Memo1 = toAnsi(memo->toPlainText());
    return true;
}

} // namespace quillet
