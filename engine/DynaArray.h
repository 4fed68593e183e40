#pragma once
// TDynaArray: a growable array of fixed-size records for lists that take
// many small appends. Unlike the document's own arrays it grows in whole
// steps of GrowthStep records, hands out zero-filled records and keeps a
// current record, optionally mirrored into a pointer variable of its owner.
// (The word lists are WordList, language/WordList.h.)
//
// Records are raw bytes moved with memmove: only trivially copyable types
// belong in it.
//
// The same unit gives the information message and unique temporary file
// names.

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace quillet {

class TDynaArray {
public:
    // `recordSize` bytes per record (at least 1).
    explicit TDynaArray(int32_t recordSize);
    // As above; `*owner` follows the current record from now on.
    template <class T>
    TDynaArray(int32_t recordSize, T** owner) : TDynaArray(recordSize)
    {
        OwnerVar = owner;
        OwnerSet = [](void* var, uint8_t* current) {
            *static_cast<T**>(var) = reinterpret_cast<T*>(current);
        };
    }
    ~TDynaArray();
    TDynaArray(const TDynaArray&) = delete;
    TDynaArray& operator=(const TDynaArray&) = delete;

    // Records per growth step; owners may change it at any time.
    int32_t GrowthStep = 100;

    // Makes record i current and returns it; null (nothing changed) unless 0 <= i < Count.
    uint8_t* Select(int32_t i);
    // Makes the block hold Count records in whole growth steps. False when
    // the block could not be allocated (the message has been shown; nothing changed).
    bool Grow();
    // A new zeroed record at the end, made current; null when memory ran out.
    uint8_t* Add();
    // A new zeroed record at index i (0..Count), made current; null for any
    // other index or when memory ran out (the array is unchanged then).
    uint8_t* Insert(int32_t i);
    // Starts an iteration: selects record 0 when there is one.
    void First();
    // Visits the record at CurrentIndex and steps past it; false at the end.
    bool Next();

    int32_t Count() const { return Count_; }
    int32_t CurrentIndex() const { return CurrentIndex_; }
    int32_t AllocatedBytes() const { return AllocatedBytes_; }
    int32_t RecordSize() const { return RecordSize_; }
    uint8_t* Current() const { return Current_; }
    uint8_t* Block() const { return Block_; }
    template <class T>
    T* CurrentAs() const { return reinterpret_cast<T*>(Current_); }

private:
    void setCurrent(uint8_t* p);

    void* OwnerVar = nullptr;
    void (*OwnerSet)(void*, uint8_t*) = nullptr;
    uint8_t* Current_ = nullptr;
    uint8_t* Block_ = nullptr;
    int32_t Count_ = 0;
    int32_t CurrentIndex_ = -1;
    int32_t AllocatedBytes_ = 0;
    int32_t RecordSize_ = 1;
};

// An information message (OK only, the default caption).
void ShowInfoMessage(std::string_view text);

// A new, empty file in the temporary folder named prefix + n + extension, for
// the first n = 0, 1, 2, ... not already taken. The file is created
// exclusively, so no two callers (in any process) get the same name; the
// caller owns it and removes it. Empty path when no file could be created.
std::filesystem::path MakeTempFileName(std::string_view prefix, std::string_view extension);

} // namespace quillet
