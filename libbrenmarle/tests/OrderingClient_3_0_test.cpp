#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <wx/filefn.h>

#include "EventRecorder.h"
#include "LoopbackHttpServer.h"
#include "ProviderFixture.h"
#include "ScratchDir.h"
#include "SoapReplies.h"
#include "TaskOutcome.h"
#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "ordering/Pricelist.h"
#include "service/HTTPClient.h"
#include "service/NetworkSettings.h"
#include "service/OrderingClient_3_0.h"
#include "service/OrderingClient_3_0_Task.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

using Brenmarle::OrderingClient_3_0;
using Brenmarle::OrderingClient_3_0_Task;
using SoapReplies::failureOf;
using Task = OrderingClient_3_0_Task;

namespace {

// The example shop's price list: prints 10x15 at 0.30, a base charge of 1.50, pickup in the
// shop "shop-oslo" for nothing.
const char* const PRICELIST_ID = "6f1c2b8e-0000-4000-8000-000000000001";

std::string exampleList()
{
    return readFile(VISTRELLE_PROVIDER_SOURCE_DIR "/pricelist.xml");
}

// The same list with nothing to pay.
std::string freeList()
{
    std::string xml = exampleList();
    for (const std::string from : {"<basecharge>1.50</basecharge>", "<price>0.30</price>"}) {
        const auto at = xml.find(from);
        const std::string to =
            from.substr(0, from.find('>') + 1) + "0" + from.substr(from.rfind('<'));
        xml.replace(at, from.size(), to);
    }
    return xml;
}

} // namespace

class OrderingClientTest : public ProviderFixture {
protected:
    OrderingClientTest()
    {
        dir.writeFile("conf/demo-prices.xml", exampleList());
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            dir.writeFile(wxString("pics/") + name, std::string(100000, name[0]) + name);
    }

    Quorvel::Ref<OrderingClient_3_0> client(const wxString& password = "secret")
    {
        auto ordering = Quorvel::makeRef<OrderingClient_3_0>(settings);
        ordering->setAddress(portalAddress("demo", "anna@example.com", password));
        return ordering;
    }
    wxString reference(const char* name) const { return "file://" + (dir / "pics/") + name; }
    // The order's pictures as the sending flow gives them to the task.
    std::vector<Task::OrderFile> files(std::initializer_list<const char*> names) const
    {
        std::vector<Task::OrderFile> list;
        for (const char* name : names)
            list.push_back({reference(name), dir / (wxString("pics/") + name), {}});
        return list;
    }
    // A pickup order of one 10x15 print of each picture, claiming a total of 0.01.
    std::string orderXml(std::initializer_list<const char*> names,
                         const wxString& product = "print-10x15") const
    {
        Brenmarle::Order order;
        order.deliveryType = 0;
        order.deliveryOptionUuid = "pickup-shop";
        order.pickupLocation.uuid = "shop-oslo";
        for (const char* name : names) {
            auto part = std::make_unique<Brenmarle::OrderPart>();
            part->productUuid = product;
            part->addFile(reference(name), "", 1700000000, 1700000001, reference(name));
            order.addPart(std::move(part));
        }
        std::string xml = order.toXML();
        const auto at = xml.find("<totalcost>");
        if (at != std::string::npos)
            xml.replace(at, xml.find("</totalcost>") - at, "<totalcost>0.01");
        return xml;
    }
    // A session with an order of the pictures `names` whose details are uploaded.
    Quorvel::Ref<OrderingClient_3_0> orderOf(std::initializer_list<const char*> names)
    {
        auto ordering = client();
        ordering->createSession();
        ordering->createOrder(PRICELIST_ID);
        ordering->uploadOrderDetails(orderXml(names));
        return ordering;
    }
    // Uploads what the service lists; the task's failure text, empty when it succeeded.
    wxString sendFiles(const Quorvel::Ref<OrderingClient_3_0>& ordering,
                       std::initializer_list<const char*> names)
    {
        auto task = Task::uploadFiles(ordering, files(names), ordering->getFileUploadList());
        const TaskOutcome outcome = TaskOutcome::runToEnd(task);
        if (outcome.type == Quorvel::EVT_TASK_FINISHED)
            return wxString();
        return outcome.failure();
    }
};

TEST(OrderingClient, ComparesMoneyInCents)
{
    // 2.675 is a hair below as a double; the price list shows it as 2.68.
    EXPECT_EQ(OrderingClient_3_0::toCents(2.675), 268);
    EXPECT_EQ(OrderingClient_3_0::toCents(-0.005), -1);
    EXPECT_EQ(OrderingClient_3_0::toCents(0.004999), 0);
    EXPECT_TRUE(OrderingClient_3_0::sameInCents(0.1 + 0.2, 0.3));
    EXPECT_TRUE(OrderingClient_3_0::sameInCents(2.1, 2.104));
    EXPECT_FALSE(OrderingClient_3_0::sameInCents(2.10, 2.11));
    EXPECT_FALSE(OrderingClient_3_0::sameInCents(2.104, 2.105));
    EXPECT_THROW(OrderingClient_3_0::toCents(std::nan("")), Brenmarle::AmountOutOfRangeException);
    EXPECT_THROW(OrderingClient_3_0::toCents(std::numeric_limits<double>::infinity()),
                 Brenmarle::AmountOutOfRangeException);
    EXPECT_THROW(OrderingClient_3_0::toCents(1e300), Brenmarle::AmountOutOfRangeException);
}

// What no well-behaved provider sends: no session id, an upload entry without its file id.
TEST(OrderingClient, RepliesLackingWhatTheClientNeedsAreRefused)
{
    ScratchDir dir;
    Quorvel::NetworkSettings direct(dir / "network.ini");
    LoopbackHttpServer server;
    server.enqueue(SoapReplies::reply("ordering", "3.0", "createSession", "<sessionid/>"));
    server.enqueue(SoapReplies::reply(
        "ordering", "3.0", "getFileUploadList",
        "<uploadlist xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
        "SOAP-ENC:arrayType=\"ordering:FileUpload[1]\"><item><uploadurl>http://127.0.0.1/u"
        "</uploadurl></item></uploadlist>"));
    auto ordering = Quorvel::makeRef<OrderingClient_3_0>(direct);
    ordering->setAddress({"127.0.0.1", server.port(), "anna@example.com", "secret"});
    EXPECT_EQ(failureOf([&] { ordering->createSession(); }),
              "Application.Error: Missing session id");
    // The account's credentials stay; no empty session takes their place.
    EXPECT_EQ(ordering->getAddress().user, "anna@example.com");
    EXPECT_EQ(failureOf([&] { ordering->getFileUploadList(); }),
              "Application.Error: Missing file id in upload list");
}

TEST_F(OrderingClientTest, OrderCallsNeedTheSessionAndPickupLocationsComeFromThePriceList)
{
    auto ordering = client();
    // The usual pickup location is asked for before the flow logs in.
    EXPECT_EQ(ordering->getDefaultPickupLocation(), "");
    EXPECT_EQ(
        failureOf([&] { ordering->setDefaultPickupLocation("shop-nowhere"); }),
        "SoapClient.UnknownPickupLocation: No such pickup location: shop-nowhere (via proxy)");
    ordering->setDefaultPickupLocation("shop-oslo");
    EXPECT_EQ(client()->getDefaultPickupLocation(), "shop-oslo");

    EXPECT_EQ(failureOf([&] { ordering->createOrder(PRICELIST_ID); }),
              "SoapClient.NoSession: Open a session with createSession first (via proxy)");
    EXPECT_EQ(failureOf([&] { client("wrong")->createSession(); }).BeforeFirst(':'),
              "Soap.UnknownError");
    const wxString session = ordering->createSession();
    EXPECT_EQ(ordering->getAddress().user, "SESSIONID");
    EXPECT_EQ(ordering->getAddress().password, session);
    EXPECT_EQ(failureOf([&] { ordering->uploadOrderDetails(orderXml({"a.jpg"})); }),
              "SoapClient.NoOrder: Create an order first (via proxy)");
    EXPECT_EQ(failureOf([&] { ordering->createOrder("an-old-list"); }),
              "SoapClient.PriceListOutdated: The price list has been updated (via proxy)");
    EXPECT_FALSE(ordering->createOrder(PRICELIST_ID).empty());
    ordering->closeSession();
    EXPECT_EQ(failureOf([&] { ordering->getFileUploadList(); }).BeforeFirst(':'),
              "Soap.UnknownError");
}

TEST_F(OrderingClientTest, TheProviderPricesTheOrderWithTheProgramsOwnCode)
{
    auto ordering = client();
    ordering->createSession();
    ordering->createOrder(PRICELIST_ID);
    // Two prints at 0.30 and the base charge of 1.50, whatever total the document claims.
    const std::string xml = orderXml({"a.jpg", "b.jpg"});
    const double total = ordering->uploadOrderDetails(xml);
    EXPECT_DOUBLE_EQ(total, 2.10);
    auto local = Brenmarle::Order::fromXML(xml);
    ASSERT_TRUE(local->calculate(false, Brenmarle::Pricelist::fromXML(exampleList()).get()));
    EXPECT_TRUE(OrderingClient_3_0::sameInCents(local->getTotalCost().toDouble(), total));

    EXPECT_EQ(
        failureOf([&] { ordering->uploadOrderDetails("<order><orderparts>"); }).BeforeFirst(':'),
        "SoapClient.InvalidOrder");
    EXPECT_EQ(failureOf([&] { ordering->uploadOrderDetails("<pricelist/>"); }).BeforeFirst(':'),
              "SoapClient.InvalidOrder");
    EXPECT_EQ(failureOf([&] { ordering->uploadOrderDetails("<order/>"); }),
              "SoapClient.InvalidOrder: The order has no parts (via proxy)");
    EXPECT_EQ(failureOf([&] {
                  ordering->uploadOrderDetails(orderXml({"a.jpg"}, "gone"));
              }).BeforeFirst(':'),
              "SoapClient.Pricing");
}

TEST_F(OrderingClientTest, VerificationNeedsEveryFileAndTheTotalToTheCent)
{
    auto ordering = orderOf({"a.jpg", "b.jpg"});
    EXPECT_EQ(failureOf([&] { ordering->verifyOrder(2.10); }).BeforeFirst(':'),
              "SoapClient.FilesMissing");
    // A registration of a file that never arrived is refused.
    const auto list = ordering->getFileUploadList();
    ASSERT_EQ(list.size(), 2u);
    OrderingClient_3_0::FileInfo info;
    info.fileSize = 100005;
    EXPECT_EQ(
        failureOf([&] { ordering->registerFile(list[0].fileId, info, true); }).BeforeFirst(':'),
        "SoapClient.FileNotUploaded");

    EXPECT_EQ(sendFiles(ordering, {"a.jpg", "b.jpg"}), "");
    EXPECT_TRUE(ordering->getFileUploadList().empty());
    EXPECT_EQ(failureOf([&] { ordering->verifyOrder(2.11); }),
              "SoapClient.TotalMismatch: The order total is 2.1, not 2.110000 (via proxy)");
    EXPECT_EQ(failureOf([&] { ordering->verifyOrder(2.105); }).BeforeFirst(':'),
              "SoapClient.TotalMismatch");
    // What rounds to the same cent is the same total.
    ordering->verifyOrder(2.104);
    ordering->verifyOrder(2.10);
}

TEST_F(OrderingClientTest, ATransactionOnlyWhenSomethingIsToBePaidAndConfirmationIsIdempotent)
{
    auto ordering = orderOf({"a.jpg"});
    EXPECT_EQ(failureOf([&] { ordering->getTransactionId(); }),
              "SoapClient.NotVerified: Verify the order first (via proxy)");
    EXPECT_EQ(sendFiles(ordering, {"a.jpg"}), "");
    ordering->verifyOrder(1.80);
    EXPECT_EQ(failureOf([&] { ordering->confirmOrder(); }),
              "SoapClient.NotPaid: The order has not been paid (via proxy)");
    const auto transaction = ordering->getTransactionId();
    EXPECT_FALSE(transaction.transactionId.empty());
    EXPECT_EQ(transaction.paymentServer, "demo.portal.vistrelle.net");
    EXPECT_EQ(ordering->getTransactionId().transactionId, transaction.transactionId);
    // A transaction handed out is not a payment made.
    EXPECT_EQ(failureOf([&] { ordering->confirmOrder(); }),
              "SoapClient.NotPaid: The order has not been paid (via proxy)");
    payInStore(transaction.transactionId);
    const wxString confirmed = ordering->confirmOrder();
    EXPECT_FALSE(confirmed.empty());
    EXPECT_EQ(ordering->confirmOrder(), confirmed);
    EXPECT_EQ(failureOf([&] { ordering->uploadOrderDetails(orderXml({"b.jpg"})); }),
              "SoapClient.OrderConfirmed: The order is confirmed already (via proxy)");
    EXPECT_EQ(failureOf([&] { ordering->verifyOrder(1.80); }).BeforeFirst(':'),
              "SoapClient.OrderConfirmed");

    // With nothing to pay there is no transaction, and the order is confirmed without one.
    dir.writeFile("conf/demo-prices.xml", freeList());
    auto free = orderOf({"b.jpg"});
    EXPECT_EQ(sendFiles(free, {"b.jpg"}), "");
    free->verifyOrder(0);
    EXPECT_EQ(failureOf([&] { free->getTransactionId(); }),
              "SoapClient.NothingToPay: Nothing is to be paid (via proxy)");
    EXPECT_FALSE(free->confirmOrder().empty());
}

TEST_F(OrderingClientTest, UploadListEntriesOfAnotherFormOrNotInTheOrderFail)
{
    auto ordering = client();
    auto unknown = Task::uploadFiles(
        ordering, files({"a.jpg"}),
        {{"http://demo.portal.vistrelle.net/upload/x", {"x", "http://example.com/a.jpg", 0, 0}}});
    EXPECT_EQ(failureOf([&] { unknown->run(); }),
              "Application.Error: Unknown clientref: http://example.com/a.jpg");
    for (const wxString ref : {"file:///elsewhere/a.jpg", "nvtemp://a.jpg", "ssfile://a.jpg"}) {
        auto missing =
            Task::uploadFiles(ordering, files({"a.jpg"}),
                              {{"http://demo.portal.vistrelle.net/upload/x", {"x", ref, 0, 0}}});
        EXPECT_EQ(failureOf([&] { missing->run(); }),
                  "Logic.NotFound: Could not find " + ref + " in list of files to upload");
    }
    EXPECT_EQ(journalledOperations().size(), 0u);
}

TEST_F(OrderingClientTest, SessionCredentialsGoOnlyToTheServicesOwnHostAndPort)
{
    auto ordering = orderOf({"a.jpg"});
    auto entry = ordering->getFileUploadList().at(0);
    for (const wxString url :
         {"http://elsewhere.example/upload/orders/x", "https://demo.portal.vistrelle.net/upload/x",
          "http://demo.portal.vistrelle.net:8080/upload/x", "ftp://demo.portal.vistrelle.net/x"}) {
        entry.uploadUrl = url;
        auto task = Task::uploadFiles(ordering, files({"a.jpg"}), {entry});
        EXPECT_EQ(TaskOutcome::runToEnd(task).code, "Security.Credentials") << url;
    }
    // Nothing reached the provider, and nothing was registered.
    EXPECT_EQ(journalled("registerFile"), 0u);
    for (const auto& line : journal())
        EXPECT_EQ(line.path, "") << line.path;

    // Nor does the account's own password ever go with an upload.
    auto unsessioned = client();
    auto task = Task::uploadFiles(
        unsessioned, files({"a.jpg"}),
        {{"http://demo.portal.vistrelle.net/upload/orders/x", {"x", reference("a.jpg"), 0, 0}}});
    EXPECT_EQ(TaskOutcome::runToEnd(task).code, "Security.Credentials");
}

// Each file is sent with its own MD5 (the provider refuses any other), worked out while the one
// before it is sent; a file gone from the disk fails in its turn with its own message, after
// the ones before it went through.
TEST_F(OrderingClientTest, EachFileGoesWithItsOwnMd5AndAMissingOneFailsInItsTurn)
{
    auto ordering = orderOf({"a.jpg", "b.jpg", "c.jpg"});
    const auto list = ordering->getFileUploadList();
    ASSERT_EQ(list.size(), 3u);
    size_t missing = 0;
    while (missing < list.size() && list[missing].fileId.clientRef != reference("b.jpg"))
        ++missing;
    ASSERT_LT(missing, list.size());
    const size_t registered = journalled("registerFile");
    ASSERT_TRUE(wxRemoveFile(dir / "pics/b.jpg"));
    auto task = Task::uploadFiles(ordering, files({"a.jpg", "b.jpg", "c.jpg"}), list);
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_TRUE(outcome.failure().Contains("Could not read file " + dir / "pics/b.jpg"))
        << outcome.failure();
    EXPECT_EQ(journalled("registerFile"), registered + missing);

    dir.writeFile("pics/b.jpg", std::string(100000, 'b') + "b.jpg");
    EXPECT_EQ(sendFiles(ordering, {"a.jpg", "b.jpg", "c.jpg"}), "");
    EXPECT_EQ(journalled("registerFile"), registered + 3);
    EXPECT_TRUE(ordering->getFileUploadList().empty());
}

// The provider closes the connection before the body (close), or takes it whole and never
// answers (no-answer): either way the file failed and is not registered.
TEST_F(OrderingClientTest, AnUploadEndingWithoutAStatusFailsTheFileAndRegistersNothing)
{
    // A picture of its own for each, as the other is held once sent.
    for (const auto& [action, picture] :
         {std::pair<std::string, const char*>{"close", "a.jpg"}, {"no-answer", "b.jpg"}}) {
        startProvider("[faults]\nrule = POST /upload/* | " + action + " | 1\n");
        auto ordering = orderOf({picture});
        const size_t registered = journalled("registerFile");
        const wxString failure = sendFiles(ordering, {picture});
        EXPECT_TRUE(failure.Contains(": Could not upload file to server: ")) << failure;
        EXPECT_EQ(journalled("registerFile"), registered) << action;
        ASSERT_EQ(ordering->getFileUploadList().size(), 1u) << action;
        // The next try goes through.
        EXPECT_EQ(sendFiles(ordering, {picture}), "") << action;
        EXPECT_EQ(journalled("registerFile"), registered + 1) << action;
        EXPECT_TRUE(ordering->getFileUploadList().empty()) << action;
    }
}

// A file is registered while the next one is sent: a registration that fails fails the task
// with the service's error, only registrations the service took are counted, and a second send
// finishes the order.
TEST_F(OrderingClientTest, AFailedRegistrationEndsTheTaskAndTheNextSendFinishes)
{
    startProvider("[faults]\nrule = ordering/registerFile | fault Server.Busy Try later | 1\n");
    auto ordering = orderOf({"a.jpg", "b.jpg", "c.jpg"});
    auto task = Task::uploadFiles(ordering, files({"a.jpg", "b.jpg", "c.jpg"}),
                                  ordering->getFileUploadList());
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_TRUE(outcome.message.Contains("Try later")) << outcome.failure();
    EXPECT_EQ(static_cast<size_t>(task->uploadedCount), journalled("registerFile") - 1);
    EXPECT_LT(task->uploadedCount, 3);

    EXPECT_EQ(sendFiles(ordering, {"a.jpg", "b.jpg", "c.jpg"}), "");
    EXPECT_TRUE(ordering->getFileUploadList().empty());
}

// Cancel while the provider sits on the uploads of both lanes ends the task at once, and
// nothing is registered.
TEST_F(OrderingClientTest, CancelEndsStalledUploadsAndRegistersNothing)
{
    startProvider("[faults]\nrule = POST /upload/* | delay 60000\n");
    auto ordering = orderOf({"a.jpg", "b.jpg"});
    auto task =
        Task::uploadFiles(ordering, files({"a.jpg", "b.jpg"}), ordering->getFileUploadList());
    EventRecorder events;
    events.record(Quorvel::EVT_TASK_PROGRESS);
    events.record(Quorvel::EVT_TASK_ABORTED);
    Quorvel::TaskRunnerThread runner;
    runner.addTask(task, &events);
    ASSERT_TRUE(events.waitForCount(2));
    EXPECT_TRUE(events.at<Quorvel::TaskEvent>(1).getProgressText().EndsWith(" of 2"));
    const auto began = std::chrono::steady_clock::now();
    runner.abortCurrent();
    runner.waitUntilStopped();
    // A generous bound: an upload that missed the abort would wait out the provider's delay.
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    events.processPending();
    EXPECT_EQ(events.typeAt(events.count() - 1), Quorvel::EVT_TASK_ABORTED);
    EXPECT_EQ(task->uploadedCount, 0);
    provider->stop();
    EXPECT_EQ(journalled("registerFile"), 0u);
}

TEST_F(OrderingClientTest, EachFileShowsItsPositionInTheStatusText)
{
    auto ordering = orderOf({"a.jpg", "b.jpg", "c.jpg"});
    auto task = Task::uploadFiles(ordering, files({"c.jpg", "a.jpg", "b.jpg"}),
                                  ordering->getFileUploadList());
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(outcome.progressTexts,
              (std::vector<wxString>{"Uploading file 1 of 3", "Uploading file 2 of 3",
                                     "Uploading file 3 of 3"}));
    EXPECT_EQ(task->uploadedCount, 3);
    EXPECT_EQ(task->uploadSize, 3 * 100005);
}

// The whole send of a pickup order as the order-sending flow runs it, checked from outside in
// the provider's journal; a second send of the same pictures uploads nothing.
TEST_F(OrderingClientTest, APickupOrderRunsThroughEveryStepInOrder)
{
    auto ordering = client();
    auto run = [&](const Quorvel::Ref<Task>& task) {
        const TaskOutcome outcome = TaskOutcome::runToEnd(task);
        EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
        return task;
    };
    EXPECT_EQ(run(Task::getDefaultPickupLocation(ordering))->pickupLocation, "");
    run(Task::setDefaultPickupLocation(ordering, "shop-oslo"));
    const wxString session = run(Task::createSession(ordering))->sessionId;
    EXPECT_FALSE(session.empty());
    EXPECT_FALSE(run(Task::createOrder(ordering, PRICELIST_ID))->orderId.empty());
    EXPECT_DOUBLE_EQ(
        run(Task::uploadOrderDetails(ordering, orderXml({"a.jpg", "b.jpg"})))->orderTotal, 2.10);
    auto listed = run(Task::getFileUploadList(ordering, files({"a.jpg", "b.jpg"})));
    ASSERT_EQ(listed->uploadList.size(), 2u);
    EXPECT_EQ(listed->uploadSize, 2 * 100005);
    for (const auto& entry : listed->uploadList) {
        EXPECT_TRUE(
            entry.uploadUrl.StartsWith("http://demo.portal.vistrelle.net:80/upload/orders/"))
            << entry.uploadUrl;
        EXPECT_TRUE(entry.fileId.clientRef == reference("a.jpg") ||
                    entry.fileId.clientRef == reference("b.jpg"));
    }
    run(Task::uploadFiles(ordering, files({"a.jpg", "b.jpg"}), listed->uploadList));
    run(Task::verifyOrder(ordering, 2.10));
    const auto transaction = run(Task::getTransactionId(ordering))->transaction;
    EXPECT_FALSE(transaction.transactionId.empty());
    payInStore(transaction.transactionId);
    const wxString confirmed = run(Task::confirmOrder(ordering))->confirmedOrderId;
    EXPECT_FALSE(confirmed.empty());
    run(Task::closeSession(ordering));

    std::vector<std::string> steps;
    for (const auto& line : journal())
        steps.push_back(line.operation.empty() ? "POST upload" : line.operation);
    // A file is registered while the next one is sent, so uploads and registrations may
    // interleave; each registration follows its own file's upload.
    ASSERT_EQ(steps.size(), 14u);
    std::sort(steps.begin() + 6, steps.begin() + 10);
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "getDefaultPickupLocation", "setDefaultPickupLocation", "createSession",
                         "createOrder", "uploadOrderDetails", "getFileUploadList", "POST upload",
                         "POST upload", "registerFile", "registerFile", "verifyOrder",
                         "getTransactionId", "confirmOrder", "closeSession"}));
    const auto lines = journal();
    const auto registered = journalledArguments("registerFile", "clientref");
    std::vector<std::string> uploaded;
    size_t registrations = 0;
    for (const auto& line : lines) {
        if (line.operation.empty()) {
            for (const auto& entry : listed->uploadList)
                if (entry.uploadUrl.EndsWith(wxString::FromUTF8(line.path)))
                    uploaded.push_back(entry.fileId.clientRef.utf8_string());
        } else if (line.operation == "registerFile") {
            const std::string ref = registered.at(registrations++);
            EXPECT_NE(std::find(uploaded.begin(), uploaded.end(), ref), uploaded.end()) << ref;
        }
    }
    EXPECT_EQ(uploaded.size(), 2u);
    EXPECT_EQ(registrations, 2u);
    const std::vector<wxString> sent = {dir / "pics/a.jpg", dir / "pics/b.jpg"};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_FALSE(lines[i].account.empty()) << steps[i];
        // The account's password until the session is open, the session from then on.
        EXPECT_EQ(lines[i].session.empty(), i <= 2) << steps[i];
        EXPECT_EQ(lines[i].status, 200) << steps[i];
        if (!lines[i].operation.empty())
            continue;
        EXPECT_EQ(lines[i].bytes, 100005);
        EXPECT_TRUE(lines[i].md5 == Quorvel::HTTPClient::md5OfFile(sent[0]).utf8_string() ||
                    lines[i].md5 == Quorvel::HTTPClient::md5OfFile(sent[1]).utf8_string());
    }

    // Everything is on the server: the second send lists nothing to upload.
    auto again = client();
    run(Task::createSession(again));
    run(Task::createOrder(again, PRICELIST_ID));
    run(Task::uploadOrderDetails(again, orderXml({"b.jpg", "a.jpg"})));
    auto second = run(Task::getFileUploadList(again, files({"a.jpg", "b.jpg"})));
    EXPECT_TRUE(second->uploadList.empty());
    EXPECT_EQ(second->uploadSize, 0);
    run(Task::verifyOrder(again, 2.10));
}
