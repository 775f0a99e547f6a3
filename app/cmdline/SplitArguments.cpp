#include "app/cmdline/SplitArguments.h"

namespace cmdline {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Where the arguments start: past the program's name.
size_t SkipProgramName(std::wstring_view line) {
    if (!line.empty() && line.front() == L'"') {
        const size_t close = line.find(L'"', 1);
        return close == std::wstring_view::npos ? line.size() : close + 1;
    }
    size_t i = 0;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    return i;
}

}  // namespace

std::vector<std::wstring> SplitArguments(std::wstring_view line) {
    std::vector<std::wstring> arguments;
    size_t i = SkipProgramName(line);
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::wstring argument;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            const wchar_t c = line[i];
            if (c == L'\\') {
                size_t count = 0;
                while (i < line.size() && line[i] == L'\\') ++count, ++i;
                const bool beforeQuote = i < line.size() && line[i] == L'"';
                const bool endsArgument = beforeQuote && (i + 1 == line.size() || IsBlank(line[i + 1]));
                if (endsArgument) {
                    argument.append((count + 1) / 2, L'\\');
                    ++i;
                    quoted = false;
                } else {
                    argument.append(beforeQuote ? count / 2 : count, L'\\');
                    if (beforeQuote && count % 2 == 1) argument += line[i++];
                }
            } else if (c == L'"') {
                ++i;
                if (quoted && i < line.size() && line[i] == L'"') {
                    // The pair is a literal quote that also ends the quoted part.
                    argument += L'"';
                    ++i;
                    quoted = false;
                } else {
                    quoted = !quoted;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

bool HasSilentToken(std::wstring_view line) {
    size_t i = SkipProgramName(line);
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        std::wstring token;
        for (; i < line.size() && !IsBlank(line[i]); ++i)
            if (line[i] != L'"') token += line[i];
        if (token == L"/S" || token == L"/s" || token == L"-S" || token == L"-s") return true;
    }
    return false;
}

std::wstring QuoteArgument(std::wstring_view argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    // Doubled before the closing quote, so that they stay backslashes.
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace cmdline
