#include <gtest/gtest.h>

#include <Magick++.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "ProviderFixture.h"
#include "ProviderStore.h"
#include "ScratchDir.h"
#include "SoapReplies.h"
#include "TaskOutcome.h"
#include "TestPictures.h"
#include "service/HTTPClient.h"
#include "service/NetworkSettings.h"
#include "service/SharingClient_3_0.h"
#include "service/SharingClient_3_0_Task.h"
#include "threads/TaskEvent.h"

using Brenmarle::SharingClient_3_0;
using SoapReplies::failureOf;
using Task = Brenmarle::SharingClient_3_0_Task;

namespace {

std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

Task::SharedPicture pictureAt(const wxString& path, int rotation = 0)
{
    Task::SharedPicture picture;
    picture.uri = "file://" + path;
    picture.path = path;
    picture.contentType = "image/jpeg";
    picture.rotation = rotation;
    picture.info.fileName = path.AfterLast('/');
    picture.info.caption = "Caption of " + path.AfterLast('/');
    picture.info.keywords = {"summer"};
    return picture;
}

// The arguments that were given (a refused call journals none).
std::vector<std::string> given(std::vector<std::string> arguments)
{
    arguments.erase(std::remove(arguments.begin(), arguments.end(), std::string()),
                    arguments.end());
    return arguments;
}

// The progress texts that name `word`.
std::vector<wxString> textsWith(const TaskOutcome& outcome, const wxString& word)
{
    std::vector<wxString> texts;
    for (const wxString& text : outcome.progressTexts)
        if (text.Contains(word))
            texts.push_back(text);
    return texts;
}

} // namespace

class SharingClientTest : public ProviderFixture {
protected:
    SharingClientTest()
    {
        // Two pictures of one name in different folders, one of them shown turned.
        TestPictures::writeJpeg(dir / "pics/a/IMG_0001.JPG", 1600, 1200);
        TestPictures::writeJpeg(dir / "pics/b/IMG_0001.JPG", 1600, 1200);
        TestPictures::writeJpeg(dir / "pics/c.jpg", 800, 600);
    }

    Quorvel::Ref<SharingClient_3_0> client()
    {
        auto sharing = Quorvel::makeRef<SharingClient_3_0>(settings);
        sharing->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        return sharing;
    }
    std::vector<Task::SharedPicture> threePictures() const
    {
        return {pictureAt(dir / "pics/a/IMG_0001.JPG"), pictureAt(dir / "pics/b/IMG_0001.JPG", 90),
                pictureAt(dir / "pics/c.jpg")};
    }
    static Task::Share shareOf(int previewSize, std::vector<wxString> recipients)
    {
        Task::Share share;
        share.subject = "Shared pictures!";
        share.message = "From the <b>lake</b> & \"the hut\"\nSee you";
        share.previewSize = previewSize;
        share.shareMeta = true;
        share.recipients = std::move(recipients);
        return share;
    }
    Provider::ProviderStore store() const
    {
        return Provider::ProviderStore(utf8(dir / "data/provider.db"));
    }
    std::string accountId() const
    {
        return store().findAccount("demo", "anna@example.com").value().id;
    }
    void activatePhone(const std::string& phone)
    {
        auto account = store().findAccount("demo", "anna@example.com").value();
        account.activatedPhone = phone;
        store().saveAccount(account);
    }
    // The SOAP operations of the sharing service the provider journalled, in order.
    std::vector<std::string> sharingCalls() const
    {
        std::vector<std::string> calls;
        for (const auto& line : journal())
            if (!line.operation.empty())
                calls.push_back(line.operation);
        return calls;
    }
    // GET of `path` on the sharing host, as a recipient's browser asks; the status, and the
    // body in `body`.
    int fetch(const std::string& path, std::string& body)
    {
        Quorvel::HTTPClient http(settings);
        const int status = http.get("http://demo.portal.vistrelle.net" + wxString::FromUTF8(path));
        body.clear();
        http.readBody([&](const char* data, size_t size) { body.append(data, size); });
        return status;
    }
};

TEST(SharingClientTask, ClientReferencesAreUniqueWithinAShare)
{
    std::vector<Task::SharedPicture> pictures(6);
    pictures[0].uri = "file:///a/IMG_0001.JPG";
    pictures[1].uri = "file:///b/IMG_0001.JPG";
    // Letter case apart is the same name on a disk that does not tell case apart.
    pictures[2].uri = "file:///c/img_0001.jpg";
    // A name the renaming would make, taken by a picture of its own: the later one moves on.
    pictures[3].uri = "file:///d/IMG_0001~2.JPG";
    pictures[4].uri = "file:///e/README";
    pictures[5].uri = "file:///f/README";
    EXPECT_EQ(Task::clientRefsOf(pictures),
              (std::vector<wxString>{"ssfile://IMG_0001.JPG", "ssfile://IMG_0001~2.JPG",
                                     "ssfile://img_0001~3.jpg", "ssfile://IMG_0001~2~2.JPG",
                                     "ssfile://README", "ssfile://README~2"}));
}

TEST(SharingClientTask, PreviewSizesAreTheFourBoxes)
{
    int width = 0;
    int height = 0;
    for (const auto& [size, box] :
         {std::pair<int, int>{160, 120}, {320, 240}, {640, 480}, {1280, 960}}) {
        Task::previewBox(size, width, height);
        EXPECT_EQ(width, size);
        EXPECT_EQ(height, box);
    }
    for (int size : {0, 800, -640, 161})
        EXPECT_EQ(failureOf([&] { Task::previewBox(size, width, height); }),
                  wxString::Format("Application.Error: Unsupported preview size: %d", size));
}

TEST_F(SharingClientTest, AWebShareOfThreePicturesAt640SendsUprightPreviews)
{
    auto task = Task::shareByWeb(client(), threePictures(), shareOf(640, {"bob@example.com"}));
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_EQ(outcome.endings, 1u);

    EXPECT_EQ(sharingCalls(),
              (std::vector<std::string>{"createSession", "createShare", "getFileUploadList",
                                        "registerFile", "registerFile", "registerFile",
                                        "closeShare", "shareByWeb"}));
    EXPECT_EQ(journalledArguments("createShare", "subject"),
              std::vector<std::string>{"Shared pictures!"});
    EXPECT_EQ(journalledArguments("createShare", "previewsize"), std::vector<std::string>{"640"});
    // Two pictures of one name are two files; the turned one stands upright.
    EXPECT_EQ(journalledArguments("registerFile", "clientref"),
              (std::vector<std::string>{"ssfile://IMG_0001.JPG", "ssfile://IMG_0001~2.JPG",
                                        "ssfile://c.jpg"}));
    EXPECT_EQ(journalledArguments("registerFile", "imagewidth"),
              (std::vector<std::string>{"640", "360", "640"}));
    EXPECT_EQ(journalledArguments("registerFile", "imageheight"),
              (std::vector<std::string>{"480", "480", "480"}));
    EXPECT_EQ(textsWith(outcome, "Uploading"),
              (std::vector<wxString>{"Uploading file 1 of 3", "Uploading file 2 of 3",
                                     "Uploading file 3 of 3"}));
    EXPECT_EQ(
        textsWith(outcome, "Resizing"),
        (std::vector<wxString>{"Resizing file 1...", "Resizing file 2...", "Resizing file 3..."}));
    EXPECT_EQ(textsWith(outcome, "Sharing"), std::vector<wxString>{"Sharing with bob@example.com"});
    EXPECT_TRUE(task->progress.closed);
    EXPECT_EQ(task->progress.served, std::vector<wxString>{"bob@example.com"});
    EXPECT_EQ(task->uploadedCount, 3);

    // What the provider keeps, read back from its disk: JPEGs fitted into 640 x 480, upright.
    const auto files = store().shareFiles(utf8(task->progress.shareId));
    ASSERT_EQ(files.size(), 3u);
    const int widths[] = {640, 360, 640};
    for (size_t i = 0; i < files.size(); ++i) {
        Magick::Image kept;
        kept.read(utf8(dir / "data/uploads/") + accountId() + "/shares/" +
                  utf8(task->progress.shareId) + "/" + files[i].serverUuid);
        EXPECT_EQ(kept.magick(), "JPEG");
        EXPECT_EQ(static_cast<int>(kept.columns()), widths[i]);
        EXPECT_EQ(kept.rows(), 480u);
        EXPECT_TRUE(kept.orientation() == MagickCore::TopLeftOrientation ||
                    kept.orientation() == MagickCore::UndefinedOrientation);
    }
    // The turned picture's red quarter, top left as stored, is top right once upright.
    Magick::Image turned;
    turned.read(utf8(dir / "data/uploads/") + accountId() + "/shares/" +
                utf8(task->progress.shareId) + "/" + files[1].serverUuid);
    const Magick::ColorRGB topRight = turned.pixelColor(turned.columns() - 5, 5);
    EXPECT_GT(topRight.red(), 0.8);
    EXPECT_LT(topRight.green(), 0.3);
}

TEST_F(SharingClientTest, RecipientsSeeTheShareThroughTheirTokenWithTheSharersTextEscaped)
{
    auto task = Task::shareByWeb(client(), threePictures(), shareOf(320, {"bob@example.com"}));
    task->share.subject = "<script>alert(1)</script>";
    task->share.shareMeta = false;
    ASSERT_EQ(TaskOutcome::runToEnd(task).type, Quorvel::EVT_TASK_FINISHED);
    const auto recipients = store().shareRecipients(utf8(task->progress.shareId));
    ASSERT_EQ(recipients.size(), 1u);
    const std::string token = recipients[0].accessToken;

    std::string page;
    ASSERT_EQ(fetch("/share?at=" + token, page), 200);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("From the &lt;b&gt;lake&lt;/b&gt; &amp; &quot;the hut&quot;<br>"),
              std::string::npos);

    // The download address of the receiving side gives the bytes the provider holds.
    const auto files = store().shareFiles(utf8(task->progress.shareId));
    std::string bytes;
    ASSERT_EQ(
        fetch("/service/sharing/3.0/download.php?at=" + token + "&file=" + files[0].serverUuid,
              bytes),
        200);
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), files[0].bytes);
    EXPECT_EQ(bytes.substr(0, 2), "\xff\xd8");
    EXPECT_NE(page.find(files[0].serverUuid), std::string::npos);

    // The token opens the file's information; without the sharer's consent, no caption.
    auto recipient = Quorvel::makeRef<SharingClient_3_0>(settings);
    recipient->setAddress(portalAddress("demo"));
    const auto info = recipient->getFileInformation(
        {wxString::FromUTF8(files[0].serverUuid), "", 0, 0}, wxString::FromUTF8(token));
    EXPECT_EQ(info.fileName, "IMG_0001.JPG");
    EXPECT_EQ(info.fileSize, files[0].bytes);
    EXPECT_EQ(info.caption, "");
    EXPECT_TRUE(info.keywords.empty());

    // A token that is not one, or another share's file, is not found, whichever it is.
    std::string ignored;
    const std::string wrong(token.size(), 'a');
    for (const std::string& path :
         {"/share?at=" + wrong, "/share?at=" + token + "x", std::string("/share?at=../../x"),
          std::string("/share"),
          "/service/sharing/3.0/download.php?at=" + wrong + "&file=" + files[0].serverUuid,
          "/service/sharing/3.0/download.php?at=" + token + "&file=../" + files[0].serverUuid,
          "/service/sharing/3.0/download.php?at=" + token + "&file=nothing"})
        EXPECT_EQ(fetch(path, ignored), 404) << path;
    EXPECT_EQ(failureOf([&] {
                  recipient->getFileInformation({wxString::FromUTF8(files[0].serverUuid), "", 0, 0},
                                                wxString::FromUTF8(wrong));
              }),
              "SoapClient.NotFound: No such shared file (via proxy)");
}

TEST_F(SharingClientTest, InformationGoesWithThePicturesOnlyWhenShared)
{
    auto task = Task::createShare(client(), {pictureAt(dir / "pics/c.jpg")}, shareOf(0, {}));
    ASSERT_EQ(TaskOutcome::runToEnd(task).type, Quorvel::EVT_TASK_FINISHED);
    // Full size: the file itself, byte for byte.
    const auto files = store().shareFiles(utf8(task->progress.shareId));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(
        dir.readFile(wxString::FromUTF8("data/uploads/" + accountId() + "/shares/" +
                                        utf8(task->progress.shareId) + "/" + files[0].serverUuid)),
        dir.readFile("pics/c.jpg"));
    const std::string token =
        store()
            .addShareRecipient(utf8(task->progress.shareId), "web", "bob@example.com")
            .accessToken;
    const auto info = client()->getFileInformation(
        {wxString::FromUTF8(files[0].serverUuid), "", 0, 0}, wxString::FromUTF8(token));
    EXPECT_EQ(info.caption, "Caption of c.jpg");
    EXPECT_EQ(info.keywords, std::vector<wxString>{"summer"});
    EXPECT_EQ(info.contentType, "image/jpeg");
}

TEST_F(SharingClientTest, MmsHasItsPriceLimitsAndChecks)
{
    startProvider("[provider]\nmmsprice = 3.00\nmmscurrency = NOK\n");
    const TaskOutcome priced = TaskOutcome::runToEnd(Task::getMmsInfo(client()));
    ASSERT_EQ(priced.type, Quorvel::EVT_TASK_FINISHED) << priced.failure();
    auto info = client()->getMmsInfo();
    EXPECT_DOUBLE_EQ(info.pricePerMms, 3.00);
    EXPECT_EQ(info.currency, "NOK");

    const auto twoPictures = std::vector<Task::SharedPicture>{
        pictureAt(dir / "pics/c.jpg"), pictureAt(dir / "pics/a/IMG_0001.JPG")};
    const auto mms = [&](const std::vector<Task::SharedPicture>& pictures, int size,
                         std::vector<wxString> recipients) {
        return TaskOutcome::runToEnd(
                   Task::shareByMms(client(), pictures, shareOf(size, std::move(recipients))))
            .failure();
    };
    // Charged to the account's activated mobile phone: none, no MMS.
    EXPECT_EQ(mms(twoPictures, 320, {"4711111"}),
              "SoapClient.NoActivatedMobile: Activate a mobile phone to pay for MMS first (via "
              "proxy)");
    activatePhone("4799999999");
    EXPECT_EQ(mms(threePictures(), 320, {"4711111"}),
              "SoapClient.TooManyPictures: An MMS carries at most 2 pictures (via proxy)");
    EXPECT_EQ(mms(twoPictures, 1280, {"4711111"}),
              "SoapClient.PreviewSize: An MMS carries previews of at most 640 x 480 (via proxy)");
    EXPECT_EQ(mms(twoPictures, 160, {"4711"}),
              "SoapClient.InvalidRecipient: Not a phone number: 4711 (via proxy)");
    // Refused before anything was sent.
    EXPECT_EQ(given(journalledArguments("shareByMms", "sent")), std::vector<std::string>{});

    // Two recipients: shareByMms twice with the one share, each charged for two pictures.
    auto task = Task::shareByMms(client(), twoPictures, shareOf(160, {"4711111", "4722222"}));
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    const auto shareIds = journalledArguments("shareByMms", "shareid");
    ASSERT_EQ(shareIds.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(shareIds.end() - 2, shareIds.end()),
              (std::vector<std::string>(2, utf8(task->progress.shareId))));
    const auto charges = given(journalledArguments("shareByMms", "charge"));
    ASSERT_EQ(charges.size(), 2u);
    EXPECT_EQ(charges[0], "6.000000 NOK to 4799999999");
    EXPECT_EQ(given(journalledArguments("shareByMms", "sent")),
              (std::vector<std::string>{"new", "new"}));
    EXPECT_EQ(textsWith(outcome, "Sharing"),
              (std::vector<wxString>{"Sharing with 4711111", "Sharing with 4722222"}));
}

TEST_F(SharingClientTest, ARetryAfterALostReplySendsNoMmsTwice)
{
    // The first MMS is sent, and its answer lost on the way.
    startProvider("[faults]\nrule = sharing/shareByMms | no-answer | 1\n");
    activatePhone("4799999999");
    auto sharing = client();
    const auto pictures = std::vector<Task::SharedPicture>{pictureAt(dir / "pics/c.jpg")};
    auto task = Task::shareByMms(sharing, pictures, shareOf(320, {"4711111", "4722222"}));
    const TaskOutcome failed = TaskOutcome::runToEnd(task);
    ASSERT_EQ(failed.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_TRUE(task->progress.closed);
    EXPECT_TRUE(task->progress.served.empty());

    auto again = Task::retry(*task);
    EXPECT_EQ(again->getOperation(), Task::SHARE_BY_MMS);
    const TaskOutcome retried = TaskOutcome::runToEnd(again);
    ASSERT_EQ(retried.type, Quorvel::EVT_TASK_FINISHED) << retried.failure();
    EXPECT_EQ(again->progress.shareId, task->progress.shareId);
    EXPECT_EQ(again->progress.served, (std::vector<wxString>{"4711111", "4722222"}));
    // One share, one upload; the repeated send to the first recipient sent nothing.
    EXPECT_EQ(journalled("createShare"), 1u);
    EXPECT_EQ(journalled("registerFile"), 1u);
    EXPECT_EQ(journalledArguments("shareByMms", "recipient"),
              (std::vector<std::string>{"4711111", "4711111", "4722222"}));
    EXPECT_EQ(journalledArguments("shareByMms", "sent"),
              (std::vector<std::string>{"new", "already", "new"}));
    std::vector<int> statuses;
    for (const auto& line : journal())
        if (line.operation == "shareByMms")
            statuses.push_back(line.status);
    // The lost answer is journalled as none given.
    EXPECT_EQ(statuses, (std::vector<int>{0, 200, 200}));
    EXPECT_EQ(store().shareRecipients(utf8(task->progress.shareId)).size(), 2u);

    // A retry of a finished share sends to nobody again.
    const TaskOutcome third = TaskOutcome::runToEnd(Task::retry(*again));
    ASSERT_EQ(third.type, Quorvel::EVT_TASK_FINISHED) << third.failure();
    EXPECT_EQ(journalled("shareByMms"), 3u);
}

TEST_F(SharingClientTest, AnUnsupportedPreviewSizeFailsBeforeAnythingIsSent)
{
    auto task = Task::shareByWeb(client(), threePictures(), shareOf(800, {"bob@example.com"}));
    EXPECT_EQ(TaskOutcome::runToEnd(task).failure(),
              "Application.Error: Unsupported preview size: 800");
    EXPECT_TRUE(journal().empty());
}

TEST_F(SharingClientTest, APictureThatCannotBeScaledFailsTheShareAndIsNotRegistered)
{
    dir.writeFile("pics/broken.jpg", "\xff\xd8\xff\xe0 not really a picture");
    auto task = Task::shareByWeb(client(), {pictureAt(dir / "pics/broken.jpg")},
                                 shareOf(160, {"bob@example.com"}));
    EXPECT_EQ(TaskOutcome::runToEnd(task).failure(),
              "Application.Error: Could not scale image: " + (dir / "pics/broken.jpg"));
    EXPECT_EQ(journalled("registerFile"), 0u);
    EXPECT_EQ(journalled("shareByWeb"), 0u);
}

TEST_F(SharingClientTest, TheProviderRefusesWhatWouldMixFilesUp)
{
    auto sharing = client();
    sharing->createSession();
    EXPECT_EQ(failureOf([&] { sharing->closeShare(); }),
              "SoapClient.NoShare: Create a share first (via proxy)");
    const wxString shareId = sharing->createShare("s", "m", 0, false);
    const std::vector<SharingClient_3_0::FileId> twice{{"", "ssfile://a.jpg", 1, 1},
                                                       {"", "ssfile://a.jpg", 2, 2}};
    EXPECT_EQ(failureOf([&] { sharing->getFileUploadList(twice); }),
              "SoapClient.DuplicateClientRef: Two files are named ssfile://a.jpg (via proxy)");
    EXPECT_EQ(failureOf([&] {
                  sharing->getFileUploadList({{"", "file:///etc/passwd", 1, 1}});
              }),
              "SoapClient.UnknownClientRef: Unknown clientref: file:///etc/passwd (via proxy)");
    EXPECT_EQ(sharing->getFileUploadList({{"", "ssfile://a.jpg", 1, 1}}).size(), 1u);
    // Not closable while a file is missing, and not sendable while open.
    EXPECT_EQ(failureOf([&] { sharing->closeShare(); }),
              "SoapClient.FilesMissing: A file of the share has not been uploaded: "
              "ssfile://a.jpg (via proxy)");
    EXPECT_EQ(failureOf([&] { sharing->shareByWeb(shareId, "bob@example.com"); }),
              "SoapClient.ShareNotClosed: Close the share first (via proxy)");
    // Another account's share is as unknown as none.
    EXPECT_EQ(failureOf([&] { sharing->shareByWeb("nosuchshare", "bob@example.com"); }),
              "SoapClient.UnknownShare: No such share: nosuchshare (via proxy)");
}

TEST(SharingClient, HostileRepliesAreRefused)
{
    ScratchDir dir;
    Quorvel::NetworkSettings direct(dir / "network.ini");
    TestPictures::writeJpeg(dir / "c.jpg", 64, 48);
    LoopbackHttpServer server;
    auto sharing = Quorvel::makeRef<SharingClient_3_0>(direct);
    sharing->setAddress({"127.0.0.1", server.port(), "anna@example.com", "secret"});

    server.enqueue(
        SoapReplies::reply("sharing", "3.0", "createSession", "<sessionid>s1</sessionid>"));
    server.enqueue(SoapReplies::reply("sharing", "3.0", "createShare", "<shareid/>"));
    EXPECT_EQ(sharing->createSession(), "s1");
    EXPECT_EQ(failureOf([&] { sharing->createShare("s", "m", 0, false); }),
              "Application.Error: Missing share id");

    const std::string array = "<uploadlist xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/"
                              "encoding/\" SOAP-ENC:arrayType=\"sharing:FileUpload[1]\">";
    server.enqueue(SoapReplies::reply(
        "sharing", "3.0", "getFileUploadList",
        array + "<item><uploadurl>http://127.0.0.1/u</uploadurl></item></uploadlist>"));
    EXPECT_EQ(failureOf([&] {
                  sharing->getFileUploadList({{"", "ssfile://c.jpg", 1, 1}});
              }),
              "Application.Error: Missing file id in upload list");
    server.enqueue(SoapReplies::reply("sharing", "3.0", "getFileInformation", ""));
    EXPECT_EQ(failureOf([&] {
                  sharing->getFileInformation({"x", "", 0, 0}, "t");
              }),
              "Application.Error: Did not get file info in response");

    // The flags typed "xsd:bolean" are taken as they come.
    const auto entry = [&](const std::string& url, const std::string& ref) {
        return array + "<item><uploadurl>" + url +
               "</uploadurl><needmeta xsi:type=\"xsd:bolean\" "
               "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">true</needmeta>"
               "<needfile>true</needfile><fileid><serveruuid>f1</serveruuid><clientref>" +
               ref + "</clientref></fileid></item></uploadlist>";
    };
    server.enqueue(SoapReplies::reply("sharing", "3.0", "getFileUploadList",
                                      entry("http://127.0.0.1/u", "ssfile://c.jpg")));
    const auto list = sharing->getFileUploadList({{"", "ssfile://c.jpg", 1, 1}});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].needMeta, "true");
    EXPECT_EQ(list[0].fileId.serverUuid, "f1");

    // A task given a foreign upload address, or an entry naming no picture of the share,
    // sends nothing and registers nothing.
    const std::string local = "http://127.0.0.1:" + std::to_string(server.port()) + "/u";
    for (const auto& [url, ref, failure] :
         {std::tuple<std::string, std::string, wxString>{"http://elsewhere.example/u",
                                                         "ssfile://c.jpg", "Security.Credentials"},
          {local, "ssfile://other.jpg", "Logic.NotFound"}}) {
        server.enqueue(
            SoapReplies::reply("sharing", "3.0", "createSession", "<sessionid>s2</sessionid>"));
        server.enqueue(SoapReplies::reply("sharing", "3.0", "createShare", "<shareid>x</shareid>"));
        server.enqueue(SoapReplies::reply("sharing", "3.0", "getFileUploadList", entry(url, ref)));
        const size_t before = server.requests().size();
        Task::Share share;
        share.recipients = {"bob@example.com"};
        auto task = Task::shareByWeb(sharing, {pictureAt(dir / "c.jpg")}, share);
        const TaskOutcome outcome = TaskOutcome::runToEnd(task);
        EXPECT_EQ(outcome.code, failure) << outcome.failure();
        EXPECT_EQ(server.requests().size(), before + 3) << url;
        EXPECT_FALSE(task->progress.closed);
    }
}
