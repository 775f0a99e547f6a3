#pragma once
// HTTP test cases as data: one file per case, read by the native tests of the text functions and
// by the engine's Wine tests, which serve the reply bytes from an in-process loopback server.
//
// File format (text; "#" starts a comment line; blank lines are ignored outside byte sections):
//
//   [client]      "key: value" lines: the client's settings and the request it makes:
//                   kind (GET OPTIONS HEAD POST PUT PATCH COPY MOVE DELETE LINK UNLINK TRACE
//                   NOVERB), url, host, port (the values before the request), proxy,
//                   proxy-port, data, extra, user-agent, from, cookie, referer, user-id,
//                   password, proxy-user-id, proxy-password, input-file-mode,
//                   output-file-mode, encode-post-data (yes/no),
//                   time-out (the client's TimeOut in ms),
//                   handle-redirect (yes: OnRedirect sets Handled). Values are escaped text.
//   [request]     starts a pass: the exact bytes the client sends on it, escaped lines; or
//                 the line @tls-hello: the client opens TLS here (its hello is not compared,
//                 and the server answers it as soon as it has come). The text runner stops
//                 before such a pass: what follows is the engine's.
//   [reply]       what the server does on this pass once it has read the request: escaped
//                 byte lines and directives:
//                   @chunk          the bytes so far go out as one send; the rest follows
//                   @delay <ms>     wait before the next send
//                   @close          close the connection here (the reply is cut short)
//                   @repeat <n> <escaped text>   the text n times
//                 After the last line the server closes the connection.
//   [parsed]      "key: value": what reading this reply's header gives: reply-code,
//                 bytes-expected, location, cookie.
//   [header]      escaped lines: the header text of this reply as the client keeps it.
//   [outcome]     "key: value" for the whole request: reply-code, bytes-expected, current-url,
//                 host, port, request-path, events, exception (its message), connects (no when
//                 it fails before connecting), complete (yes/no: the last reply's header ended
//                 with its blank line and its body had the announced length).
//   [body]        escaped lines (and @repeat): the body the client stores.
//
// Escaped lines: every line's text is taken with the escapes \r \n \t \0 \\ \xHH, and the line
// break of the file itself is not part of the bytes. So "HTTP/1.0 200 OK\r\n" is one line.
//
// The cases name their server localhost:18080: the engine's tests serve there. A few URL cases
// lead to other ports on purpose (21, 70, 80, 8000; see their outcome "port"): a loopback server
// serves them only where it may listen on that port.
//
// events: the client's events in order, space-separated: AboutToSend InvalidHost HostResolved
// Connect ConnectionFailed PacketSent PacketRecvd Success Failure Disconnect Redirect
// AuthenticationNeeded. A "+" suffix means one or more in a row, "*" zero or more.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct THttpAction {
    enum Kind { Send, Delay, Close } What = Send;
    std::string Bytes;  // Send
    int Ms = 0;         // Delay
};

struct THttpPass {
    std::optional<std::string> Request;
    bool TlsHello = false;
    std::vector<THttpAction> Reply;
    std::map<std::string, std::string> Parsed;
    std::optional<std::string> Header;

    // Every byte the server sends on this pass, up to a @close.
    std::string ReplyBytes() const;
};

struct THttpCase {
    std::string Name;  // the file name without ".case"
    std::map<std::string, std::string> Client;
    std::vector<THttpPass> Passes;
    std::map<std::string, std::string> Outcome;
    std::optional<std::string> Body;

    std::string ClientValue(const std::string& key, const std::string& fallback = {}) const;
    bool ClientFlag(const std::string& key, bool fallback = false) const;
    std::optional<std::string> OutcomeValue(const std::string& key) const;
};

// Throws std::runtime_error naming the file and line for a malformed case.
THttpCase LoadHttpCase(const std::string& path);
// Every "*.case" file of the folder, in file-name order.
std::vector<THttpCase> LoadHttpCases(const std::string& folder);

// The escapes above; throws std::runtime_error for a bad escape.
std::string UnescapeCaseText(std::string_view text);
// Whether the actual events fit the expected pattern (see "events" above).
bool EventsMatch(const std::string& expected, const std::vector<std::string>& actual);
