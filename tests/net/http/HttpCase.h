#pragma once
// HTTP test cases as data: one file per case, read by the native tests of the text functions, by
// the engine's Wine tests and by the wizard's download sequence (cases with [download]); both
// Wine runners play the server's side with the one scripted loopback server, TCaseServer.
//
// File format (text; "#" starts a comment line; blank lines are ignored outside byte sections):
//
//   [client]      "key: value" lines: the client's settings and the request it makes:
//                   kind (GET OPTIONS HEAD POST PUT PATCH COPY MOVE DELETE LINK UNLINK TRACE
//                   NOVERB), url, host, port (the values before the request), proxy,
//                   proxy-port, data, extra, user-agent, from, cookie, referer, user-id,
//                   password, proxy-user-id, proxy-password, input-file-mode,
//                   output-file-mode, encode-post-data (yes/no), body-file (with
//                   input-file-mode: the file the body goes to; default a fresh one),
//                   data-file (with output-file-mode and no data: the file sent),
//                   time-out (the client's TimeOut in ms),
//                   handle-redirect (yes: OnRedirect sets Handled), again (yes: the host
//                   makes the same request a second time, with what the first left in the
//                   client), credentials-on-401 (user:password, which OnAuthenticationNeeded
//                   sets), abort-after (ms: the host calls Abort from a timer in the wait). Values, here and in the other "key: value" sections, are
//                   escaped text or "@repeat <n> <text>".
//   [request]     starts a pass: the exact bytes the client sends on it, escaped lines; or
//                 the line @tls-hello: the client opens TLS here (its hello is not compared,
//                 and the server answers it as soon as it has come). The text runner stops
//                 before such a pass: what follows is the engine's. "@get <path>" stands
//                 for the client's plain GET of that path to localhost.
//   [reply]       what the server does on this pass once it has read the request: escaped
//                 byte lines and directives:
//                   @chunk          the bytes so far go out as one send; the rest follows
//                   @delay <ms>     wait before the next send
//                   @trickle <ms>   the bytes that follow (to the next directive) go out one
//                                   byte every <ms>
//                   @close          close the connection here (the reply is cut short)
//                   @reset          end the connection here with a TCP reset
//                   @hold           send nothing more and keep the connection open until the
//                                   client closes it (a peer that never answers or never ends)
//                   @at-once        first line only: act as soon as the connection is taken,
//                                   without reading the request (it is recorded as empty)
//                   @serves <n>     this pass answers the next n connections alike (each
//                                   sends the pass's request); the last pass of a case also
//                                   answers any connection after it
//                   @repeat <n> <escaped text>   the text (the rest of the line) n times
//                   @product <file> [<n> | flip <i> | as <c>]   the bytes of one of the
//                                   product's published files: all; the first n, or all but the
//                                   last -n; all with byte i changed; as many bytes c
//                   @product-length <file> [<+-n>]   "Content-Length: N\r\n" for that file's
//                                   size, plus n
//                   @product-server <file>   answers as a file server that knows ranges: the
//                                   file with a 200, or from byte N with a 206 to "Range:
//                                   bytes=N-"
//                 After the last line the server closes the connection.
//   [parsed]      "key: value": what reading this reply's header gives: reply-code,
//                 bytes-expected, location, cookie.
//   [header]      escaped lines: the header text of this reply as the client keeps it.
//   [outcome]     "key: value" for the whole request: reply-code, bytes-expected,
//                 has-content-length (yes/no), current-url, host, port, request-path, events, exception (its message; "a | b" either,
//                 where the misbehaviour races the client; "(none)": no exception), connects (no when
//                 it fails before connecting), complete (yes/no: the last reply's header ended
//                 with its blank line and its body had the announced length), connections
//                 (how many the engine makes, where the download sequence retries: by
//                 default one per pass), redirects (how many Redirect events),
//                 header-size-at-most (the header text the client keeps), takes-at-most
//                 (ms: a bound that ends the request must end it soon), text-runner (skip:
//                 what decides the case happens on the connection - a reset, a time-out, a
//                 refused port, a bound the socket keeps - so the text functions cannot
//                 play it).
//   [body]        escaped lines (and @repeat): the body the client stores.
//   [download]    "key: value": the wizard's download sequence against this case. The passes
//                 answer the requests for one of the four files, the others are served whole:
//                   file        the file the passes answer (default: the one the url names);
//                               the passes also answer where they redirect it
//                   installed   yes: the product is installed; no: an error, nothing installed
//                   error       words the error box shows
//                   requests    how many requests for that file (retries included)
//                   ranges      per request for that file: its "Range:" value, or - for none
//                   inactivity-time-out   the sequence's TimeOut in ms (default its own)
//                   real-back-offs        yes: the sequence's own pauses between attempts
//                                         (default: 20 ms each, to keep the runs short)
//                   takes-at-least        the least time the sequence may take, in ms
//                   resumed     yes: the server sends little more than the file once
//                   exit        the exit code the run reports
//                   kept        what an earlier run left of the file in the download cache:
//                               <n> its first n bytes, all the whole file; "<n> as <c>" or
//                               "all as <c>": as many bytes <c> instead
//
// Escaped lines: every line's text is taken with the escapes \r \n \t \0 \\ \xHH, and the line
// break of the file itself is not part of the bytes. So "HTTP/1.0 200 OK\r\n" is one line.
//
// The cases name their server localhost:18080: the engine's tests serve there. 18081 stands
// for a loopback port where nothing listens. A few URL cases
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
    enum Kind { Send, Delay, Trickle, Close, Reset, Hold, FileServer } What = Send;
    std::string Bytes;  // Send, Trickle; FileServer: the whole file
    int Ms = 0;         // Delay, Trickle (per byte)
};

// What the server does on one connection.
struct THttpScript {
    bool AtOnce = false;  // acts before the request is read
    std::vector<THttpAction> Actions;
};

struct THttpPass {
    std::optional<std::string> Request;
    bool TlsHello = false;
    std::vector<THttpAction> Reply;
    bool AtOnce = false;
    int Serves = 1;
    std::map<std::string, std::string> Parsed;
    std::optional<std::string> Header;

    // Every byte the server sends on this pass, up to a @close or @reset.
    std::string ReplyBytes() const;
    THttpScript Script() const { return {AtOnce, Reply}; }
};

struct THttpCase {
    std::string Name;  // the file name without ".case"
    std::map<std::string, std::string> Client;
    std::vector<THttpPass> Passes;
    std::map<std::string, std::string> Outcome;
    std::optional<std::string> Body;
    std::map<std::string, std::string> Download;
    bool UsesProduct = false;  // and no product folder was given: its bytes are missing

    // The passes once for every connection each serves (@serves expanded).
    std::vector<THttpPass> Connections() const;
    // One script per connection the case expects, in order.
    std::vector<THttpScript> Scripts() const;
    // The request each of those connections sends, where the case states it.
    std::vector<std::optional<std::string>> ExpectedRequests() const;

    std::string ClientValue(const std::string& key, const std::string& fallback = {}) const;
    bool ClientFlag(const std::string& key, bool fallback = false) const;
    std::optional<std::string> OutcomeValue(const std::string& key) const;
};

// Throws std::runtime_error naming the file and line for a malformed case. @product takes the
// product's files from productFolder; without one such a case loads with UsesProduct set.
THttpCase LoadHttpCase(const std::string& path, const std::string& productFolder = {});
// Every "*.case" file of the folder, in file-name order.
std::vector<THttpCase> LoadHttpCases(const std::string& folder, const std::string& productFolder = {});

// The escapes above; throws std::runtime_error for a bad escape.
std::string UnescapeCaseText(std::string_view text);
// Whether the actual events fit the expected pattern (see "events" above).
bool EventsMatch(const std::string& expected, const std::vector<std::string>& actual);
// "key: stated x, actual y" for every key of `actual` whose value the case states otherwise.
std::vector<std::string> Differences(const std::map<std::string, std::string>& stated,
                                     const std::map<std::string, std::string>& actual);

// A case's test name for GoogleTest: its file name with '_' for what is not a letter or digit.
std::string CaseTestName(const std::string& caseName);
struct CaseTestNamer {
    template <class ParamInfo>
    std::string operator()(const ParamInfo& info) const {
        return CaseTestName(info.param.Name);
    }
};
