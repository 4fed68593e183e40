// The file dialogs' choices follow the readers and writers this build has,
// and the place of a choice in the list maps back to its format code.
#include "app/FileFilters.h"
#include "formats/OpenSave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace quillet;

namespace {

struct HandlersScope {
    FormatHandlers Saved = formatHandlers();
    ~HandlersScope() { formatHandlers() = Saved; }
};

struct Case {
    const char* name;
    bool readRtf, writeRtf, openWord;
    const char* open;
    std::vector<int32_t> openCodes;
    const char* save;
    std::vector<int32_t> saveCodes;
};

const std::vector<Case> kCases = {
    {"nothing registered", false, false, false,
     "Vellum-Script files (*.qdt)|*.qdt|Text files (*.txt)|*.txt|Text files DOS (*.txt)|*.txt|"
     "All documents|*.qdt;*.htm;*.html;*.txt|All files (*.*)|*.*",
     {ofNative, ofText, ofTextDos, ofAllDocuments, ofAllFiles},
     "Vellum-Script files (*.qdt)|*.qdt|Text files (*.txt)|*.txt|Text files DOS (*.txt)|*.txt",
     {sfNative, sfText, sfTextDos}},
    {"RTF reader only", true, false, false,
     "Vellum-Script files (*.qdt)|*.qdt|Rich Text files (*.rtf)|*.rtf|Text files (*.txt)|*.txt|"
     "Text files DOS (*.txt)|*.txt|All documents|*.qdt;*.rtf;*.htm;*.html;*.txt|All files (*.*)|*.*",
     {ofNative, ofRtf, ofText, ofTextDos, ofAllDocuments, ofAllFiles},
     "Vellum-Script files (*.qdt)|*.qdt|Text files (*.txt)|*.txt|Text files DOS (*.txt)|*.txt",
     {sfNative, sfText, sfTextDos}},
    {"RTF writer and Word reader", false, true, true,
     "Vellum-Script files (*.qdt)|*.qdt|Word files (*.doc)|*.doc|Text files (*.txt)|*.txt|"
     "Text files DOS (*.txt)|*.txt|All documents|*.doc;*.qdt;*.htm;*.html;*.txt|All files (*.*)|*.*",
     {ofNative, ofWord, ofText, ofTextDos, ofAllDocuments, ofAllFiles},
     "Vellum-Script files (*.qdt)|*.qdt|Rich Text files (*.rtf)|*.rtf|Text files (*.txt)|*.txt|"
     "Text files DOS (*.txt)|*.txt",
     {sfNative, sfRtf, sfText, sfTextDos}},
    {"everything", true, true, true,
     "Vellum-Script files (*.qdt)|*.qdt|Word files (*.doc)|*.doc|Rich Text files (*.rtf)|*.rtf|"
     "Text files (*.txt)|*.txt|Text files DOS (*.txt)|*.txt|All documents|*.doc;*.qdt;*.rtf;*.htm;*.html;*.txt|"
     "All files (*.*)|*.*",
     {ofNative, ofWord, ofRtf, ofText, ofTextDos, ofAllDocuments, ofAllFiles},
     "Vellum-Script files (*.qdt)|*.qdt|Rich Text files (*.rtf)|*.rtf|Text files (*.txt)|*.txt|"
     "Text files DOS (*.txt)|*.txt",
     {sfNative, sfRtf, sfText, sfTextDos}},
};

// Every shown choice maps to its code and back; a code not shown has no
// place, and a place outside the list gives the fallback.
void expectRoundTrip(const std::vector<FileFilterChoice>& choices, const std::vector<int32_t>& codes,
                     int32_t lastCode, const char* name)
{
    std::vector<int32_t> shown;
    for (const FileFilterChoice& c : choices) shown.push_back(c.Code);
    EXPECT_EQ(shown, codes) << name;
    for (int32_t code = 0; code <= lastCode; ++code) {
        const int32_t index = shownIndexOfCode(choices, code);
        const bool offered = std::find(codes.begin(), codes.end(), code) != codes.end();
        EXPECT_EQ(index > 0, offered) << name << " code " << code;
        if (offered) {
            EXPECT_EQ(codeAtShownIndex(choices, index, -1), code) << name << " code " << code;
        }
    }
    EXPECT_EQ(codeAtShownIndex(choices, 0, -1), -1) << name;
    EXPECT_EQ(codeAtShownIndex(choices, int32_t(choices.size()) + 1, -1), -1) << name;
}

} // namespace

TEST(FileDialogChoices, OfferWhatIsRegisteredAndMapTheirPlacesToFormatCodes)
{
    HandlersScope restore;
    for (const Case& c : kCases) {
        FormatHandlers h;
        if (c.readRtf) h.ReadRtf = [](TMDIChild&, const std::vector<uint8_t>&) { return 0; };
        if (c.writeRtf) h.WriteRtf = [](TMDIChild&, std::string&) { return true; };
        if (c.openWord) h.OpenWord = [](TMDIChild&, const std::string&) { return true; };
        formatHandlers() = h;

        const std::vector<FileFilterChoice> open = openFilterChoices();
        EXPECT_EQ(filterString(open), c.open) << c.name;
        expectRoundTrip(open, c.openCodes, ofAllFiles, c.name);
        EXPECT_EQ(qtNameFilters(filterString(open)).size(), qsizetype(open.size())) << c.name;

        const std::vector<FileFilterChoice> save = saveFilterChoices();
        EXPECT_EQ(filterString(save), c.save) << c.name;
        expectRoundTrip(save, c.saveCodes, sfTextDos, c.name);
    }
}
