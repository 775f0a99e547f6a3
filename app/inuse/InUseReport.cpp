#include "app/inuse/InUseReport.h"

#include "i18n/MessageText.h"

#include <algorithm>

namespace inuse {
namespace {

// A program holding several of the files, or running twice, is named once in the box.
std::vector<std::string> ProgramNames(const TFilesInUse& found) {
    std::vector<std::string> names;
    for (const TProgram& program : found.Programs)
        if (!program.Name.empty() && std::find(names.begin(), names.end(), program.Name) == names.end())
            names.push_back(program.Name);
    return names;
}

}  // namespace

std::string DescribeForLog(const TFilesInUse& found) {
    std::string text = "Files in use: ";
    for (std::size_t i = 0; i < found.Files.size(); ++i) text += (i ? ", " : "") + found.Files[i];
    for (std::size_t i = 0; i < found.Programs.size(); ++i) {
        const TProgram& program = found.Programs[i];
        text += (i ? ", " : "; by ") + (program.Name.empty() ? std::string("a program") : program.Name) + " (process " +
                std::to_string(program.ProcessId) + ")";
    }
    return text;
}

// Appended piece by piece: GCC 12 takes "literal" + string&& for an overlapping copy.
std::string BoxText(const TFilesInUse& found, TextId lead) {
    std::string text = TranslatedUtf8(lead);
    const auto line = [&text](const std::string& words) { text.append(words).append("\n"); };
    text += "\n\n";
    for (const std::string& file : found.Files) line(file);
    const std::vector<std::string> names = ProgramNames(found);
    if (!names.empty()) {
        text += "\n";
        line(TranslatedUtf8(kTextInUsePrograms));
        for (const std::string& name : names) line(name);
    }
    return text.append("\n").append(TranslatedUtf8(kTextInUseAdvice));
}

}  // namespace inuse
