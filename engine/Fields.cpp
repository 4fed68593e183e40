// Fields and form fields: bringing every field's result up to date at the
// start of each layout pass, inserting fields, the date and time command,
// form fields and the form dialog, the document properties and the manual
// page break.

#include "engine/Childwin.h"
#include "engine/FieldDialogs.h"
#include "platform/DbfTable.h"
#include "platform/MessageBox.h"
#include "platform/SelFont.h"
#include "platform/VirtualKeys.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>

namespace quillet {

namespace {

constexpr const char* kNewFieldText = "This is the content of the field";
constexpr std::string_view kFormFieldPrefix = "FormField";
constexpr int32_t kDatabaseFieldEntries = 99;

// The page count as the fields see it: the highest page-body page + 1.
int32_t pageCountOf(const std::vector<TextArea>& areas)
{
    int32_t last = 0;
    for (const TextArea& a : areas)
        if (a.AreaType == atPageBody) last = std::max(last, a.PageIndex);
    return last + 1;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

void refuse(const char* text) { messageBoxes().show(text, "", MsgIcon::Error, MsgButtons::Ok); }

// The file-name part of a UTF-8 path, in the code page.
std::string fileNamePart(const std::string& utf8Path)
{
    return utf8ToAnsi(std::filesystem::path(utf8Path).filename().string());
}

// "dbfield" + n: the rest as a number; a rest that is no number counts as 1.
int32_t fieldNumber(std::string_view rest)
{
    int32_t n = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), n);
    if (ec != std::errc() || end != rest.data() + rest.size()) return 1;
    return n;
}

// The mail-merge table while it is open.
const DbfTable* openTable(const TMDIChild& w)
{
    const DbfTable* t = w.Frame.MergeTable.get();
    return t && t->isOpen() ? t : nullptr;
}

// The widest decimal text among 1..n in a font (the first of equal
// widths), found from the digits' advances: the widest number has n's
// digit count or one less, so only numbers that follow n's prefix and
// then drop one digit, n itself and the widest shorter number compete.
std::string widestNumber(int32_t n, const PlatformFont& font)
{
    n = std::max(n, 1);
    std::array<int32_t, 10> adv{};
    for (int d = 0; d < 10; ++d) adv[size_t(d)] = font.advance(uint8_t('0' + d));
    auto widthOf = [&](const std::string& s) {
        int64_t w = 0;
        for (char c : s) w += adv[size_t(c - '0')];
        return w;
    };
    auto widestDigit = [&](int from, int to) {  // smallest of the widest
        int best = from;
        for (int d = from; d <= to; ++d)
            if (adv[size_t(d)] > adv[size_t(best)]) best = d;
        return best;
    };
    const std::string top = std::to_string(n);
    const size_t len = top.size();
    std::vector<std::string> candidates;
    if (len > 1) {
        std::string shorter(len - 1, char('0' + widestDigit(0, 9)));
        shorter[0] = char('0' + widestDigit(1, 9));
        candidates.push_back(shorter);
    }
    for (size_t i = 0; i < len; ++i) {
        const int limit = top[i] - '0';
        const int from = i == 0 ? 1 : 0;
        if (limit - 1 < from) continue;
        std::string s = top.substr(0, i);
        s += char('0' + widestDigit(from, limit - 1));
        s.append(len - i - 1, char('0' + widestDigit(0, 9)));
        candidates.push_back(s);
    }
    candidates.push_back(top);
    std::string best;
    int64_t bestWidth = -1;
    for (const std::string& s : candidates) {
        const int64_t w = widthOf(s);
        // Candidates are not in number order: equal widths go to the smaller.
        if (w > bestWidth || (w == bestWidth && (s.size() < best.size() || (s.size() == best.size() && s < best)))) {
            best = s;
            bestWidth = w;
        }
    }
    return best;
}

// What one update pass knows before it walks the characters.
struct FieldContext {
    TMDIChild& w;
    int32_t pages = 1;
    int32_t running = 0;
    std::string file, filePath, dbase, dbasePath;
    const DbfTable* table = nullptr;
    LocalDateTime now;
    bool haveNow = false;
    std::map<std::pair<int32_t, int32_t>, std::string> widest;  // (font, page) -> placeholder

    explicit FieldContext(TMDIChild& window) : w(window)
    {
        pages = pageCountOf(w.Areas);
        // The document's own name: its path once it has one, else its title
        // (never the caption, which carries the "modified" star).
        filePath = w.DocPath.empty() ? w.DocTitle : utf8ToAnsi(w.DocPath);
        file = w.DocPath.empty() ? w.DocTitle : fileNamePart(w.DocPath);
        dbasePath = utf8ToAnsi(w.Frame.Options.DatabaseFile);
        dbase = fileNamePart(w.Frame.Options.DatabaseFile);
        table = openTable(w);
    }

    const LocalDateTime& clock()
    {
        if (!haveNow) now = LocalNow();
        haveNow = true;
        return now;
    }

    std::string pagePlaceholder(const TextChar& c, int32_t page)
    {
        const auto key = std::make_pair(c.FontIndex(), page);
        if (auto it = widest.find(key); it != widest.end()) return it->second;
        std::string result = std::to_string(std::max(page, 1));
        if (c.FontIndex() >= 0 && c.FontIndex() < w.FontCount()) {
            const FontEntry& f = w.Fonts[size_t(c.FontIndex())];
            const int32_t dpi = w.PrinterDpi > 0 ? w.PrinterDpi : 600;
            if (const FontHandle font = selfont(f.Face, dpi, f.Charset, f.Style, f.Size, 100))
                result = widestNumber(page, *font);
        }
        widest.emplace(key, result);
        return result;
    }

    // The result for `code`; false leaves the result as it is.
    bool evaluate(const std::string& code, const TextChar& c, int32_t areaPage, std::string& out)
    {
        if (code == "page") out = pagePlaceholder(c, areaPage + 1);
        else if (code == "pagecount") out = std::to_string(pages);
        else if (code == "autonumber") out = std::to_string(++running);
        else if (code == "file") out = file;
        else if (code == "filepath") out = filePath;
        else if (code == "dbase") out = dbase;
        else if (code == "dbasepath") out = dbasePath;
        else if (code == "dset") out = table ? std::to_string(table->recNo()) : "{Record}";
        else if (code == "dsetcount") out = table ? std::to_string(table->recordCount()) : "{Count of records}";
        else if (startsWith(code, "datetime"))
            out = FormatDateTime(std::string_view(code).substr(8), clock(), SystemDateTimeNames());
        else if (startsWith(code, "dbfield")) {
            const std::string_view rest = std::string_view(code).substr(7);
            const int32_t n = fieldNumber(rest);
            // A number below 1 names no field.
            if (table && n >= 1 && n <= table->fieldCount()) out = table->value(n - 1);
            else out = "{Data field " + std::string(rest) + "}";
        } else if (startsWith(code, "userinf")) {
            const std::string_view d = std::string_view(code).substr(7);
            const FrameOptions& o = w.Frame.Options;
            if (d == "1") out = o.UserName;
            else if (d == "2") out = o.UserInitials;
            else if (d == "3") out = o.UserAddress;
            else return false;
        } else if (startsWith(code, "docinf")) {
            const std::string_view d = std::string_view(code).substr(6);
            if (d.size() != 1 || d[0] < '1' || d[0] > '8') return false;
            out = w.DocProperties[size_t(d[0] - '1')];
        } else {
            return false;
        }
        return true;
    }
};

// A character taken over as a field (overwrite mode): its format stays.
void clearForField(TMDIChild& w, TextChar& c)
{
    const bool picture = c.Kind == ckPicture;
    TMDIChild::freezeichen(c);
    c.Flags = 0;
    c.ParaCopy().reset();
    c.setShownNumber(0);
    c.setFootnoteId(0);
    c.setPictureIndex(0);
    c.TabLeader = 0;
    c.setGapBefore(0);
    c.Kind = ckField;
    if (picture) w.FreeBildInListeIfNotNeeded();
}

TextLine* cursorLine(TMDIChild& w)
{
    TMDIChild::ClampPosition(w.Areas, w.Cursor);
    const TextPos p = w.Cursor;
    if (p.Area < 0 || p.Area >= w.AreaCount()) return nullptr;
    TextArea& a = w.Areas[size_t(p.Area)];
    if (p.Line < 0 || p.Line >= a.LineCount()) return nullptr;
    return &a.Lines[size_t(p.Line)];
}

// Inserts a field character at the cursor: one undo step, the selection
// deleted first, the character at the cursor replaced in overwrite mode.
void insertFieldChar(TMDIChild& w, std::string_view code, std::string_view result)
{
    if (w.Areas.empty()) return;
    w.MakeCopyForUndo("Insert field");
    w.TypingRun = 0;
    w.CaretAtLineEnd = 0;
    if (w.isThereAmarking()) w.DeleteMarking();
    TextLine* l = cursorLine(w);
    if (!l) return;
    l->Dirty = 1;
    const TextPos at = w.Cursor;
    TextChar* c = nullptr;
    if (w.Frame.Options.OverwriteMode && at.Char < l->CharCount()) {
        c = &l->Chars[size_t(at.Char)];
        clearForField(w, *c);
    } else {
        if (!w.NewChar()) return;
        w.PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
        c = &w.Areas[size_t(at.Area)].Lines[size_t(at.Line)].Chars[size_t(at.Char)];
    }
    c->Kind = ckField;
    c->Code = 'a';
    c->FieldResult() = std::string(result);
    c->FieldCode() = std::string(code);
    w.RenderChar(*c, false, result);
    w.Cursor = TextPos{at.Area, at.Line, at.Char + 1};
    w.Anchor = w.Cursor;
    w.RefreshDirtyContent();
}

// Visits every form field in document order.
template <class F>
void eachFormField(TMDIChild& w, F&& f)
{
    for (TextArea& a : w.Areas)
        for (TextLine& l : a.Lines)
            for (TextChar& c : l.Chars)
                if (c.Kind == ckField && c.FieldCode() && startsWith(*c.FieldCode(), kFormFieldPrefix)) f(l, c);
}

struct NoFieldDialogs : FieldDialogsUi {
    bool runFeldEinfuegenDialog(FeldEinfuegenModel&) override { return false; }
    bool runUserDateTimeDialog(UserDateTimeModel&) override { return false; }
    bool runDateTimeDialog(DateTimeModel&) override { return false; }
    bool runInsertFormFieldDialog(InsertFormFieldModel&) override { return false; }
    bool runFormDialog(FormDialogModel&) override { return false; }
    bool runDocumentPropsDialog(DocumentPropsModel&) override { return false; }
};

// The user-defined format dialog; empty when it was cancelled or left
// empty (which is refused with a message).
std::string askUserFormat(TMDIChild& w, const std::string& preset, bool refuseEmpty)
{
    UserDateTimeModel m;
    m.Edit1 = preset;
    m.Now = LocalNow();
    m.Names = &SystemDateTimeNames();
    if (!fieldDialogsOf(w)->runUserDateTimeDialog(m)) return {};
    if (m.Edit1.empty() && refuseEmpty) refuse(kStringCanNotBeEmpty);
    return m.Edit1;
}

} // namespace

// ---- Dialog models ---------------------------------------------------------------

void FeldEinfuegenModel::ListBox1Click(int32_t category)
{
    if (category < 0 || category >= int32_t(kCategories.size())) return;
    Category = category;
    Selected = Lists[size_t(category)].empty() ? -1 : 0;
}

const std::vector<FieldListEntry>& FeldEinfuegenModel::entries() const
{
    return Lists[size_t(std::clamp(Category, 0, int32_t(kCategories.size()) - 1))];
}

const FieldListEntry* FeldEinfuegenModel::selected() const
{
    const auto& e = entries();
    return Selected >= 0 && Selected < int32_t(e.size()) ? &e[size_t(Selected)] : nullptr;
}

std::string UserDateTimeModel::preview() const
{
    return FormatDateTime(Edit1, Now, Names ? *Names : EnglishDateTimeNames());
}

std::vector<FieldListEntry> DateFieldEntries(const LocalDateTime& now, const DateTimeNames& names, bool time)
{
    std::vector<FieldListEntry> out;
    auto add = [&](const char* format) {
        out.push_back({FormatDateTime(format, now, names) + "\t [" + format + "]", std::string("datetime") + format, false});
    };
    if (time)
        for (const char* f : kTimeFormats) add(f);
    else
        for (const char* f : kDateFormats) add(f);
    return out;
}

std::string NormalizeLineEnds(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

FieldDialogsUi* fieldDialogsOf(TMDIChild& w)
{
    static NoFieldDialogs none;
    if (w.FieldDialogs) return w.FieldDialogs;
    if (auto* frame = dynamic_cast<FieldDialogsUi*>(w.Ui)) return frame;
    return &none;
}

// ---- Evaluation --------------------------------------------------------------------

// How many lines ahead the field walk asks for a line's characters.
constexpr size_t kCharsAhead = 8;

void TMDIChild::FelderAktuallisieren()
{
    FieldContext ctx(*this);
    FieldPageCount = ctx.pages;
    FieldPageCountLines = false;
    std::string result;
    for (TextArea& a : Areas) {
        TextLine* const lines = a.Lines.data();
        const size_t count = a.Lines.size();
        for (size_t i = 0; i < count; ++i) {
            TextLine& l = lines[i];
            // Each line's characters lie in a block of their own: in a long
            // area those blocks are no longer in the cache, and asking for
            // them some lines ahead lets the misses overlap.
            if (i + kCharsAhead < count) __builtin_prefetch(lines[i + kCharsAhead].Chars.data());
            // An edited line stays dirty until a pass has broken it (and
            // lines that breaking changed lose the memo), so a clean line
            // with the count it was looked at with is unchanged.
            LineMemo& m = l.Memo;
            if (!l.Dirty && m.FieldsChars == l.CharCount() && !m.HasFields) continue;
            bool found = false;
            for (TextChar& c : l.Chars) {
                if (c.Kind != ckField || !c.FieldCode()) continue;
                found = true;
                const std::string& code = *c.FieldCode();
                if (code == "pagecount") FieldPageCountLines = true;
                if (!ctx.evaluate(code, c, a.PageIndex, result)) continue;
                if (result.empty()) result = " ";
                if (c.FieldResult() && *c.FieldResult() == result) continue;
                c.FieldResult() = result;
                const double before = c.Width;
                RenderChar(c, false, result);
                // The line is broken after this, in the same pass: a longer
                // result must not overhang. A page number is drawn per page
                // and never moves the text.
                if (c.Width != before && code != "page") l.Dirty = 1;
            }
            if (!l.Dirty) {
                m.FieldsChars = l.CharCount();
                m.HasFields = found ? 1 : 0;
            }
        }
    }
}

void TMDIChild::FieldsAfterPlacement()
{
    // Placement may have added or removed pages: page counts then show the
    // count of the pass before. Their lines are marked, so the pass that
    // follows (bounded by the layout's follow-up limit) shows the new count.
    if (!FieldPageCountLines || pageCountOf(Areas) == FieldPageCount) return;
    for (TextArea& a : Areas)
        for (TextLine& l : a.Lines)
            for (const TextChar& c : l.Chars)
                if (c.Kind == ckField && c.FieldCode() && *c.FieldCode() == "pagecount") {
                    l.Dirty = 1;
                    LayoutMarkedLines = true;
                    break;
                }
}

// ---- Commands ----------------------------------------------------------------------

void TMDIChild::InsertField(std::string_view code) { insertFieldChar(*this, code, kNewFieldText); }

void TMDIChild::Seitenzahleinfuegen() { InsertField("page"); }

void TMDIChild::FeldEinfuegen()
{
    FeldEinfuegenModel m;
    const LocalDateTime now = LocalNow();
    const DateTimeNames& names = SystemDateTimeNames();
    auto& lists = m.Lists;
    lists[0] = {{"Page number", "page"}, {"Page count", "pagecount"}, {"Auto number", "autonumber"}};
    lists[1] = DateFieldEntries(now, names, false);
    lists[1].push_back({"User defined", "mm/dd/yyyy", true});
    lists[2] = DateFieldEntries(now, names, true);
    lists[2].push_back({"User defined", "HH:MM", true});
    lists[3] = {{"Only file name", "file"}, {"With path name", "filepath"}};
    const DbfTable* table = openTable(*this);
    for (int32_t n = 1; n <= kDatabaseFieldEntries; ++n) {
        const bool named = table && n <= table->fieldCount();
        lists[4].push_back({named ? table->fieldName(n - 1) : "Field_" + std::to_string(n), "dbfield" + std::to_string(n)});
    }
    lists[5] = {{"Data base", "dbase"}, {"Data base with path", "dbasepath"}, {"Record number", "dset"},
                {"Record count", "dsetcount"}};
    lists[6] = {{"User name", "userinf1"}, {"User initials", "userinf2"}, {"User addres", "userinf3"}};
    const char* infos[] = {"Title", "Topic", "Author", "Manager", "Company", "Kategory", "Key words", "Comment"};
    for (int i = 0; i < 8; ++i) lists[7].push_back({infos[i], "docinf" + std::to_string(i + 1)});
    m.ListBox1Click(0);

    if (!fieldDialogsOf(*this)->runFeldEinfuegenDialog(m)) return;
    const FieldListEntry* e = m.selected();
    if (!e) return;
    if (!e->UserDefined) {
        InsertField(e->Code);
        return;
    }
    const std::string format = askUserFormat(*this, e->Code, true);
    if (!format.empty()) InsertField("datetime" + format);
}

void TMDIChild::DateTimeEinfuegen()
{
    DateTimeModel m;
    const LocalDateTime now = LocalNow();
    const DateTimeNames& names = SystemDateTimeNames();
    m.Entries = DateFieldEntries(now, names, false);
    for (FieldListEntry& e : DateFieldEntries(now, names, true)) m.Entries.push_back(std::move(e));
    m.Entries.push_back({"User defined", "", true});
    if (!fieldDialogsOf(*this)->runDateTimeDialog(m)) return;
    if (m.Selected < 0 || m.Selected >= int32_t(m.Entries.size())) return;
    const FieldListEntry& e = m.Entries[size_t(m.Selected)];
    const std::string format = e.UserDefined ? askUserFormat(*this, "", false) : e.Code.substr(8);
    if (format.empty()) return;
    if (m.AsFieldCheck) {
        InsertField("datetime" + format);
        return;
    }
    // Typed in as plain text: one undo step (which marks the document
    // modified), the selection deleted first, the cursor after the text.
    if (Areas.empty()) return;
    const std::string text = FormatDateTime(format, LocalNow(), names);
    MakeCopyForUndo("Insert");
    TypingRun = 0;
    CaretAtLineEnd = 0;
    if (isThereAmarking()) DeleteMarking();
    TextLine* l = cursorLine(*this);
    if (!l) return;
    l->Dirty = 1;
    for (char ch : text) {
        const TextPos at = Cursor;
        if (!NewChar()) break;
        PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
        TextChar& c = Areas[size_t(at.Area)].Lines[size_t(at.Line)].Chars[size_t(at.Char)];
        c.Kind = ckText;
        c.Code = uint8_t(ch);
        RenderChar(c, false, std::string_view(&ch, 1));
        Cursor = TextPos{at.Area, at.Line, at.Char + 1};
    }
    Anchor = Cursor;
    RefreshDirtyContent();
}

void TMDIChild::FormularFeldEinfuegen()
{
    InsertFormFieldModel m;
    if (!fieldDialogsOf(*this)->runInsertFormFieldDialog(m)) return;
    if (m.NameEd.empty()) {
        refuse(kStringCanNotBeEmpty);
        return;
    }
    const std::string result = m.ContentEd.empty() ? "{" + m.NameEd + "}" : m.ContentEd;
    insertFieldChar(*this, std::string(kFormFieldPrefix) + m.NameEd, result);
}

void TMDIChild::Formulardialog()
{
    FormDialogModel m;
    eachFormField(*this, [&](TextLine&, TextChar& c) {
        m.Rows.emplace_back(c.FieldCode()->substr(kFormFieldPrefix.size()), c.FieldResult().value_or(std::string()));
    });
    if (m.Rows.empty()) {
        refuse(kNoFormFields);
        return;
    }
    const size_t rows = m.Rows.size();
    if (!fieldDialogsOf(*this)->runFormDialog(m) || m.Rows.size() != rows) return;
    // Empty results would leave fields of no width: they show a space.
    for (auto& row : m.Rows)
        if (row.second.empty()) row.second = " ";
    bool changed = false;
    size_t k = 0;
    eachFormField(*this, [&](TextLine&, TextChar& c) {
        changed = changed || c.FieldResult().value_or(std::string()) != m.Rows[k].second;
        ++k;
    });
    if (!changed) return;
    // One undo step, which also marks the document modified.
    MakeCopyForUndo("Form dialog");
    k = 0;
    eachFormField(*this, [&](TextLine& l, TextChar& c) {
        l.Dirty = 1;
        c.FieldResult() = m.Rows[k].second;
        RenderChar(c, false, m.Rows[k].second);
        ++k;
    });
    RefreshDirtyContent();
}

void TMDIChild::DokumentEigenschaften(int32_t page)
{
    DocumentPropsModel m;
    for (size_t i = 0; i < 7; ++i) m.Edits[i] = DocProperties[i];
    m.Memo1 = DocProperties[7];
    m.Page = page == 1 ? 1 : 0;
    m.Statistics = WordCountGrid(CountWords());
    if (!fieldDialogsOf(*this)->runDocumentPropsDialog(m)) return;
    std::array<std::string, 8> now;
    for (size_t i = 0; i < 7; ++i) now[i] = m.Edits[i];
    // The comment is compared by its text, not by its line-end bytes.
    now[7] = NormalizeLineEnds(m.Memo1) == NormalizeLineEnds(DocProperties[7]) ? DocProperties[7] : m.Memo1;
    if (now != DocProperties) SetFileChanged(true);
    DocProperties = now;
    CompleteRefresh();
}

void TMDIChild::UmbruchEinfuegen()
{
    uint16_t key = VK_RETURN;
    getkeysKeyDown(key, ssCtrl);
}

} // namespace quillet
