#include "tests/net/http/HttpCase.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::vector<std::string> Words(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

int ToInt(const std::string& text) {
    std::size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used != text.size()) throw std::runtime_error("not a number: " + text);
    return value;
}

enum class Section { None, Client, Request, Reply, Parsed, Header, Outcome, Body };

class CaseReader {
public:
    explicit CaseReader(THttpCase& c) : case_(c) {}
    void Line(std::string_view raw);

private:
    void Open(std::string_view name);
    void KeyValue(std::map<std::string, std::string>& into, std::string_view line);
    std::string Bytes(std::string_view line);
    void ReplyLine(std::string_view line);
    THttpPass& Pass();

    THttpCase& case_;
    Section section_ = Section::None;
    bool newChunk_ = false;  // the next reply bytes start a send of their own
};

THttpPass& CaseReader::Pass() {
    if (case_.Passes.empty()) throw std::runtime_error("section outside a pass: start it with [request]");
    return case_.Passes.back();
}

void CaseReader::Open(std::string_view name) {
    static const std::map<std::string, Section, std::less<>> kSections = {
        {"client", Section::Client}, {"request", Section::Request}, {"reply", Section::Reply},
        {"parsed", Section::Parsed}, {"header", Section::Header}, {"outcome", Section::Outcome},
        {"body", Section::Body}};
    const auto found = kSections.find(name);
    if (found == kSections.end()) throw std::runtime_error("unknown section [" + std::string(name) + "]");
    section_ = found->second;
    newChunk_ = false;
    if (section_ == Section::Request) case_.Passes.emplace_back().Request = std::string();
    if (section_ == Section::Header) Pass().Header = std::string();
    if (section_ == Section::Reply || section_ == Section::Parsed) Pass();
    if (section_ == Section::Body) case_.Body = std::string();
}

void CaseReader::KeyValue(std::map<std::string, std::string>& into, std::string_view line) {
    line = Trim(line);
    if (line.empty()) return;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) throw std::runtime_error("expected \"key: value\"");
    into[std::string(Trim(line.substr(0, colon)))] = UnescapeCaseText(Trim(line.substr(colon + 1)));
}

std::string CaseReader::Bytes(std::string_view line) {
    if (line.starts_with("@repeat ")) {
        const auto words = Words(line);
        if (words.size() < 3) throw std::runtime_error("@repeat <count> <text>");
        const std::string unit = UnescapeCaseText(words[2]);
        std::string out;
        for (int i = ToInt(words[1]); i > 0; --i) out += unit;
        return out;
    }
    if (line.starts_with("@")) throw std::runtime_error("unknown directive " + std::string(line));
    return UnescapeCaseText(line);
}

void CaseReader::ReplyLine(std::string_view line) {
    auto& reply = Pass().Reply;
    const auto words = Words(line);
    if (!words.empty() && words[0] == "@chunk") {
        newChunk_ = true;
    } else if (!words.empty() && words[0] == "@delay" && words.size() == 2) {
        reply.push_back({THttpAction::Delay, {}, ToInt(words[1])});
    } else if (!words.empty() && words[0] == "@close") {
        reply.push_back({THttpAction::Close, {}, 0});
    } else {
        std::string bytes = Bytes(line);
        if (newChunk_ || reply.empty() || reply.back().What != THttpAction::Send)
            reply.push_back({THttpAction::Send, {}, 0});
        newChunk_ = false;
        reply.back().Bytes += bytes;
    }
}

void CaseReader::Line(std::string_view raw) {
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    if (raw.starts_with("#")) return;
    const std::string_view trimmed = Trim(raw);
    if (trimmed.starts_with("[") && trimmed.ends_with("]")) {
        Open(trimmed.substr(1, trimmed.size() - 2));
        return;
    }
    switch (section_) {
    case Section::None:
        if (!trimmed.empty()) throw std::runtime_error("text before the first section");
        break;
    case Section::Client: KeyValue(case_.Client, raw); break;
    case Section::Parsed: KeyValue(Pass().Parsed, raw); break;
    case Section::Outcome: KeyValue(case_.Outcome, raw); break;
    case Section::Request:
        if (trimmed == "@tls-hello") {
            Pass().Request.reset();
            Pass().TlsHello = true;
        } else {
            *Pass().Request += Bytes(raw);
        }
        break;
    case Section::Header: *Pass().Header += Bytes(raw); break;
    case Section::Body: *case_.Body += Bytes(raw); break;
    case Section::Reply: ReplyLine(raw); break;
    }
}

}  // namespace

std::string UnescapeCaseText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) throw std::runtime_error("escape at the end of a line");
        switch (text[i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            const int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (hi < 0 || lo < 0) throw std::runtime_error("\\x needs two hexadecimal digits");
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default: throw std::runtime_error(std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

std::string THttpPass::ReplyBytes() const {
    std::string bytes;
    for (const auto& action : Reply) {
        if (action.What == THttpAction::Close) break;
        bytes += action.Bytes;
    }
    return bytes;
}

std::string THttpCase::ClientValue(const std::string& key, const std::string& fallback) const {
    const auto found = Client.find(key);
    return found == Client.end() ? fallback : found->second;
}

bool THttpCase::ClientFlag(const std::string& key, bool fallback) const {
    const auto found = Client.find(key);
    return found == Client.end() ? fallback : found->second == "yes";
}

std::optional<std::string> THttpCase::OutcomeValue(const std::string& key) const {
    const auto found = Outcome.find(key);
    if (found == Outcome.end()) return std::nullopt;
    return found->second;
}

THttpCase LoadHttpCase(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    THttpCase result;
    result.Name = std::filesystem::path(path).stem().string();
    CaseReader reader(result);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        try {
            reader.Line(line);
        } catch (const std::exception& e) {
            throw std::runtime_error(path + ":" + std::to_string(number) + ": " + e.what());
        }
    }
    return result;
}

std::vector<THttpCase> LoadHttpCases(const std::string& folder) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".case") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    std::vector<THttpCase> cases;
    for (const auto& p : paths) cases.push_back(LoadHttpCase(p));
    return cases;
}

bool EventsMatch(const std::string& expected, const std::vector<std::string>& actual) {
    const auto pattern = Words(expected);
    // Small patterns and event lists: a plain backtracking match is enough.
    auto match = [&](auto&& self, std::size_t p, std::size_t a) -> bool {
        if (p == pattern.size()) return a == actual.size();
        std::string name = pattern[p];
        const char last = name.back();
        const bool many = last == '+' || last == '*';
        if (many) name.pop_back();
        if (!many) return a < actual.size() && actual[a] == name && self(self, p + 1, a + 1);
        std::size_t run = 0;
        while (a + run < actual.size() && actual[a + run] == name) ++run;
        for (std::size_t take = run + 1; take-- > (last == '+' ? 1u : 0u);)
            if (self(self, p + 1, a + take)) return true;
        return false;
    };
    return match(match, 0, 0);
}
