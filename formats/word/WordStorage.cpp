// libgsf stays inside this file: the readers work on plain byte vectors.

#include "formats/word/WordStorage.h"

#include "platform/ByteIO.h"
#include "platform/Win1252.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <mutex>

namespace quillet::word {

namespace {

// Whether the directory's root entry names a sibling. No writer makes such
// a file, and the storage library builds the sibling's entry anyway and
// then loses it, so such a file is refused before it reaches the library.
// Where the entry cannot be found the library refuses the file itself.
bool rootNamesSibling(const uint8_t* data, size_t size)
{
    ByteReader in(data, size);
    in.seek(0x1E);
    const uint16_t shift = in.u16();
    in.seek(0x30);
    const uint32_t firstDirectorySector = in.u32();
    if (!in || shift > 31) return false;
    // Sectors are counted from the end of the header, which takes at least
    // 512 bytes and otherwise one whole sector.
    const uint64_t sectorSize = uint64_t(1) << shift;
    const uint64_t root = std::max<uint64_t>(512, sectorSize) + (uint64_t(firstDirectorySector) << shift);
    if (root > size || size - root < 0x4C) return false;
    in.seek(size_t(root) + 0x44);
    const uint32_t left = in.u32();
    const uint32_t right = in.u32();
    // 0 is the root itself, and from 0xFFFFFFFA up the ids are markers.
    auto isEntry = [](uint32_t id) { return id != 0 && id < 0xFFFFFFFAu; };
    return in && (isEntry(left) || isEntry(right));
}

} // namespace

struct CompoundFile::Handles {
    GsfInput* Source = nullptr;
    GsfInfile* Root = nullptr;
    ~Handles()
    {
        if (Root) g_object_unref(Root);
        if (Source) g_object_unref(Source);
    }
};

CompoundFile::~CompoundFile() = default;

std::unique_ptr<CompoundFile> CompoundFile::open(const uint8_t* data, size_t size)
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
    if (!data || size == 0 || rootNamesSibling(data, size)) return nullptr;
    std::unique_ptr<CompoundFile> f(new CompoundFile);
    f->FileSize = size;
    f->H = std::make_unique<Handles>();
    f->H->Source = gsf_input_memory_new(data, gsf_off_t(size), FALSE);
    if (!f->H->Source) return nullptr;
    GError* err = nullptr;
    f->H->Root = gsf_infile_msole_new(f->H->Source, &err);
    if (err) g_error_free(err);
    if (!f->H->Root) return nullptr;
    return f;
}

bool CompoundFile::readStream(std::string_view name, std::vector<uint8_t>& out) const
{
    out.clear();
    const std::string wanted = asciiLower(name);
    const int n = gsf_infile_num_children(H->Root);
    for (int i = 0; i < n; ++i) {
        const char* childName = gsf_infile_name_by_index(H->Root, i);
        if (!childName || asciiLower(childName) != wanted) continue;
        GsfInput* child = gsf_infile_child_by_index(H->Root, i);
        if (!child) return false;
        bool ok = false;
        const gsf_off_t size = gsf_input_size(child);
        if (size >= 0 && uint64_t(size) <= FileSize) {
            out.resize(size_t(size));
            ok = size == 0 || gsf_input_read(child, size_t(size), out.data()) != nullptr;
        }
        g_object_unref(child);
        if (!ok) out.clear();
        return ok;
    }
    return false;
}

} // namespace quillet::word
