// Writes the template every new document is loaded from: a new document
// window's document with the standard styles, saved by the program's own
// writer so the template always matches the reader of the same build.
//
// Usage: normal_qdm <program folder> <output file>

#include "engine/Childwin.h"
#include "formats/StandardServices.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: normal_qdm <program folder> <output file>\n");
        return 2;
    }
    quillet::FrameState frame = quillet::StandardFrameState();
    frame.ProgDir = argv[1];
    quillet::TMDIChild w(frame);
    // What a new window adds to its empty document before it would load
    // the template; loading it here would make the template depend on the
    // previous build's.
    w.CreateStandartVorlagen();
    frame.KeepName = 1;
    return w.SaveQDTFile(argv[2]) ? 0 : 1;
}
