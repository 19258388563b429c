#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <wx/mstream.h>

#include "ProviderFixture.h"
#include "ProviderStore.h"
#include "SoapReplies.h"
#include "TaskOutcome.h"
#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "service/HTTPClient.h"
#include "service/OrderingClient_3_0.h"
#include "service/OrderingClient_3_0_Task.h"
#include "service/PaymentClient_1_0.h"
#include "service/PaymentClient_1_0_Task.h"
#include "service/PaymentData.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"

using Brenmarle::OrderingClient_3_0;
using Brenmarle::PaymentClient_1_0;
using Brenmarle::PaymentData;
using SoapReplies::failureOf;
using Task = Brenmarle::PaymentClient_1_0_Task;

namespace {

const char* const PRICELIST_ID = "6f1c2b8e-0000-4000-8000-000000000001";
// One 10x15 print (0.30) and the base charge (1.50).
const double TOTAL = 1.80;
const char* const CARD_NUMBER = "4111111111111111";

// A well-formed card for the provider's card option.
std::string cardData()
{
    PaymentData card;
    card.set(PaymentData::CARD_HOLDER, "Anna Berg");
    card.set(PaymentData::CARD_NUMBER, CARD_NUMBER);
    card.set(PaymentData::EXPIRY, "12/30");
    card.set(PaymentData::SECURITY_CODE, "123");
    return card.toText();
}

const int CARD_OPTION = 1;

} // namespace

// The provider on HTTPS too, an order of one print verified and a transaction opened for it;
// the payment client reaches the payment server the ordering service named, directly (no
// proxy), trusting the test authority.
class PaymentClientTest : public ProviderFixture {
protected:
    PaymentClientTest()
    {
        dir.writeFile("conf/demo-prices.xml",
                      readFile(VISTRELLE_PROVIDER_SOURCE_DIR "/pricelist.xml"));
        dir.writeFile("pics/a.jpg", std::string(50000, 'a'));
        dir.writeFile("direct.ini", "");
    }

    // Starts the provider with the fault `rules` ("rule = ..." lines) and `more` configuration,
    // then opens the transaction.
    void start(const std::string& rules = std::string(), const std::string& more = std::string())
    {
        startProvider("\n[provider]\npaymenthost = localhost\n" + more + "\n[faults]\n" + rules,
                      true);
        openTransaction();
    }

    void openTransaction()
    {
        ordering = Quorvel::makeRef<OrderingClient_3_0>(settings);
        ordering->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        ordering->createSession();
        ordering->createOrder(PRICELIST_ID);
        Brenmarle::Order order;
        order.deliveryType = 0;
        order.deliveryOptionUuid = "pickup-shop";
        order.pickupLocation.uuid = "shop-oslo";
        const wxString ref = "file://" + (dir / "pics/") + "a.jpg";
        auto part = std::make_unique<Brenmarle::OrderPart>();
        part->productUuid = "print-10x15";
        part->addFile(ref, "", 1700000000, 1700000001, ref);
        order.addPart(std::move(part));
        ordering->uploadOrderDetails(order.toXML());
        const std::vector<Brenmarle::OrderingClient_3_0_Task::OrderFile> files{
            {ref, dir / "pics/a.jpg", {}}};
        auto upload = Brenmarle::OrderingClient_3_0_Task::uploadFiles(
            ordering, files, ordering->getFileUploadList());
        ASSERT_EQ(TaskOutcome::runToEnd(upload).type, Quorvel::EVT_TASK_FINISHED);
        ordering->verifyOrder(TOTAL);
        transaction = ordering->getTransactionId();
    }

    Quorvel::Ref<PaymentClient_1_0> payment(const wxString& caFile = TEST_CA_DIR "/cacert.pem")
    {
        auto client = Quorvel::makeRef<PaymentClient_1_0>(direct, caFile);
        client->setAddress(PaymentClient_1_0::parseServer(transaction.paymentServer));
        return client;
    }

    // Runs `task` with one second of polling lasting a millisecond.
    TaskOutcome run(const Quorvel::Ref<Task>& task)
    {
        task->setSecond(std::chrono::milliseconds(1));
        return TaskOutcome::runToEnd(task);
    }
    TaskOutcome options(const Quorvel::Ref<PaymentClient_1_0>& client, double total = TOTAL,
                        const wxString& currency = "EUR")
    {
        return run(
            Task::getPaymentOptions(client, transaction.transactionId, "en", total, currency));
    }
    TaskOutcome send(const Quorvel::Ref<PaymentClient_1_0>& client)
    {
        return run(
            Task::sendPaymentDetails(client, transaction.transactionId, CARD_OPTION, cardData()));
    }

    // A feedback task run to its end.
    Quorvel::Ref<Task> feedback(const Quorvel::Ref<PaymentClient_1_0>& client,
                                bool authReported = false)
    {
        auto task = Task::getPaymentFeedback(client, transaction.transactionId, authReported);
        EXPECT_EQ(run(task).type, Quorvel::EVT_TASK_FINISHED);
        return task;
    }

    std::optional<Provider::ProviderStore::Payment> stored()
    {
        Provider::ProviderStore store(std::string((dir / "data/provider.db").utf8_str()));
        return store.findPayment(std::string(transaction.transactionId.utf8_str()));
    }

    Quorvel::NetworkSettings direct{dir / "direct.ini"};
    Quorvel::Ref<OrderingClient_3_0> ordering;
    OrderingClient_3_0::Transaction transaction;
};

TEST(PaymentClient, ServerTextIsReadStrictlyAsHostAndPort)
{
    const auto address = PaymentClient_1_0::parseServer("pay.example.com:8443");
    EXPECT_EQ(address.host, "pay.example.com");
    EXPECT_EQ(address.port, 8443);
    EXPECT_EQ(PaymentClient_1_0::parseServer("localhost").port, 443);
    EXPECT_EQ(PaymentClient_1_0::parseServer("127.0.0.1:1").port, 1);
    EXPECT_EQ(PaymentClient_1_0::parseServer("[::1]:65535").host, "[::1]");
    EXPECT_EQ(PaymentClient_1_0::parseServer("[::1]").port, 443);
    for (const char* text : {"",           ":443",       "host:",           "host:0",
                             "host:65536", "host:+1",    "host:-1",         "host: 1",
                             "host:1 ",    " host",      "https://host",    "user@host",
                             "host/path",  "host:443/x", "ho st",           "::1",
                             "[::1",       "host:1:2",   "host:4430000000", "host\r\nX: y",
                             "host?x",     "host#x"})
        EXPECT_EQ(failureOf([&] { PaymentClient_1_0::parseServer(text); }).BeforeFirst(':'),
                  "Server.InvalidAddress")
            << text;
}

TEST_F(PaymentClientTest, TheEndpointIsHttpsOnTheNamedPortWithoutOverride)
{
    start();
    EXPECT_EQ(transaction.paymentServer, "localhost:" + std::to_string(provider->tlsPort()));
    dir.writeFile("direct.ini", "[Http]\nPortOverride=8080\n");
    Quorvel::NetworkSettings overriding(dir / "direct.ini");
    PaymentClient_1_0 client(overriding, TEST_CA_DIR "/cacert.pem");
    client.setAddress(PaymentClient_1_0::parseServer("pay.example.com:80"));
    EXPECT_EQ(client.getEndpoint(), "https://pay.example.com:80/service/payment/1.0/");
}

TEST_F(PaymentClientTest, ASuccessAfterTwoPollsSendsTheDetailsOnceThenTheOrderIsConfirmed)
{
    start("rule = payment/sendPaymentDetails | outcome processed 1\n");
    auto client = payment();
    auto listed = Task::getPaymentOptions(client, transaction.transactionId, "en", TOTAL, "EUR");
    ASSERT_EQ(run(listed).type, Quorvel::EVT_TASK_FINISHED);
    EXPECT_FLOAT_EQ(listed->options.amount, 1.80f);
    EXPECT_EQ(listed->options.currency, "EUR");
    ASSERT_EQ(listed->options.options.size(), 2u);
    EXPECT_EQ(listed->options.options[0].type, "CREDITCARD");

    // Confirming before the payment is refused.
    EXPECT_EQ(failureOf([&] { ordering->confirmOrder(); }).BeforeFirst(':'), "SoapClient.NotPaid");
    auto details =
        Task::sendPaymentDetails(client, transaction.transactionId, CARD_OPTION, cardData());
    ASSERT_EQ(run(details).type, Quorvel::EVT_TASK_FINISHED);
    EXPECT_TRUE(details->detailsSent);
    auto polling = Task::getPaymentFeedback(client, transaction.transactionId);
    const TaskOutcome polled = run(polling);
    ASSERT_EQ(polled.type, Quorvel::EVT_TASK_FINISHED) << polled.failure();
    EXPECT_EQ(polling->polls, 2);
    EXPECT_EQ(polling->feedback.status, "TR_PROCESSED");
    EXPECT_FALSE(ordering->confirmOrder().empty());

    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
    EXPECT_EQ(journalled("getPaymentFeedback"), 2u);
    EXPECT_EQ(journalledArguments("sendPaymentDetails", "clientdata"),
              std::vector<std::string>{"[withheld]"});
    // No card data in what the provider keeps, and a paid, confirmed payment is never voided.
    EXPECT_EQ(dir.readFile("data/journal.jsonl").find(CARD_NUMBER), std::string::npos);
    EXPECT_EQ(dir.readFile("data/provider.db").find(CARD_NUMBER), std::string::npos);
    EXPECT_TRUE(stored()->acknowledged);
}

TEST_F(PaymentClientTest, AnAmountOrCurrencyOtherThanTheVerifiedTotalStopsBeforeCardData)
{
    start();
    auto client = payment();
    for (const auto& [total, currency] :
         {std::pair<double, const char*>{1.79, "EUR"}, {TOTAL, "NOK"}}) {
        const TaskOutcome outcome = options(client, total, currency);
        EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
        EXPECT_EQ(outcome.code, "Payment.AmountMismatch") << outcome.message;
    }
    EXPECT_EQ(options(client).type, Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(journalled("sendPaymentDetails"), 0u);
}

TEST_F(PaymentClientTest, FailuresGiveTheirCodesAndTheProvidersErrorText)
{
    start("rule = payment/sendPaymentDetails | outcome failed | 1\n"
          "rule = payment/sendPaymentDetails | outcome aborted 2 | 1\n"
          "rule = payment/sendPaymentDetails | fault Server.CardSystem The card system is down\n");
    const std::pair<const char*, const char*> expected[] = {
        {"Payment.Failed", "Error (Declined): The card issuer declined the payment"},
        {"Payment.Aborted", "Error (Aborted): The payment was aborted at the card issuer"},
    };
    for (const auto& [code, message] : expected) {
        auto client = payment();
        ASSERT_EQ(send(client).type, Quorvel::EVT_TASK_FINISHED);
        const TaskOutcome outcome =
            run(Task::getPaymentFeedback(client, transaction.transactionId));
        EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
        EXPECT_EQ(outcome.failure(), wxString(code) + ": " + message);
        EXPECT_EQ(failureOf([&] { ordering->confirmOrder(); }).BeforeFirst(':'),
                  "SoapClient.NotPaid");
        // A failed transaction makes way for a new one.
        const auto next = ordering->getTransactionId();
        EXPECT_NE(next.transactionId, transaction.transactionId);
        transaction = next;
    }
    const TaskOutcome fault = send(payment());
    EXPECT_EQ(fault.failure(), "SoapServer.CardSystem: The card system is down");
    EXPECT_EQ(stored()->status, "TR_OPEN");
}

TEST_F(PaymentClientTest, ACertificateOfAnotherAuthorityIsRefusedAndNoDetailsReachTheProvider)
{
    start();
    auto client = payment(TEST_CA_DIR "/other-cacert.pem");
    const TaskOutcome outcome = send(client);
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(outcome.code, "Security.Certificate");
    EXPECT_TRUE(
        outcome.message.StartsWith("Server certificate was not accepted for security reasons: "))
        << outcome.message;
    EXPECT_EQ(journalled("sendPaymentDetails"), 0u);
    EXPECT_EQ(stored()->status, "TR_OPEN");

    // An authority file that is missing is no reason to trust anyone else.
    EXPECT_EQ(failureOf([&] { PaymentClient_1_0 missing(direct, dir / "none.pem"); }),
              "Application.Error: Could not setup SSL for payment client");
}

TEST_F(PaymentClientTest, ADroppedReplyAndRetryChargeOnce)
{
    start("rule = payment/sendPaymentDetails | drop-reply | 1\n");
    auto client = payment();
    const TaskOutcome lost = send(client);
    EXPECT_EQ(lost.type, Quorvel::EVT_TASK_FAILED);
    // The details arrived though the answer did not.
    EXPECT_EQ(stored()->status, "TR_PENDING");

    // Retry: the state is asked first, and the details are not sent again.
    auto retry =
        Task::sendPaymentDetails(client, transaction.transactionId, CARD_OPTION, cardData());
    ASSERT_EQ(run(retry).type, Quorvel::EVT_TASK_FINISHED);
    EXPECT_FALSE(retry->detailsSent);
    EXPECT_EQ(journalled("sendPaymentDetails"), 1u);
    EXPECT_EQ(journalled("getTransactionStatus"), 1u);
    EXPECT_EQ(run(Task::getPaymentFeedback(client, transaction.transactionId)).type,
              Quorvel::EVT_TASK_FINISHED);
    EXPECT_FALSE(ordering->confirmOrder().empty());

    // Details sent twice all the same (another program) charge nothing more either.
    auto again = payment();
    ASSERT_EQ(send(again).type, Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(stored()->status, "TR_PROCESSED");
    Provider::ProviderStore store(std::string((dir / "data/provider.db").utf8_str()));
    int received = 0;
    for (const auto& entry : store.paymentLog(std::string(transaction.transactionId.utf8_str())))
        received += entry.description == "Payment details received";
    EXPECT_EQ(received, 1);
}

TEST_F(PaymentClientTest, APendingPaymentTimesOutAndTheProviderVoidsIt)
{
    start("rule = payment/sendPaymentDetails | outcome pending\n", "paymenthold = 2\n");
    auto client = payment();
    ASSERT_EQ(send(client).type, Quorvel::EVT_TASK_FINISHED);
    auto polling = Task::getPaymentFeedback(client, transaction.transactionId);
    const TaskOutcome outcome = run(polling);
    EXPECT_EQ(outcome.failure(),
              "Payment.TimeOut: The payment request did not complete after 180 seconds. If your "
              "payment did get through, the money will be automatically refunded.");
    // 35 waits of 5 seconds, a poll after each but the last.
    EXPECT_EQ(polling->polls, 34);

    // The provider keeps the promise: the payment is voided, the order cannot be confirmed.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (stored()->status != "TR_VOIDED" && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(stored()->status, "TR_VOIDED");
    EXPECT_EQ(journalled("expireTransaction"), 1u);
    EXPECT_EQ(failureOf([&] { ordering->confirmOrder(); }).BeforeFirst(':'), "SoapClient.NotPaid");
}

TEST_F(PaymentClientTest, TheIssuerCheckIsReportedOnceThenPollingWaitsForTheOutcome)
{
    start("rule = payment/sendPaymentDetails | outcome auth-client 3\n");
    auto client = payment();
    ASSERT_EQ(send(client).type, Quorvel::EVT_TASK_FINISHED);
    auto first = feedback(client);
    EXPECT_TRUE(first->authReported);
    EXPECT_EQ(first->polls, 1);
    EXPECT_EQ(first->feedback.status, "TR_AUTH_CLIENT");
    EXPECT_TRUE(first->feedback.data.StartsWith("https://localhost:")) << first->feedback.data;

    auto second = feedback(client, true);
    EXPECT_EQ(second->feedback.status, "TR_PROCESSED");
    EXPECT_EQ(second->polls, 3);
}

// The issuer's page the feedback names, over TLS: it shows a button that posts back, the post
// completes the check once and the payment goes straight on to its outcome (not after the
// scripted polls); a foreign transaction, a finished one and plain HTTP are refused.
TEST_F(PaymentClientTest, TheIssuersPageCompletesTheCheckAndThePaymentGoesOn)
{
    start("rule = payment/sendPaymentDetails | outcome auth-client 50\n");
    auto client = payment();
    ASSERT_EQ(send(client).type, Quorvel::EVT_TASK_FINISHED);
    auto asked = feedback(client);
    ASSERT_EQ(asked->feedback.status, "TR_AUTH_CLIENT");
    const wxString page = asked->feedback.data;
    ASSERT_TRUE(page.StartsWith("https://localhost:")) << page;

    Quorvel::HTTPClient http(direct);
    http.setCaFile(TEST_CA_DIR "/cacert.pem");
    const auto post = [&](const wxString& url) {
        wxMemoryInputStream nothing("", 0);
        http.setContentType("application/x-www-form-urlencoded");
        http.setBodyStream(&nothing);
        const int status = http.post(url, Quorvel::HTTPClient::POST_BODY);
        std::string body;
        http.readBody([&](const char* data, size_t size) { body.append(data, size); });
        return status;
    };
    wxString text;
    ASSERT_EQ(http.fetchToString(page, text, false), 200);
    EXPECT_TRUE(text.Contains(transaction.transactionId)) << text;
    EXPECT_TRUE(text.Contains("<form method=\"post\" action=\"/payment/issuer/" +
                              transaction.transactionId + "\">"))
        << text;
    EXPECT_EQ(stored()->status, "TR_AUTH_CLIENT"); // looking is not confirming

    EXPECT_EQ(post(page), 200);
    EXPECT_EQ(stored()->status, "TR_PENDING");
    auto after = feedback(client, true);
    EXPECT_EQ(after->feedback.status, "TR_PROCESSED");
    EXPECT_EQ(after->polls, 1);

    // Finished: neither the page nor a second confirmation.
    EXPECT_EQ(http.fetchToString(page, text, false), 409);
    EXPECT_EQ(post(page), 409);
    EXPECT_EQ(stored()->status, "TR_PROCESSED");
    const wxString base = page.BeforeLast('/') + "/";
    EXPECT_EQ(http.fetchToString(base + "no-such-transaction", text, false), 404);
    EXPECT_EQ(post(base + "no-such-transaction"), 404);
    EXPECT_EQ(post(base), 404);

    Quorvel::HTTPClient plain(settings);
    EXPECT_EQ(plain.fetchToString("http://demo.portal.vistrelle.net/payment/issuer/" +
                                      transaction.transactionId,
                                  text, false),
              403);
}

TEST_F(PaymentClientTest, AfterTheIssuerCheckAPendingPaymentWaitsUntilTheLongerLimit)
{
    start("rule = payment/sendPaymentDetails | outcome auth-client 1000\n");
    auto client = payment();
    ASSERT_EQ(send(client).type, Quorvel::EVT_TASK_FINISHED);
    auto polling = Task::getPaymentFeedback(client, transaction.transactionId, true);
    const TaskOutcome outcome = run(polling);
    EXPECT_EQ(outcome.code, "Payment.TimeOut");
    EXPECT_TRUE(
        outcome.message.StartsWith("The payment request did not complete after 600 seconds."))
        << outcome.message;
    EXPECT_EQ(polling->polls, 118);
}

TEST_F(PaymentClientTest, CancelEndsPollingAtOnce)
{
    start("rule = payment/sendPaymentDetails | outcome pending\n");
    auto client = payment();
    ASSERT_EQ(send(client).type, Quorvel::EVT_TASK_FINISHED);
    auto polling = Task::getPaymentFeedback(client, transaction.transactionId);
    // An hour a second: only the abort can end the waits.
    polling->setSecond(std::chrono::hours(1));
    std::thread cancel([&] {
        while (!polling->isWaiting())
            std::this_thread::yield();
        polling->abort();
    });
    const auto started = std::chrono::steady_clock::now();
    const TaskOutcome outcome = TaskOutcome::runToEnd(polling);
    cancel.join();
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_ABORTED);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(journalled("getPaymentFeedback"), 0u);
}

TEST(PaymentClientTask, CallerErrorsAreRefusedBeforeAnyCall)
{
    Quorvel::NetworkSettings none{wxString()};
    auto client = Quorvel::makeRef<PaymentClient_1_0>(none, wxString());
    EXPECT_THROW(Task::sendPaymentDetails(client, "T1", 0, "x"), Quorvel::UnsupportedException);
    EXPECT_THROW(Task::sendPaymentDetails(client, "", 1, "x"), Quorvel::UnsupportedException);
    EXPECT_THROW(Task::getPaymentOptions(client, "T1", "", 1, "EUR"),
                 Quorvel::UnsupportedException);
    EXPECT_THROW(Task::getPaymentFeedback(client, ""), Quorvel::UnsupportedException);
}
