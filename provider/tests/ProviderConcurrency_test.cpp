#include "ProviderTestFixture.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Lets waiting threads go all at once, so their requests meet at the provider.
class StartingLine {
public:
    void wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_open; });
    }
    void open()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

} // namespace

TEST_F(ProviderServerTest, StalledClientsDelayNobodyElse)
{
    // One client connects and says nothing, another stops in the middle of its request; both
    // hold a worker until the idle time-out (30 s), which the calls below must not wait for.
    RawConnection silent(server->port());
    RawConnection halfway(server->port());
    ASSERT_TRUE(halfway.send("POST /service/locator/1.0/ HTTP/1.0\r\nHost: a.example\r\n"
                             "Content-Length: 400\r\n\r\n<?xml version=\"1.0\"?><SOAP-ENV:Env"));

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(listing(), "All shops");
    Quorvel::HTTPClient http(*settings);
    wxString text;
    EXPECT_EQ(http.fetchToString("http://demo.portal.vistrelle.net/files/templatelist.xml", text),
              200);
    EXPECT_EQ(text, "<templatelist/>");
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 5000);
    // The stalled connections are still open as the provider stops: it ends them.
}

TEST_F(ProviderServerTest, SilentConnectionIsClosedAfterTheIdleTimeOut)
{
    ProviderServer::Options options;
    options.idleTimeoutSeconds = 1;
    server.reset();
    startServer(options);
    RawConnection silent(server->port());
    bool closed = false;
    EXPECT_EQ(silent.receiveAll(&closed, std::chrono::seconds(20)), "");
    EXPECT_TRUE(closed);
    // A head sent a piece at a time gets as long in all as one silence.
    RawConnection trickling(server->port());
    for (int i = 0; i < 3 && trickling.send("X"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(trickling.receiveAll(&closed, std::chrono::seconds(20)), "");
    EXPECT_TRUE(closed);
}

TEST_F(ProviderServerTest, ManySimultaneousCallsAllSucceed)
{
    // More callers than workers: the rest wait their turn instead of failing.
    const int callers = 200;
    StartingLine line;
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < callers; ++i)
        threads.emplace_back([&] {
            line.wait();
            try {
                if (listing() == "All shops")
                    ++answered;
            } catch (const std::exception&) {
            } catch (const Quorvel::Exception&) {
            }
        });
    line.open();
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(answered, callers);
}

TEST_F(ProviderServerTest, SimultaneousRegistrationsForOneAddressMakeOneAccount)
{
    auto client = portal();
    // Several rounds of four, so the requests meet inside the provider more than once.
    const int rounds = 10;
    const size_t contenders = 4;
    for (int round = 0; round < rounds; ++round) {
        const std::string email = "race" + std::to_string(round) + "@example.com";
        std::vector<std::string> tokens;
        for (size_t i = 0; i < contenders; ++i)
            tokens.push_back(newToken(*client));
        StartingLine line;
        std::vector<wxString> outcomes(tokens.size());
        std::vector<std::thread> threads;
        for (size_t i = 0; i < tokens.size(); ++i)
            threads.emplace_back([&, i] {
                auto own = portal();
                const std::string text = *store().tokenText(tokens[i]);
                line.wait();
                outcomes[i] = codeOf([&] {
                    Call call(*own);
                    SoapPortal::portal__createAccountResponse reply;
                    call.check(SoapPortal::soap_call_portal__createAccount(
                        call.context(), call.endpoint(), "", tokens[i], text, "demo", email, "pw",
                        reply));
                });
            });
        line.open();
        for (auto& thread : threads)
            thread.join();
        std::sort(outcomes.begin(), outcomes.end());
        // "SoapClient..." sorts before "nothing thrown": the one success comes last.
        for (size_t i = 0; i + 1 < contenders; ++i)
            EXPECT_EQ(outcomes[i], "SoapClient.AccountExists: An account with this e-mail "
                                   "address exists (via proxy)");
        EXPECT_EQ(outcomes.back(), "nothing thrown");
        EXPECT_TRUE(store().findAccount("demo", email));
    }
}
