#include "FaultScript.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "ConfigText.h"

namespace Provider {

namespace {

const uint64_t MAX_DELAY_MS = 600000;

uint64_t count(const std::string& text, uint64_t maximum, const std::string& what)
{
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        throw FaultScriptError(what + " needs a whole number: " + text);
    const uint64_t value = std::stoull(text);
    if (value > maximum)
        throw FaultScriptError(what + " may be at most " + std::to_string(maximum));
    return value;
}

// "x*" matches anything that begins with "x"; "*" matches anything.
bool matches(const std::string& pattern, const std::string& text)
{
    if (!pattern.empty() && pattern.back() == '*')
        return text.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return pattern == text;
}

FaultScript::Action parseAction(const std::string& text)
{
    std::istringstream in(text);
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in, rest);
    rest = ConfigText::trim(rest);
    FaultScript::Action action;
    action.kind = FaultScript::Action::Close;
    action.description = text;
    if (word == "delay") {
        action.kind = FaultScript::Action::Delay;
        action.amount = count(rest, MAX_DELAY_MS, "delay");
    } else if (word == "close" && rest.empty()) {
        action.kind = FaultScript::Action::Close;
    } else if (word == "fault") {
        action.kind = FaultScript::Action::Fault;
        const auto space = rest.find(' ');
        action.code = rest.substr(0, space);
        action.text =
            space == std::string::npos ? std::string() : ConfigText::trim(rest.substr(space));
        if (action.code.empty() || action.text.empty() ||
            action.code.find_first_of("<>&\"'") != std::string::npos)
            throw FaultScriptError("fault needs a code and a text: " + text);
    } else if (word == "truncate") {
        action.kind = FaultScript::Action::Truncate;
        action.amount = count(rest, UINT64_MAX / 2, "truncate");
    } else if (word == "wrong-md5" && rest.empty()) {
        action.kind = FaultScript::Action::WrongMd5;
    } else if (word == "no-answer" && rest.empty()) {
        action.kind = FaultScript::Action::NoAnswer;
    } else if (word == "redirect-self" && rest.empty()) {
        action.kind = FaultScript::Action::RedirectSelf;
    } else if (word == "bad-token") {
        action.kind = FaultScript::Action::BadToken;
        if (rest == "not-png")
            action.token = FaultScript::Action::NotPng;
        else if (rest == "truncated")
            action.token = FaultScript::Action::TruncatedPng;
        else if (rest == "missing")
            action.token = FaultScript::Action::MissingPicture;
        else if (rest == "too-large")
            action.token = FaultScript::Action::TooLargePicture;
        else
            throw FaultScriptError("bad-token needs not-png, truncated, missing or too-large: " +
                                   text);
    } else {
        throw FaultScriptError("unknown action: " + text);
    }
    return action;
}

} // namespace

FaultScript::Rule FaultScript::parseRule(const std::string& value)
{
    const auto parts = ConfigText::fields(value);
    if (parts.size() < 2 || parts.size() > 3 || parts[0].empty())
        throw FaultScriptError("a rule is MATCH | ACTION [| TIMES]: " + value);
    Rule rule;
    const std::string& match = parts[0];
    const auto space = match.find(' ');
    if (match[0] == '/' || space != std::string::npos) {
        rule.soap = false;
        rule.method = space == std::string::npos ? "*" : match.substr(0, space);
        rule.path = space == std::string::npos ? match : ConfigText::trim(match.substr(space));
        if (rule.path.empty() || rule.path[0] != '/')
            throw FaultScriptError("a path begins with /: " + match);
    } else {
        const auto slash = match.find('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 == match.size())
            throw FaultScriptError("a SOAP call is matched as SERVICE/OPERATION: " + match);
        rule.service = match.substr(0, slash);
        rule.operation = match.substr(slash + 1);
    }
    rule.action = parseAction(parts[1]);
    const Action::Kind kind = rule.action.kind;
    if (rule.soap && (kind == Action::Truncate || kind == Action::WrongMd5))
        throw FaultScriptError(parts[1] + " applies to GETs of files, not to SOAP calls");
    if (kind == Action::NoAnswer && !rule.soap && !matches(rule.method, "POST"))
        throw FaultScriptError("no-answer applies to uploads (POST /upload/...) and SOAP calls");
    if (!rule.soap &&
        (kind == Action::Fault || kind == Action::RedirectSelf || kind == Action::BadToken))
        throw FaultScriptError(parts[1] + " applies to SOAP calls only");
    if (kind == Action::RedirectSelf &&
        (!matches(rule.service, "locator") || !matches(rule.operation, "getDirectoryContents")))
        throw FaultScriptError("redirect-self applies to locator/getDirectoryContents only");
    if (kind == Action::BadToken &&
        (!matches(rule.service, "portal") || !matches(rule.operation, "getRegistrationToken")))
        throw FaultScriptError("bad-token applies to portal/getRegistrationToken only");
    if (parts.size() == 3) {
        rule.times = count(parts[2], UINT64_MAX / 2, "times");
        if (rule.times == 0)
            throw FaultScriptError("times must be at least 1 (leave it out for every time)");
    }
    return rule;
}

std::vector<FaultScript::Rule> FaultScript::parse(const std::string& text)
{
    std::vector<Rule> rules;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = ConfigText::trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';' || line == "[faults]")
            continue;
        const auto equals = line.find('=');
        try {
            if (equals == std::string::npos || ConfigText::trim(line.substr(0, equals)) != "rule")
                throw FaultScriptError("expected \"rule = MATCH | ACTION [| TIMES]\"");
            rules.push_back(parseRule(ConfigText::trim(line.substr(equals + 1))));
        } catch (const FaultScriptError& e) {
            throw FaultScriptError("line " + std::to_string(number) + ": " + e.what());
        }
    }
    return rules;
}

std::vector<FaultScript::Rule> FaultScript::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FaultScriptError("Could not read fault script " + path);
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return parse(text.str());
    } catch (const FaultScriptError& e) {
        throw FaultScriptError(path + ": " + e.what());
    }
}

FaultScript::FaultScript(std::vector<Rule> rules)
    : m_rules(std::move(rules)), m_firings(m_rules.size(), 0)
{
}

std::optional<FaultScript::Action> FaultScript::fire(const std::string& service,
                                                     const std::string& operation)
{
    return fireFirst(true, service, operation);
}

std::optional<FaultScript::Action> FaultScript::fireForPath(const std::string& method,
                                                            const std::string& path)
{
    return fireFirst(false, method, path);
}

std::optional<FaultScript::Action> FaultScript::fireFirst(bool soap, const std::string& first,
                                                          const std::string& second)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const Rule& rule = m_rules[i];
        if (rule.soap != soap)
            continue;
        const bool hit = soap ? matches(rule.service, first) && matches(rule.operation, second)
                              : matches(rule.method, first) && matches(rule.path, second);
        if (!hit || (rule.times != 0 && m_firings[i] >= rule.times))
            continue;
        ++m_firings[i];
        return rule.action;
    }
    return std::nullopt;
}

uint64_t FaultScript::firings(size_t index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return index < m_firings.size() ? m_firings[index] : 0;
}

} // namespace Provider
