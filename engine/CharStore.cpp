// The table of character looks and the blocks of rare character fields.
// Both live as long as the program: their state is never destroyed, so a
// character that outlives main() (a static document in a test) can still
// give its block back.

#include "engine/Records.h"

#include <bit>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

// Blocks live in chunks that are never freed, so the address sanitizer
// would see nothing wrong in a character reading a block it gave back (or
// giving it back twice): a block on the free list is marked unreadable.
#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_BLOCK_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_BLOCK_POISONING 1
#endif
#endif
#ifdef QUILLET_BLOCK_POISONING
#include <sanitizer/asan_interface.h>
#define QUILLET_BLOCK_OFF(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define QUILLET_BLOCK_ON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define QUILLET_BLOCK_OFF(p, n) ((void)(p), (void)(n))
#define QUILLET_BLOCK_ON(p, n) ((void)(p), (void)(n))
#endif

namespace quillet {

namespace charstore {

CharLook gLooks[kMaxLooks];
CharBlock* gChunks[kMaxBlocks / kChunkSize];

namespace {

uint64_t keyOf(CharLook l)
{
    return (uint64_t(uint32_t(l.FontIndex)) << 32) | std::bit_cast<uint32_t>(l.Height);
}

struct LookTable {
    std::mutex lock;
    std::unordered_map<uint64_t, uint32_t> ids{{keyOf(CharLook{}), 0}};
    uint32_t count = 1;  // gLooks[0] is the default look, zero from the start
};

LookTable& looks()
{
    static LookTable* t = new LookTable;
    return *t;
}

struct BlockPool {
    std::mutex lock;
    std::vector<uint32_t> free;
    uint32_t made = 0;  // blocks handed out of the chunks so far
    size_t inUse = 0;
};

BlockPool& pool()
{
    static BlockPool* p = new BlockPool;
    return *p;
}

} // namespace

uint32_t intern(CharLook look)
{
    // Runs of characters share a look: the last few answers of this thread
    // save the lock. Numbers never change once given, so they stay right.
    struct Recent {
        uint64_t key = ~uint64_t(0);
        uint32_t id = 0;
    };
    thread_local Recent recent[8];
    const uint64_t key = keyOf(look);
    Recent& slot = recent[(key ^ (key >> 29)) & 7];
    if (slot.key == key) return slot.id;

    LookTable& t = looks();
    std::lock_guard<std::mutex> g(t.lock);
    uint32_t id;
    if (const auto it = t.ids.find(key); it != t.ids.end()) {
        id = it->second;
    } else {
        if (t.count >= kMaxLooks) return kMaxLooks;
        id = t.count++;
        gLooks[id] = look;
        t.ids.emplace(key, id);
    }
    slot = Recent{key, id};
    return id;
}

uint32_t makeBlock()
{
    BlockPool& p = pool();
    std::lock_guard<std::mutex> g(p.lock);
    uint32_t index;
    if (!p.free.empty()) {
        index = p.free.back();
        p.free.pop_back();
    } else {
        if (p.made >= kMaxBlocks) throw std::bad_alloc();
        index = p.made;
        CharBlock*& chunk = gChunks[index >> kChunkBits];
        if (!chunk) {
            chunk = new CharBlock[kChunkSize];
            QUILLET_BLOCK_OFF(chunk, sizeof(CharBlock) * kChunkSize);
        }
        ++p.made;
    }
    ++p.inUse;
    QUILLET_BLOCK_ON(&block(index), sizeof(CharBlock));
    return index;
}

void freeBlock(uint32_t index)
{
    // The block is the caller's alone until it is on the free list.
    block(index) = CharBlock{};
    BlockPool& p = pool();
    std::lock_guard<std::mutex> g(p.lock);
    p.free.push_back(index);
    --p.inUse;
    QUILLET_BLOCK_OFF(&block(index), sizeof(CharBlock));
}

size_t blocksInUse()
{
    BlockPool& p = pool();
    std::lock_guard<std::mutex> g(p.lock);
    return p.inUse;
}

} // namespace charstore

void TextChar::setLook(CharLook l)
{
    if (holdsBlock()) {
        blk().Look = l;
        dropBlockIfPlain();
        return;
    }
    const uint32_t id = charstore::intern(l);
    if (id < charstore::kMaxLooks) {
        ref_ = id;
        return;
    }
    const uint32_t b = charstore::makeBlock();
    charstore::block(b).Look = l;
    ref_ = kBlockBit | b;
}

uint32_t TextChar::copyBlock(const TextChar& from)
{
    const uint32_t b = charstore::makeBlock();
    try {
        charstore::block(b) = from.blk();
    } catch (...) {
        charstore::freeBlock(b);
        throw;
    }
    return kBlockBit | b;
}

void TextChar::assignSlow(const TextChar& o)
{
    if (o.holdsBlock()) {
        if (holdsBlock()) blk() = o.blk();
        else ref_ = copyBlock(o);
        return;
    }
    charstore::freeBlock(ref_ & kIndexMask);
    ref_ = o.ref_;
}

CharExtra& TextChar::extraMade()
{
    if (!holdsBlock()) {
        const CharLook l = Look();
        const uint32_t b = charstore::makeBlock();
        charstore::block(b).Look = l;
        ref_ = kBlockBit | b;
    }
    return blk().Extra;
}

void TextChar::dropBlockIfPlain()
{
    if (!holdsBlock() || !blk().Extra.unset()) return;
    const uint32_t id = charstore::intern(blk().Look);
    if (id >= charstore::kMaxLooks) return;
    charstore::freeBlock(ref_ & kIndexMask);
    ref_ = id;
}

} // namespace quillet
