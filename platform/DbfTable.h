#pragma once
// The mail-merge table: one dBase table, read and written through shapelib,
// with the record cursor the library lacks. Before the library sees a file
// our own checks read it whole through the byte cursor: a file that is
// short, has a damaged header, claims more records than it holds or has
// fields other than text, number, float, date and logical is refused with
// its reason, and nothing is opened or written.
//
// Deleted records ('*') are hidden: the count and the record numbers skip
// them. Record numbers are 1-based; an empty table stands at record 0.
// Values are Windows-1252 text: text trimmed, numbers as stored (trimmed),
// dates as dd.mm.yyyy, logicals as "True" / "False".

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillet {

inline constexpr uint64_t kMaxDbfFileBytes = 64ull << 20;

// What the checks found in a table image.
struct DbfLayout {
    struct Field {
        std::string Name;
        char Type = 'C';
        int32_t Width = 0;
        int32_t Decimals = 0;
    };
    uint8_t Version = 0;
    uint8_t LanguageDriver = 0;
    int32_t RecordCount = 0;
    int32_t HeaderLength = 0;
    int32_t RecordLength = 0;
    std::vector<Field> Fields;
    std::vector<int32_t> LiveRecords;  // 0-based indexes of the records not deleted
};

// Checks a whole table image. Empty when it is sound (then `out` is
// filled), else why not, e.g. "the header is damaged (at byte 32)".
std::string CheckDbfImage(const uint8_t* data, size_t size, DbfLayout& out);

class DbfTable {
public:
    DbfTable() = default;
    ~DbfTable();
    DbfTable(const DbfTable&) = delete;
    DbfTable& operator=(const DbfTable&) = delete;

    // Opens the table at `path` (UTF-8); a missing file is created as an
    // empty table (no fields, no records) when `createIfMissing`. Empty on
    // success, else the reason; the table is then closed. A file that cannot
    // be written is opened for reading only.
    std::string open(const std::filesystem::path& path, bool createIfMissing);
    // Posts pending edits, then closes.
    void close();
    bool isOpen() const { return Handle != nullptr; }
    bool readOnly() const { return ReadOnly; }
    const std::filesystem::path& path() const { return Path; }

    int32_t recordCount() const { return int32_t(Live.size()); }
    // 1-based; 0 for an empty or closed table.
    int32_t recNo() const { return RecNo; }
    // Moves to record r, pulled into 1..recordCount. Pending edits are
    // posted first.
    void setRecNo(int32_t r);
    void first() { setRecNo(1); }
    void last() { setRecNo(recordCount()); }
    void prior() { setRecNo(RecNo - 1); }
    void next() { setRecNo(RecNo + 1); }

    int32_t fieldCount() const { return int32_t(Layout.Fields.size()); }
    // Field i (0-based); an index outside gives an empty name / value.
    std::string fieldName(int32_t i) const;
    const DbfLayout::Field* field(int32_t i) const;
    const std::string& value(int32_t i) const;

    // Changes field i of the current record (posted later). Empty when
    // taken, else why not (a number that is none, a date not dd.mm.yyyy,
    // text too long for the field, a read-only table, no record).
    std::string setValue(int32_t i, const std::string& text);
    bool hasPendingEdits() const { return Pending; }
    // Writes pending edits; nothing is written without them. Empty on
    // success, else the reason.
    std::string post();
    // Drops pending edits.
    void cancel();

    // Adds a blank record at the end and moves to it, after posting pending
    // edits. Empty when done, else why not (read-only, no fields, a failed
    // write); the table then stands where it stood.
    std::string append();
    // Marks the current record deleted and moves to the one that followed
    // it (or the new last one). Its pending edits are dropped. Empty when
    // done, else why not; nothing changes then.
    std::string remove();

private:
    void loadRecord();
    std::string stored(int32_t i, const std::string& text, std::string& reason) const;

    void* Handle = nullptr;  // the library's DBFHandle
    std::filesystem::path Path;
    bool ReadOnly = false;
    DbfLayout Layout;
    std::vector<int32_t> Live;
    int32_t RecNo = 0;
    std::vector<std::string> Values;
    std::vector<uint8_t> Changed;
    bool Pending = false;
};

} // namespace quillet
