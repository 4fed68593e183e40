// The mail-merge table over shapelib. The library trusts the header it
// reads, so every file passes our own checks first; the library is then
// pointed at exactly that file through its I/O hooks (left to itself it
// would change the extension, and look for a code page file beside it).

#include "platform/DbfTable.h"

#include "platform/ByteIO.h"
#include "platform/SafeFile.h"

#include <shapefil.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace quillet {

namespace {

constexpr size_t kHeaderBytes = 32;
constexpr size_t kDescriptorBytes = 32;
constexpr int32_t kMaxFields = 255;
// dBase's language driver for the Windows ANSI code page.
constexpr int kAnsiLanguageDriver = 87;

std::string at(const std::string& what, size_t offset) { return std::string(what) + " (at byte " + std::to_string(offset) + ")"; }

// The file the hooks open, whatever name the library asks for.
thread_local const std::filesystem::path* gTarget = nullptr;

bool endsWithDbf(const char* name)
{
    const size_t n = std::strlen(name);
    return n >= 4 && (std::strcmp(name + n - 4, ".dbf") == 0 || std::strcmp(name + n - 4, ".DBF") == 0);
}

SAFile openHook(const char* name, const char* access)
{
    if (!gTarget || !endsWithDbf(name)) return nullptr;  // no code page files
    return reinterpret_cast<SAFile>(std::fopen(gTarget->c_str(), access));
}

void quietErrors(const char*) {}

SAHooks hooks()
{
    SAHooks h;
    SASetupDefaultHooks(&h);
    h.FOpen = openHook;
    h.Error = quietErrors;
    return h;
}

std::string trimmed(std::string s)
{
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    const size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

bool digits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Stored "YYYYMMDD" as shown, "dd.mm.yyyy"; anything else as it stands.
std::string shownDate(const std::string& raw)
{
    if (raw.size() != 8 || !digits(raw)) return raw;
    return raw.substr(6, 2) + "." + raw.substr(4, 2) + "." + raw.substr(0, 4);
}

std::string shownLogical(const std::string& raw)
{
    if (raw.empty()) return {};
    switch (raw[0]) {
    case 'T': case 't': case 'Y': case 'y': return "True";
    case 'F': case 'f': case 'N': case 'n': return "False";
    default: return {};
    }
}

} // namespace

std::string CheckDbfImage(const uint8_t* data, size_t size, DbfLayout& out)
{
    out = DbfLayout{};
    ByteReader in(data, size);
    if (size < kHeaderBytes) return "the file is too short to be a dBase table";
    out.Version = in.u8();
    if ((out.Version & 0x07) != 3 && (out.Version & 0x07) != 4) return "it is no dBase table (version byte " + std::to_string(out.Version) + ")";
    in.skip(3);
    const uint32_t records = in.u32();
    const uint16_t headerLength = in.u16();
    const uint16_t recordLength = in.u16();
    in.seek(29);
    out.LanguageDriver = in.u8();
    in.seek(kHeaderBytes);
    if (!in) return at("the header is damaged", in.failOffset());
    if (records > uint32_t(INT32_MAX)) return at("the header is damaged: the record count is impossible", 4);
    if (headerLength < kHeaderBytes + 1 || headerLength > size) return at("the header is damaged: its length is impossible", 8);
    if (recordLength < 1) return at("the header is damaged: the record length is impossible", 10);

    // Field descriptors up to the terminator, all within the header.
    int64_t sum = 1;
    for (;;) {
        if (in.offset() >= headerLength) return at("the header is damaged: its field list has no end", in.offset());
        if (*in.here() == 0x0D) break;
        if (headerLength - in.offset() < kDescriptorBytes + 1) return at("the header is damaged: a field description is cut off", in.offset());
        if (int32_t(out.Fields.size()) >= kMaxFields) return at("the header is damaged: too many fields", in.offset());
        const size_t start = in.offset();
        const std::string rawName = in.str(11);
        DbfLayout::Field f;
        f.Name = rawName.substr(0, rawName.find('\0'));
        f.Type = char(in.u8());
        in.skip(4);
        f.Width = in.u8();
        f.Decimals = in.u8();
        in.seek(start + kDescriptorBytes);
        if (!in) return at("the header is damaged", in.failOffset());
        const bool printable = !f.Name.empty() && std::all_of(f.Name.begin(), f.Name.end(), [](char c) {
            return uint8_t(c) > 32 && uint8_t(c) < 127;
        });
        if (!printable) return at("the header is damaged: a field has no proper name", start);
        if (std::strchr("CNFDL", f.Type) == nullptr || f.Type == 0) {
            const bool shown = uint8_t(f.Type) > 32 && uint8_t(f.Type) < 127;
            const std::string kind = shown ? std::string(1, f.Type) : std::to_string(uint8_t(f.Type));
            return "the field " + f.Name + " is of a kind this program cannot use (" + kind +
                   "); only text, number, date and logical fields are";
        }
        if (f.Width < 1 || f.Decimals > f.Width) return at("the header is damaged: a field's width is impossible", start + 16);
        if ((f.Type == 'D' && f.Width != 8) || (f.Type == 'L' && f.Width != 1))
            return at("the header is damaged: a field's width does not fit its kind", start + 16);
        sum += f.Width;
        out.Fields.push_back(std::move(f));
    }
    if (sum != recordLength) return at("the header is damaged: the record length does not match the fields", 10);
    out.RecordCount = int32_t(records);
    out.HeaderLength = headerLength;
    out.RecordLength = recordLength;

    in.seek(headerLength);
    if (!in.fits(out.RecordCount, recordLength))
        return "the header promises " + std::to_string(records) + " records, the file holds only " +
               std::to_string((size - headerLength) / recordLength);
    out.LiveRecords.reserve(size_t(out.RecordCount));
    for (int32_t r = 0; r < out.RecordCount; ++r) {
        const size_t start = headerLength + size_t(r) * recordLength;
        const uint8_t flag = data[start];
        if (flag != ' ' && flag != '*') return at("record " + std::to_string(r + 1) + " is damaged", start);
        if (flag == ' ') out.LiveRecords.push_back(r);
    }
    return {};
}

DbfTable::~DbfTable() { close(); }

std::string DbfTable::open(const std::filesystem::path& path, bool createIfMissing)
{
    close();
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    SAHooks h = hooks();
    gTarget = &path;
    struct Reset { ~Reset() { gTarget = nullptr; } } reset;

    if (!exists) {
        if (!createIfMissing) return "the file does not exist";
        DBFHandle made = DBFCreateLL(path.c_str(), ("LDID/" + std::to_string(kAnsiLanguageDriver)).c_str(), &h);
        if (!made) return "the table could not be created";
        DBFClose(made);
    }

    std::vector<uint8_t> bytes;
    if (FileReadResult r = ReadWholeFile(path, kMaxDbfFileBytes, bytes); !r) return r.reason;
    DbfLayout layout;
    if (std::string problem = CheckDbfImage(bytes.data(), bytes.size(), layout); !problem.empty()) return problem;

    bool readOnly = false;
    DBFHandle handle = DBFOpenLL(path.c_str(), "rb+", &h);
    if (!handle) {
        handle = DBFOpenLL(path.c_str(), "rb", &h);
        readOnly = true;
    }
    if (!handle) return "the table could not be opened";
    // The file may have changed since it was checked: the library must see
    // what the checks saw.
    if (DBFGetFieldCount(handle) != int(layout.Fields.size()) || DBFGetRecordCount(handle) != layout.RecordCount) {
        DBFClose(handle);
        return "the table changed while it was opened";
    }
    Handle = handle;
    Path = path;
    ReadOnly = readOnly;
    Layout = std::move(layout);
    Live = Layout.LiveRecords;
    RecNo = Live.empty() ? 0 : 1;
    loadRecord();
    return {};
}

void DbfTable::close()
{
    if (!Handle) return;
    post();
    DBFClose(static_cast<DBFHandle>(Handle));
    Handle = nullptr;
    Path.clear();
    Layout = DbfLayout{};
    Live.clear();
    RecNo = 0;
    Values.clear();
    Changed.clear();
    Pending = false;
}

void DbfTable::setRecNo(int32_t r)
{
    if (!Handle) return;
    post();
    RecNo = Live.empty() ? 0 : std::clamp(r, 1, recordCount());
    loadRecord();
}

std::string DbfTable::fieldName(int32_t i) const
{
    const DbfLayout::Field* f = field(i);
    return f ? f->Name : std::string();
}

const DbfLayout::Field* DbfTable::field(int32_t i) const
{
    return i >= 0 && i < fieldCount() ? &Layout.Fields[size_t(i)] : nullptr;
}

const std::string& DbfTable::value(int32_t i) const
{
    static const std::string none;
    return i >= 0 && size_t(i) < Values.size() ? Values[size_t(i)] : none;
}

void DbfTable::loadRecord()
{
    Values.assign(size_t(fieldCount()), std::string());
    Changed.assign(size_t(fieldCount()), 0);
    Pending = false;
    if (!Handle || RecNo < 1) return;
    auto* h = static_cast<DBFHandle>(Handle);
    const int record = Live[size_t(RecNo - 1)];
    for (int32_t i = 0; i < fieldCount(); ++i) {
        const char* raw = DBFReadStringAttribute(h, record, i);
        std::string text = raw ? trimmed(raw) : std::string();
        switch (Layout.Fields[size_t(i)].Type) {
        case 'D': text = shownDate(text); break;
        case 'L': text = shownLogical(text); break;
        default: break;
        }
        Values[size_t(i)] = std::move(text);
    }
}

// The bytes a shown value is stored as, exactly the field's width.
std::string DbfTable::stored(int32_t i, const std::string& text, std::string& reason) const
{
    const DbfLayout::Field& f = Layout.Fields[size_t(i)];
    const size_t width = size_t(f.Width);
    const std::string t = trimmed(text);
    std::string raw;
    switch (f.Type) {
    case 'N':
    case 'F': {
        std::string_view s = t;
        if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
        const size_t dot = s.find('.');
        const bool ok = t.empty() || (dot == std::string_view::npos ? digits(s)
                                                                    : (digits(s.substr(0, dot)) || dot == 0) &&
                                                                          (dot + 1 == s.size() || digits(s.substr(dot + 1))) && s.size() > 1);
        if (!ok) { reason = "\"" + text + "\" is no number"; return {}; }
        if (t.size() > width) { reason = "the number is too long for the field " + f.Name; return {}; }
        raw = std::string(width - t.size(), ' ') + t;
        break;
    }
    case 'D': {
        if (t.empty()) { raw = std::string(8, ' '); break; }
        int d = 0, m = 0, y = 0;
        char rest = 0;
        if (std::sscanf(t.c_str(), "%2d.%2d.%4d%c", &d, &m, &y, &rest) != 3 || d < 1 || d > 31 || m < 1 || m > 12 || y < 1) {
            reason = "\"" + text + "\" is no date (dd.mm.yyyy)";
            return {};
        }
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
        raw = buf;
        break;
    }
    case 'L':
        if (t.empty()) raw = " ";
        else if (std::strchr("TtYy", t[0])) raw = "T";
        else if (std::strchr("FfNn", t[0])) raw = "F";
        else { reason = "\"" + text + "\" is neither True nor False"; return {}; }
        break;
    default:
        if (text.size() > width) { reason = "the text is too long for the field " + f.Name; return {}; }
        raw = text + std::string(width - text.size(), ' ');
        break;
    }
    return raw;
}

std::string DbfTable::setValue(int32_t i, const std::string& text)
{
    if (!Handle) return "no table is open";
    if (ReadOnly) return "the table can only be read";
    if (RecNo < 1) return "the table has no record";
    if (!field(i)) return "the table has no such field";
    std::string reason;
    stored(i, text, reason);
    if (!reason.empty()) return reason;
    if (Values[size_t(i)] == text) return {};
    Values[size_t(i)] = text;
    Changed[size_t(i)] = 1;
    Pending = true;
    return {};
}

std::string DbfTable::post()
{
    if (!Handle || !Pending) return {};
    auto* h = static_cast<DBFHandle>(Handle);
    const int record = Live[size_t(RecNo - 1)];
    std::string problem;
    for (int32_t i = 0; i < fieldCount(); ++i) {
        if (!Changed[size_t(i)]) continue;
        std::string reason;
        std::string raw = stored(i, Values[size_t(i)], reason);
        if (!reason.empty() || !DBFWriteAttributeDirectly(h, record, i, raw.data())) {
            if (problem.empty()) problem = reason.empty() ? "the record could not be written" : reason;
        }
    }
    DBFUpdateHeader(h);
    loadRecord();
    return problem;
}

void DbfTable::cancel() { loadRecord(); }

std::string DbfTable::append()
{
    if (!Handle) return "no table is open";
    if (ReadOnly) return "the table can only be read";
    if (fieldCount() == 0) return "the table has no fields";
    if (Layout.RecordCount == INT32_MAX ||
        uint64_t(Layout.HeaderLength) + uint64_t(Layout.RecordCount + 1) * uint64_t(Layout.RecordLength) + 1 > kMaxDbfFileBytes)
        return "the table is full";
    if (std::string problem = post(); !problem.empty()) return problem;
    auto* h = static_cast<DBFHandle>(Handle);
    const int record = Layout.RecordCount;
    // Writing one blank field past the end makes the library add a record
    // whose other fields are blank as well.
    std::string reason;
    std::string blank = stored(0, std::string(), reason);
    if (!DBFWriteAttributeDirectly(h, record, 0, blank.data())) return "the record could not be written";
    DBFUpdateHeader(h);
    ++Layout.RecordCount;
    Live.push_back(record);
    RecNo = recordCount();
    loadRecord();
    return {};
}

std::string DbfTable::remove()
{
    if (!Handle) return "no table is open";
    if (ReadOnly) return "the table can only be read";
    if (RecNo < 1) return "the table has no record";
    auto* h = static_cast<DBFHandle>(Handle);
    const int record = Live[size_t(RecNo - 1)];
    if (!DBFMarkRecordDeleted(h, record, 1)) return "the record could not be deleted";
    DBFUpdateHeader(h);
    Live.erase(Live.begin() + (RecNo - 1));
    RecNo = Live.empty() ? 0 : std::min(RecNo, recordCount());
    loadRecord();
    return {};
}

} // namespace quillet
