#pragma once
// Files for tests that read and write real ones: a fresh folder per test
// under the test output, whole-file reads and writes, and message boxes that
// record their texts instead of showing them.

#include "platform/MessageBox.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::test {

// outputDir()/group/<name of the running test>, emptied and created. What a
// test wrote stays there until the test runs again.
std::filesystem::path freshTestDir(std::string_view group);

// The whole file as bytes; empty when it cannot be read.
std::string readAll(const std::filesystem::path& p);
// Replaces the file's content by `bytes`.
void writeAll(const std::filesystem::path& p, std::string_view bytes);

// Records the text of every box and answers OK. Install it with
// setMessageBoxes.
struct RecordingBoxes : MessageBoxes {
    std::vector<std::string> texts;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        texts.emplace_back(text);
        return MsgResult::Ok;
    }
};

} // namespace quillet::test
