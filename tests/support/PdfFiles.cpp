#include "tests/support/PdfFiles.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace quillet::test {

std::vector<std::string> pdfPageStreams(const std::string& pdf)
{
    std::vector<std::string> pages;
    size_t at = 0;
    const std::string head = "/Filter /FlateDecode >>\nstream\n";
    while ((at = pdf.find(head, at)) != std::string::npos) {
        const size_t begin = at + head.size();
        const size_t end = pdf.find("\nendstream", begin);
        if (end == std::string::npos) break;
        std::string out(1 << 20, '\0');
        uLongf size = uLongf(out.size());
        for (;;) {
            size = uLongf(out.size());
            const int r = uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                                     reinterpret_cast<const Bytef*>(pdf.data() + begin), uLong(end - begin));
            if (r != Z_BUF_ERROR || out.size() > (size_t(1) << 28)) {
                if (r != Z_OK) size = 0;
                break;
            }
            out.resize(out.size() * 4);
        }
        out.resize(size);
        pages.push_back(out);
        at = end;
    }
    return pages;
}

std::string pdfStructureFault(const std::string& pdf)
{
    const size_t sx = pdf.rfind("startxref\n");
    if (sx == std::string::npos) return "no startxref";
    const size_t xref = std::strtoull(pdf.c_str() + sx + 10, nullptr, 10);
    if (pdf.compare(xref, 5, "xref\n") != 0) return "startxref does not point at xref";
    size_t pos = xref + 5;
    const int count = std::atoi(pdf.c_str() + pos + 2);
    pos = pdf.find('\n', pos) + 1;
    for (int i = 0; i < count; ++i, pos += 20) {
        if (pos + 20 > pdf.size() || pdf[pos + 19] != '\n') return "entry " + std::to_string(i) + " is not 20 bytes";
        const size_t off = std::strtoull(pdf.c_str() + pos, nullptr, 10);
        if (i == 0) {
            if (pdf.compare(pos, 20, "0000000000 65535 f \n") != 0) return "entry 0 is not the free one";
            continue;
        }
        const std::string line = std::to_string(i) + " 0 obj\n";
        if (pdf.compare(off, line.size(), line) != 0) return "entry " + std::to_string(i) + " misses its object";
    }
    if (pdf.find("/Size " + std::to_string(count) + "\n", pos) == std::string::npos) return "trailer size";
    return {};
}

bool haveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string runTool(const std::string& command, int* status)
{
    std::string out;
    FILE* f = ::popen(command.c_str(), "r");
    if (!f) {
        if (status) *status = -1;
        return out;
    }
    char buf[4096];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
    const int rc = ::pclose(f);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

std::string shellQuote(const std::filesystem::path& p)
{
    std::string out = "'";
    for (const char c : p.string()) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

} // namespace quillet::test
