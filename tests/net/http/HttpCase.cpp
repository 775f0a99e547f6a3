#include "tests/net/http/HttpCase.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
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

enum class Section { None, Client, Request, Reply, Parsed, Header, Outcome, Body, Download };

// The client's plain GET, as every download case sends it.
std::string PlainGet(std::string_view path) {
    return "GET " + std::string(path) +
           " HTTP/1.0\r\nHost: localhost\r\n"
           "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
           "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
           "Content-type: application/x-www-form-urlencoded\r\n\r\n";
}

std::string ReadFileOrThrow(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class CaseReader {
public:
    CaseReader(THttpCase& c, std::string productFolder) : case_(c), productFolder_(std::move(productFolder)) {}
    void Line(std::string_view raw);

private:
    void Open(std::string_view name);
    void KeyValue(std::map<std::string, std::string>& into, std::string_view line);
    std::string Bytes(std::string_view line);
    void ReplyLine(std::string_view line);
    // Reply bytes: sent, or trickled after a @trickle.
    void AppendSend(std::string bytes);
    std::string Product(const std::vector<std::string>& words);
    THttpPass& Pass();

    THttpCase& case_;
    std::string productFolder_;
    Section section_ = Section::None;
    bool newChunk_ = false;  // the next reply bytes start a send of their own
    int trickleMs_ = -1;     // >= 0: the next reply bytes trickle at this pace
};

std::string CaseReader::Product(const std::vector<std::string>& words) {
    if (words.size() < 2) throw std::runtime_error(words[0] + " <file>");
    if (productFolder_.empty()) {
        case_.UsesProduct = true;
        return {};
    }
    std::string bytes = ReadFileOrThrow(productFolder_ + "/" + words[1]);
    if (words.size() == 4 && words[2] == "as" && words[3].size() == 1) {
        bytes.assign(bytes.size(), words[3][0]);
    } else if (words.size() == 4 && words[2] == "flip") {
        const std::size_t at = static_cast<std::size_t>(ToInt(words[3]));
        if (at >= bytes.size()) throw std::runtime_error("flip past the file's end");
        bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    } else if (words.size() == 3) {
        const int n = ToInt(words[2]);
        const std::size_t keep = n >= 0 ? static_cast<std::size_t>(n) : bytes.size() - static_cast<std::size_t>(-n);
        if (keep > bytes.size()) throw std::runtime_error("more bytes than the file has");
        bytes.resize(keep);
    } else if (words.size() != 2) {
        throw std::runtime_error("@product <file> [<n> | flip <i> | as <c>]");
    }
    return bytes;
}

THttpPass& CaseReader::Pass() {
    if (case_.Passes.empty()) throw std::runtime_error("section outside a pass: start it with [request]");
    return case_.Passes.back();
}

void CaseReader::Open(std::string_view name) {
    static const std::map<std::string, Section, std::less<>> kSections = {
        {"client", Section::Client}, {"request", Section::Request},  {"reply", Section::Reply},
        {"parsed", Section::Parsed}, {"header", Section::Header},    {"outcome", Section::Outcome},
        {"body", Section::Body},     {"download", Section::Download}};
    const auto found = kSections.find(name);
    if (found == kSections.end()) throw std::runtime_error("unknown section [" + std::string(name) + "]");
    section_ = found->second;
    newChunk_ = false;
    trickleMs_ = -1;
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
    const std::string key(Trim(line.substr(0, colon)));
    static const std::set<std::string> kParsedKeys = {"reply-code", "bytes-expected", "location", "cookie"};
    if (section_ == Section::Parsed && !kParsedKeys.contains(key))
        throw std::runtime_error("unknown [parsed] key " + key);
    into[key] = Bytes(Trim(line.substr(colon + 1)));
}

std::string CaseReader::Bytes(std::string_view line) {
    if (line.starts_with("@repeat ")) {
        const auto words = Words(line);
        if (words.size() < 3) throw std::runtime_error("@repeat <count> <text>");
        // The text is the rest of the line after the count, spaces included.
        const std::string_view rest = Trim(line.substr(line.find(words[1], 8) + words[1].size()));
        const std::string unit = UnescapeCaseText(rest);
        const int count = ToInt(words[1]);
        std::string out;
        out.reserve(unit.size() * static_cast<std::size_t>(std::max(count, 0)));
        for (int i = count; i > 0; --i) out += unit;
        return out;
    }
    if (line.starts_with("@")) throw std::runtime_error("unknown directive " + std::string(line));
    return UnescapeCaseText(line);
}

void CaseReader::AppendSend(std::string bytes) {
    const auto kind = trickleMs_ >= 0 ? THttpAction::Trickle : THttpAction::Send;
    auto& reply = Pass().Reply;
    if (newChunk_ || reply.empty() || reply.back().What != kind) reply.push_back({kind, {}, std::max(trickleMs_, 0)});
    newChunk_ = false;
    reply.back().Bytes += bytes;
}

void CaseReader::ReplyLine(std::string_view line) {
    THttpPass& pass = Pass();
    auto& reply = pass.Reply;
    const auto words = Words(line);
    const std::string directive = !words.empty() && words[0].starts_with("@") ? words[0] : "";
    if (directive != "@chunk" && directive != "@repeat" && directive != "@product" && directive != "@product-length" &&
        !directive.empty()) {
        trickleMs_ = -1;
        newChunk_ = true;  // bytes after any directive go out on their own
    }
    if (directive == "@chunk") {
        newChunk_ = true;
    } else if (directive == "@delay" && words.size() == 2) {
        reply.push_back({THttpAction::Delay, {}, ToInt(words[1])});
    } else if (directive == "@trickle" && words.size() == 2) {
        trickleMs_ = ToInt(words[1]);
    } else if (directive == "@close") {
        reply.push_back({THttpAction::Close, {}, 0});
    } else if (directive == "@reset") {
        reply.push_back({THttpAction::Reset, {}, 0});
    } else if (directive == "@hold") {
        reply.push_back({THttpAction::Hold, {}, 0});
    } else if (directive == "@at-once") {
        if (!reply.empty()) throw std::runtime_error("@at-once must come first");
        pass.AtOnce = true;
    } else if (directive == "@serves" && words.size() == 2) {
        pass.Serves = ToInt(words[1]);
        if (pass.Serves < 1) throw std::runtime_error("@serves needs at least 1");
    } else if (directive == "@product-length" && (words.size() == 2 || words.size() == 3)) {
        const long long delta = words.size() == 3 ? std::stoll(words[2]) : 0;
        const std::string file = Product({words[0], words[1]});
        AppendSend("Content-Length: " + std::to_string(static_cast<long long>(file.size()) + delta) + "\r\n");
    } else if (directive == "@product-server") {
        reply.push_back({THttpAction::FileServer, Product(words), 0});
    } else if (directive == "@product") {
        AppendSend(Product(words));
    } else {
        AppendSend(Bytes(line));
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
    case Section::Download: KeyValue(case_.Download, raw); break;
    case Section::Request:
        if (trimmed == "@tls-hello") {
            Pass().Request.reset();
            Pass().TlsHello = true;
        } else if (trimmed.starts_with("@get ")) {
            *Pass().Request += PlainGet(Trim(trimmed.substr(5)));
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
        if (action.What == THttpAction::Close || action.What == THttpAction::Reset) break;
        if (action.What != THttpAction::FileServer) bytes += action.Bytes;
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

std::vector<THttpPass> THttpCase::Connections() const {
    std::vector<THttpPass> connections;
    for (const THttpPass& pass : Passes) connections.insert(connections.end(), pass.Serves, pass);
    return connections;
}

std::vector<THttpScript> THttpCase::Scripts() const {
    std::vector<THttpScript> scripts;
    for (const THttpPass& pass : Connections()) scripts.push_back(pass.Script());
    return scripts;
}

std::vector<std::optional<std::string>> THttpCase::ExpectedRequests() const {
    std::vector<std::optional<std::string>> requests;
    for (const THttpPass& pass : Connections()) requests.push_back(pass.AtOnce ? "" : pass.Request);
    return requests;
}

THttpCase LoadHttpCase(const std::string& path, const std::string& productFolder) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    THttpCase result;
    result.Name = std::filesystem::path(path).stem().string();
    CaseReader reader(result, productFolder);
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

std::vector<THttpCase> LoadHttpCases(const std::string& folder, const std::string& productFolder) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".case") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    std::vector<THttpCase> cases;
    for (const auto& p : paths) cases.push_back(LoadHttpCase(p, productFolder));
    return cases;
}

std::vector<std::string> Differences(const std::map<std::string, std::string>& stated,
                                     const std::map<std::string, std::string>& actual) {
    std::vector<std::string> differences;
    for (const auto& [key, value] : actual) {
        const auto found = stated.find(key);
        if (found != stated.end() && found->second != value)
            differences.push_back(key + ": stated " + found->second + ", actual " + value);
    }
    return differences;
}

std::string CaseTestName(const std::string& caseName) {
    std::string name = caseName;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
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
