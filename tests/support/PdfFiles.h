#pragma once
// Reading back what the PDF writer made: page streams inflated, the
// cross-reference table checked against the objects, and the poppler and
// qpdf command-line tools run over a file (tests skip when one is missing).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillet::test {

// The inflated content of every page stream, in page order.
std::vector<std::string> pdfPageStreams(const std::string& pdf);
// Empty when every xref entry points at its own "N 0 obj" line, startxref
// at "xref", and the trailer's size matches; else what is wrong.
std::string pdfStructureFault(const std::string& pdf);
// Whether a program is on the PATH.
bool haveTool(const std::string& name);
// Runs a shell command; its standard output, and the exit status in *status.
std::string runTool(const std::string& command, int* status = nullptr);
// A path quoted for the shell.
std::string shellQuote(const std::filesystem::path& p);

} // namespace quillet::test
