// The find, replace and go to dialog.

#include "app/dialogs/SearchFUnit.h"

#include "app/widgets/BitBtnXP.h"
#include "platform/qt/QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillet {

namespace {

constexpr const char* kCheckCaptions[5] = {"Case sensitive", "Only complete words", "Start at begin of document ",
                                           "Revers search", "Search on all fields"};
constexpr const char* kCheckNames[5] = {"caps", "words", "start", "back", "whole"};

QPushButton* button(QDialog* d, const char* text, int32_t code)
{
    auto* b = new TBitBtnXP(d);
    b->setText(QString::fromLatin1(text));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, d, [d, code] { d->done(code); });
    return b;
}

} // namespace

TSearchForm::TSearchForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Find and replace"));
    setModal(true);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    for (int page = 0; page < 2; ++page) {
        auto* w = new QWidget(PageControl1);
        auto* grid = new QGridLayout(w);
        auto* find = new QLineEdit(w);
        find->setObjectName(page == 0 ? QStringLiteral("finded1") : QStringLiteral("finded2"));
        grid->addWidget(new QLabel(QStringLiteral("Find:"), w), 0, 0);
        grid->addWidget(find, 0, 1);
        int row = 1;
        if (page == 1) {
            replaceed = new QLineEdit(w);
            replaceed->setObjectName(QStringLiteral("replaceed"));
            grid->addWidget(new QLabel(QStringLiteral("Replace:"), w), row, 0);
            grid->addWidget(replaceed, row++, 1);
        }
        for (int i = 0; i < 5; ++i) {
            auto* c = new QCheckBox(QString::fromLatin1(kCheckCaptions[i]), w);
            c->setObjectName(QString::fromLatin1(kCheckNames[i]) + QString::number(page + 1));
            Checks[size_t(page)][size_t(i)] = c;
            grid->addWidget(c, row++, 0, 1, 2);
        }
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        if (page == 0) {
            FindAgain = button(this, "Find again", SearchFormModel::kFindAgain);
            buttons->addWidget(FindAgain);
        } else {
            SearchAgain = button(this, "Search again", SearchFormModel::kSearchAgain);
            ReplaceBtn = button(this, "&Replace", SearchFormModel::kReplace);
            ReplaceAllBtn = button(this, "Relace all", SearchFormModel::kReplaceAll);
            buttons->addWidget(SearchAgain);
            buttons->addWidget(ReplaceBtn);
            buttons->addWidget(ReplaceAllBtn);
        }
        buttons->addWidget(button(this, "Cancel", SearchFormModel::kCancel));
        grid->addLayout(buttons, row, 0, 1, 2);
        (page == 0 ? finded1 : finded2) = find;
        PageControl1->addTab(w, page == 0 ? QStringLiteral("&Find") : QStringLiteral("&Replace"));
    }
    {
        auto* w = new QWidget(PageControl1);
        auto* grid = new QGridLayout(w);
        PageEd = new QSpinBox(w);
        PageEd->setObjectName(QStringLiteral("PageEd"));
        PageEd->setRange(SearchFormModel::kMinPage, SearchFormModel::kMaxPage);
        PageEd->setValue(1);
        grid->addWidget(new QLabel(QStringLiteral("Page no.:"), w), 0, 0);
        grid->addWidget(PageEd, 0, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        GoToBtn = button(this, "Go to page", SearchFormModel::kGoToPage);
        buttons->addWidget(GoToBtn);
        buttons->addWidget(button(this, "Cancel", SearchFormModel::kCancel));
        grid->addLayout(buttons, 1, 0, 1, 2);
        PageControl1->addTab(w, QStringLiteral("&Gehe zu"));
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int page) { pageChanged(page); });
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(PageControl1);
}

void TSearchForm::pageChanged(int page)
{
    // The default button follows the page.
    for (QPushButton* b : {FindAgain, SearchAgain, GoToBtn}) b->setDefault(false);
    (page == 0 ? FindAgain : page == 1 ? SearchAgain : GoToBtn)->setDefault(true);
}

void TSearchForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const int page = PageControl1->currentIndex();
    (page == 0 ? static_cast<QWidget*>(finded1) : page == 1 ? static_cast<QWidget*>(finded2) : PageEd)->setFocus();
}

void TSearchForm::setModel(const SearchFormModel& m)
{
    finded1->setText(fromAnsi(m.Find1));
    finded2->setText(fromAnsi(m.Find2));
    replaceed->setText(fromAnsi(m.Replace));
    for (size_t p = 0; p < 2; ++p) {
        const SearchFormModel::Options& o = m.Opts[p];
        const uint8_t values[5] = {o.Caps, o.Words, o.Start, o.Back, o.Whole};
        for (size_t i = 0; i < 5; ++i) Checks[p][i]->setChecked(values[i] != 0);
    }
    PageEd->setValue(m.PageNo);
    PageControl1->setCurrentIndex(std::clamp(m.Page, 0, 2));
    pageChanged(PageControl1->currentIndex());
}

void TSearchForm::readInto(SearchFormModel& m) const
{
    m.Find1 = toAnsi(finded1->text());
    m.Find2 = toAnsi(finded2->text());
    m.Replace = toAnsi(replaceed->text());
    for (size_t p = 0; p < 2; ++p) {
        SearchFormModel::Options& o = m.Opts[p];
        uint8_t* values[5] = {&o.Caps, &o.Words, &o.Start, &o.Back, &o.Whole};
        for (size_t i = 0; i < 5; ++i) *values[i] = Checks[p][i]->isChecked() ? 1 : 0;
    }
    m.PageNo = PageEd->value();
    m.Page = PageControl1->currentIndex();
}

int32_t ShowSearchForm(QWidget* parent, SearchFormModel& model)
{
    TSearchForm form(parent);
    form.setModel(model);
    const int result = form.exec();
    form.readInto(model);
    switch (result) {
    case SearchFormModel::kFindAgain:
    case SearchFormModel::kReplace:
    case SearchFormModel::kGoToPage:
    case SearchFormModel::kSearchAgain:
    case SearchFormModel::kReplaceAll: return result;
    default: return SearchFormModel::kCancel;
    }
}

} // namespace quillet
