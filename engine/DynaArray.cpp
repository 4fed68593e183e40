#include "engine/DynaArray.h"

#include "platform/MessageBox.h"
#include "platform/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace quillet {

TDynaArray::TDynaArray(int32_t recordSize) : RecordSize_(std::max<int32_t>(1, recordSize)) {}

TDynaArray::~TDynaArray()
{
    std::free(Block_);
    Block_ = nullptr;
    Current_ = nullptr;
    CurrentIndex_ = -1;
}

void TDynaArray::setCurrent(uint8_t* p)
{
    Current_ = p;
    if (OwnerSet) OwnerSet(OwnerVar, p);
}

uint8_t* TDynaArray::Select(int32_t i)
{
    if (i < 0 || i >= Count_) return nullptr;
    CurrentIndex_ = i;
    setCurrent(Block_ + int64_t(i) * RecordSize_);
    return Current_;
}

bool TDynaArray::Grow()
{
    // A step below one record would divide by zero; treat it as one.
    const int64_t step = std::max<int32_t>(1, GrowthStep);
    const int64_t needed = step * ((int64_t(Count_) - 1) / step + 1) * RecordSize_;
    if (needed == AllocatedBytes_) return true;

    uint8_t* fresh = nullptr;
    if (needed > 0 && needed <= std::numeric_limits<int32_t>::max())
        fresh = static_cast<uint8_t*>(std::calloc(size_t(needed), 1));
    if (needed > 0 && !fresh) {
        errorBox("Error while trying to allocate " + std::to_string(needed) + " bytes of RAM. Not enough memory.");
        return false;
    }
    // A smaller step set after filling can make the new block smaller than
    // the old one; it still holds every record, so copy only what fits.
    if (Block_ && fresh) std::memcpy(fresh, Block_, size_t(std::min<int64_t>(needed, AllocatedBytes_)));
    // The block moves: the current record (and the owner's copy of it) follow.
    const int64_t currentOffset = Current_ ? Current_ - Block_ : -1;
    std::free(Block_);
    Block_ = fresh;
    AllocatedBytes_ = int32_t(needed);
    if (currentOffset >= 0) setCurrent(Block_ && currentOffset < needed ? Block_ + currentOffset : nullptr);
    return true;
}

uint8_t* TDynaArray::Add()
{
    if (Count_ == std::numeric_limits<int32_t>::max()) return nullptr;
    ++Count_;
    if (!Grow()) {
        --Count_;
        return nullptr;
    }
    uint8_t* rec = Block_ + int64_t(Count_ - 1) * RecordSize_;
    std::memset(rec, 0, size_t(RecordSize_));
    return Select(Count_ - 1);
}

uint8_t* TDynaArray::Insert(int32_t i)
{
    if (i < 0 || i > Count_ || Count_ == std::numeric_limits<int32_t>::max()) return nullptr;
    ++Count_;
    if (!Grow()) {
        --Count_;
        return nullptr;
    }
    uint8_t* rec = Block_ + int64_t(i) * RecordSize_;
    const int64_t tail = int64_t(Count_ - 1 - i) * RecordSize_;
    if (tail > 0) std::memmove(rec + RecordSize_, rec, size_t(tail));
    std::memset(rec, 0, size_t(RecordSize_));
    return Select(i);
}

void TDynaArray::First()
{
    if (Count_ > 0) Select(0);
}

bool TDynaArray::Next()
{
    if (Count_ == 0 || CurrentIndex_ < 0 || CurrentIndex_ >= Count_) return false;
    Select(CurrentIndex_);
    ++CurrentIndex_;
    return true;
}

void ShowInfoMessage(std::string_view text)
{
    messageBoxes().show(text, "", MsgIcon::Information, MsgButtons::Ok);
}

std::filesystem::path MakeTempFileName(std::string_view prefix, std::string_view extension)
{
    const std::filesystem::path folder = TempFolder();
    // Bounded so a folder we cannot write to ends the search instead of looping.
    for (int64_t n = 0; n < std::numeric_limits<int32_t>::max(); ++n) {
        std::string name(prefix);
        name += std::to_string(n);
        name += extension;
        std::filesystem::path candidate = folder / name;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

} // namespace quillet
