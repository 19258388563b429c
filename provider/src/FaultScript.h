#pragma once
// A script of failures the provider stages on purpose, for tests and for anyone checking how a
// client meets them. Each rule names what it matches, what it does and how many times:
//
//   rule = MATCH | ACTION [| TIMES]
//
// MATCH is SERVICE/OPERATION of a SOAP call ("portal/createAccount"; "*" for either part), or
// [METHOD ]PATH of another request ("GET /download/*", "/files/list.xml"; a final "*" matches
// any rest). ACTION is one of:
//   delay MS            wait MS milliseconds (0 to 600000), then answer as usual
//   close               close the connection without an answer
//   fault CODE TEXT     SOAP calls: answer the fault SOAP-ENV:CODE ("Client.InsufficientSlots")
//                       with TEXT
//   truncate BYTES      GETs of files: send the full length, then only BYTES of the body
//   wrong-md5           GETs of files: send an X-Quorvel-MD5 that does not match the body
//   no-answer           uploads: take the whole file, keep nothing and close the connection
//                       without an answer (a server that fails after the bytes arrived);
//                       SOAP calls: carry the operation out, then close the connection
//                       without its answer (a reply lost on the way)
//   redirect-self       locator/getDirectoryContents: send the client back to the same path
//                       on the host it asked
//   bad-token KIND      portal/getRegistrationToken: a token whose picture is spoiled, KIND
//                       being not-png (bytes of no PNG), truncated (a PNG cut short), missing
//                       (no picture at all) or too-large (a PNG of TOO_LARGE_TOKEN_SIDE pixels
//                       square: small as a file, huge once decoded)
// TIMES is how often the rule fires (default: every time). Rules are tried in order; the first
// matching one with firings left fires. A script file holds such lines (a "[faults]" header,
// blank lines and "#" or ";" comments allowed); the configuration's [faults] section the same.
//
// Threads: the rules are fixed once made; fire() from any thread.

#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace Provider {

class FaultScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FaultScript {
public:
    struct Action {
        enum Kind { Delay, Close, Fault, Truncate, WrongMd5, RedirectSelf, BadToken, NoAnswer };
        enum Token { NotPng, TruncatedPng, MissingPicture, TooLargePicture };
        Kind kind;
        // How a bad token is spoiled.
        Token token = NotPng;
        // Milliseconds of a delay, bytes of a truncation.
        uint64_t amount = 0;
        // SOAP fault code without its "SOAP-ENV:" and text.
        std::string code;
        std::string text;
        // As written in the rule, for the journal and the log.
        std::string description;
    };
    // The side of the picture a "bad-token too-large" sends.
    static constexpr int TOO_LARGE_TOKEN_SIDE = 4096;

    struct Rule {
        bool soap = true;
        std::string service;
        std::string operation;
        std::string method;
        std::string path;
        Action action;
        // 0: every time.
        uint64_t times = 0;
    };

    // The rule of one "MATCH | ACTION [| TIMES]" value. Throws FaultScriptError naming the
    // mistake.
    static Rule parseRule(const std::string& value);
    // The rules of a script file's text; mistakes name their line. Throws FaultScriptError.
    static std::vector<Rule> parse(const std::string& text);
    // The rules of a script file. Throws FaultScriptError.
    static std::vector<Rule> load(const std::string& path);

    explicit FaultScript(std::vector<Rule> rules = {});

    // The action of the first rule that matches a SOAP call, or a request by method and path,
    // and has firings left; counts the firing.
    std::optional<Action> fire(const std::string& service, const std::string& operation);
    std::optional<Action> fireForPath(const std::string& method, const std::string& path);
    // How often rule `index` has fired.
    uint64_t firings(size_t index) const;
    size_t size() const { return m_rules.size(); }

private:
    std::optional<Action> fireFirst(bool soap, const std::string& first, const std::string& second);

    std::vector<Rule> m_rules;
    // Guards m_firings.
    mutable std::mutex m_mutex;
    std::vector<uint64_t> m_firings;
};

} // namespace Provider
