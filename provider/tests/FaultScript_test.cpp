#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "FaultScript.h"
#include "ScratchDir.h"

using Provider::FaultScript;
using Provider::FaultScriptError;
using Action = Provider::FaultScript::Action;

namespace {

std::string errorOf(const std::string& rule)
{
    try {
        FaultScript::parseRule(rule);
    } catch (const FaultScriptError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(FaultScript, ReadsEveryAction)
{
    auto rule = FaultScript::parseRule("portal/createAccount | fault Client.Busy The shop is "
                                       "closed | 2");
    EXPECT_TRUE(rule.soap);
    EXPECT_EQ(rule.service, "portal");
    EXPECT_EQ(rule.operation, "createAccount");
    EXPECT_EQ(rule.action.kind, Action::Fault);
    EXPECT_EQ(rule.action.code, "Client.Busy");
    EXPECT_EQ(rule.action.text, "The shop is closed");
    EXPECT_EQ(rule.times, 2u);

    rule = FaultScript::parseRule("GET /download/* | truncate 100");
    EXPECT_FALSE(rule.soap);
    EXPECT_EQ(rule.method, "GET");
    EXPECT_EQ(rule.path, "/download/*");
    EXPECT_EQ(rule.action.kind, Action::Truncate);
    EXPECT_EQ(rule.action.amount, 100u);
    EXPECT_EQ(rule.times, 0u);

    rule = FaultScript::parseRule("/files/list.xml | wrong-md5");
    EXPECT_EQ(rule.method, "*");
    EXPECT_EQ(rule.action.kind, Action::WrongMd5);
    EXPECT_EQ(FaultScript::parseRule("*/* | delay 250").action.amount, 250u);
    EXPECT_EQ(FaultScript::parseRule("POST /upload/* | close").action.kind, Action::Close);
    EXPECT_EQ(FaultScript::parseRule("POST /upload/* | no-answer").action.kind, Action::NoAnswer);
    EXPECT_EQ(FaultScript::parseRule("/upload/orders/* | no-answer | 1").action.kind,
              Action::NoAnswer);
    // A SOAP call is carried out and its answer lost.
    EXPECT_EQ(FaultScript::parseRule("sharing/shareByMms | no-answer").action.kind,
              Action::NoAnswer);
    EXPECT_EQ(FaultScript::parseRule("locator/* | redirect-self").action.kind,
              Action::RedirectSelf);
    EXPECT_EQ(FaultScript::parseRule("portal/x | close").action.description, "close");
    for (const auto& [kind, token] :
         {std::pair<std::string, Action::Token>{"not-png", Action::NotPng},
          {"truncated", Action::TruncatedPng},
          {"missing", Action::MissingPicture},
          {"too-large", Action::TooLargePicture}}) {
        rule = FaultScript::parseRule("portal/getRegistrationToken | bad-token " + kind + " | 1");
        EXPECT_EQ(rule.action.kind, Action::BadToken) << kind;
        EXPECT_EQ(rule.action.token, token) << kind;
    }
}

TEST(FaultScript, MistakesAreNamed)
{
    EXPECT_EQ(errorOf("GET /upload/* | no-answer"),
              "no-answer applies to uploads (POST /upload/...) and SOAP calls");
    EXPECT_EQ(errorOf("POST /upload/* | no-answer now"), "unknown action: no-answer now");
    EXPECT_EQ(errorOf("portal/x"), "a rule is MATCH | ACTION [| TIMES]: portal/x");
    EXPECT_EQ(errorOf("portal/x | close | 1 | 2"),
              "a rule is MATCH | ACTION [| TIMES]: portal/x | close | 1 | 2");
    EXPECT_EQ(errorOf("portal | close"), "a SOAP call is matched as SERVICE/OPERATION: portal");
    EXPECT_EQ(errorOf("GET files | close"), "a path begins with /: GET files");
    EXPECT_EQ(errorOf("portal/x | explode"), "unknown action: explode");
    EXPECT_EQ(errorOf("portal/x | close now"), "unknown action: close now");
    EXPECT_EQ(errorOf("portal/x | delay soon"), "delay needs a whole number: soon");
    EXPECT_EQ(errorOf("portal/x | delay 600001"), "delay may be at most 600000");
    EXPECT_EQ(errorOf("portal/x | fault Client.Busy"), "fault needs a code and a text: fault "
                                                       "Client.Busy");
    EXPECT_EQ(errorOf("portal/x | fault <a> text"),
              "fault needs a code and a text: fault <a> text");
    EXPECT_EQ(errorOf("portal/x | truncate 5"),
              "truncate 5 applies to GETs of files, not to SOAP calls");
    EXPECT_EQ(errorOf("/files/x | fault Client.X y"),
              "fault Client.X y applies to SOAP calls only");
    EXPECT_EQ(errorOf("portal/* | redirect-self"),
              "redirect-self applies to locator/getDirectoryContents only");
    EXPECT_EQ(errorOf("portal/createAccount | bad-token not-png"),
              "bad-token applies to portal/getRegistrationToken only");
    EXPECT_EQ(errorOf("/files/x | bad-token missing"),
              "bad-token missing applies to SOAP calls only");
    for (const std::string kind : {"", " jpeg", " not-png now"})
        EXPECT_EQ(errorOf("portal/getRegistrationToken | bad-token" + kind),
                  "bad-token needs not-png, truncated, missing or too-large: bad-token" + kind);
    EXPECT_EQ(errorOf("portal/x | close | 0"),
              "times must be at least 1 (leave it out for every time)");
    EXPECT_EQ(errorOf("portal/x | close | -1"), "times needs a whole number: -1");

    try {
        FaultScript::parse("[faults]\n# staged failures\n\nrule = portal/x | close\nrule portal\n");
        ADD_FAILURE() << "nothing thrown";
    } catch (const FaultScriptError& e) {
        EXPECT_STREQ(e.what(), "line 5: expected \"rule = MATCH | ACTION [| TIMES]\"");
    }
    EXPECT_THROW(FaultScript::load("/nonexistent/faults"), FaultScriptError);
}

TEST(FaultScript, FirstMatchingRuleFiresAsOftenAsItMay)
{
    ScratchDir dir;
    dir.writeFile("faults", "rule = portal/createAccount | close | 2\n"
                            "rule = portal/* | delay 5\n"
                            "rule = GET /download/* | wrong-md5 | 1\n");
    FaultScript script(FaultScript::load(std::string((dir / "faults").utf8_str())));
    ASSERT_EQ(script.size(), 3u);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(script.fire("portal", "createAccount")->kind, Action::Close);
    // Used up: the next rule takes over.
    EXPECT_EQ(script.fire("portal", "createAccount")->kind, Action::Delay);
    EXPECT_FALSE(script.fire("storage", "createAccount"));
    // SOAP rules never match a path and path rules never a SOAP call.
    EXPECT_FALSE(script.fireForPath("GET", "/service/portal/3.0/"));
    EXPECT_FALSE(script.fireForPath("POST", "/download/a"));
    EXPECT_EQ(script.fireForPath("GET", "/download/a/b")->kind, Action::WrongMd5);
    EXPECT_FALSE(script.fireForPath("GET", "/download/a/b"));
    EXPECT_EQ(script.firings(0), 2u);
    EXPECT_EQ(script.firings(1), 1u);
    EXPECT_EQ(script.firings(2), 1u);
}

TEST(FaultScript, FiringsAreCountedExactlyUnderManyThreads)
{
    FaultScript script({FaultScript::parseRule("portal/x | close | 100")});
    std::atomic<int> fired{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                if (script.fire("portal", "x"))
                    ++fired;
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(fired, 100);
    EXPECT_EQ(script.firings(0), 100u);
}
