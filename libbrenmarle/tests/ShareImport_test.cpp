#include <gtest/gtest.h>

#include "service/PortalId.h"
#include "sharing/ShareImport.h"
#include "sharing/ShareInfoTask.h"
#include "system/Exceptions.h"

using Brenmarle::ShareImport;

namespace {

using Fields = std::map<wxString, wxString>;

const wxString HOST = Brenmarle::PortalId::hostOf("demo");

Fields aShare()
{
    return {{"accesstoken", "0123456789abcdef0123456789abcdef"},
            {"sharedby", "Anna"},
            {"sharehost", HOST},
            {"subject", "Midsummer"},
            {"message", "From the lake.\nMore soon."},
            {"previewsize", "0"},
            {"sharemeta", "true"},
            {"serveruuid", "share42"}};
}

// What reading the share refuses with; empty when it is taken.
wxString refusal(const Fields& fields, const std::vector<wxString>& ids = {"f1", "f2"})
{
    try {
        ShareImport::read(fields, ids);
        return wxString();
    } catch (const Quorvel::Exception& e) {
        return e.getMessage();
    }
}

wxString refusalWith(const wxString& field, const wxString& value)
{
    Fields fields = aShare();
    fields[field] = value;
    return refusal(fields);
}

} // namespace

TEST(ShareImport, AShareNamesItsPicturesOnItsHostWithItsToken)
{
    Fields fields = aShare();
    fields["sharehost"] = " " + HOST.Upper() + "\n";
    const ShareImport share = ShareImport::read(fields, {"f1", " f2 ", "f1"});
    EXPECT_EQ(share.getHost(), HOST);
    EXPECT_EQ(share.getSharedBy(), "Anna");
    EXPECT_EQ(share.getMessage(), "From the lake.\nMore soon.");
    EXPECT_EQ(share.getServerUuid(), "share42");
    // A picture listed twice is one picture.
    EXPECT_EQ(share.getFileUris(),
              (std::vector<wxString>{
                  "shared://" + HOST + "/0123456789abcdef0123456789abcdef/f1/shared.jpg",
                  "shared://" + HOST + "/0123456789abcdef0123456789abcdef/f2/shared.jpg"}));
}

TEST(ShareImport, HostsOutsideTheServicesAndHostileTokensAreRefused)
{
    const wxString notServices = "The share's host is not one of the service's hosts: ";
    for (const wxString& host : std::vector<wxString>{
             "evil.example", "127.0.0.1", "localhost", "demo.portal.vistrelle.net.evil.example",
             "a.b" + HOST.Mid(4), "x" + HOST.AfterFirst('.'), "demo" + HOST.Mid(4) + ":8080",
             "user@" + HOST, HOST + "/x", "-d" + HOST.Mid(4), HOST.Mid(4)})
        EXPECT_EQ(refusalWith("sharehost", host), notServices + host) << host;
    EXPECT_EQ(refusalWith("sharehost", ""), "The share does not name its host");

    for (const wxString& token :
         std::vector<wxString>{"", "t&file=x", "t/../f", "..", "t?x", "t%20", "t#x", "t x",
                               wxString(129, 'a'), wxString::FromUTF8("t\xc3\xa9")})
        EXPECT_EQ(refusalWith("accesstoken", token),
                  "The share's access token is missing or not allowed")
            << token;
    for (const wxString& id : std::vector<wxString>{"", "f&at=other", "../f", "f/g", ".."})
        EXPECT_EQ(refusal(aShare(), {"f1", id}), "A file id of the share is not allowed: " + id)
            << id;
    EXPECT_EQ(refusalWith("serveruuid", "s/../x"), "The share's server id is not allowed");
}

TEST(ShareImport, OtherFieldsAreCheckedOneByOne)
{
    EXPECT_EQ(refusal(aShare()), "");
    EXPECT_EQ(refusalWith("previewsize", "800"),
              "The share's preview size is not one the service makes: 800");
    EXPECT_EQ(refusalWith("previewsize", ""),
              "The share's preview size is not one the service makes: ");
    EXPECT_EQ(refusalWith("previewsize", "640x"),
              "The share's preview size is not one the service makes: 640x");
    EXPECT_EQ(refusalWith("sharemeta", "yes"),
              "The share's information flag is neither true nor false: yes");
    EXPECT_EQ(refusalWith("sharedby", ""), "The share does not say who shared it");
    EXPECT_EQ(refusalWith("sharedby", wxString(201, 'a')),
              "The share's sender is longer than 200 characters");
    // Text that would turn what the page says around, or break it into lines.
    EXPECT_EQ(refusalWith("sharedby", wxString::FromUTF8("Anna\u202e")),
              "The share's sender holds control characters");
    EXPECT_EQ(refusalWith("subject", "a\nb"), "The share's subject holds control characters");
    EXPECT_EQ(refusalWith("message", wxString("a\x01", 2)),
              "The share's message holds control characters");
    EXPECT_EQ(refusal(aShare(), {}), "The share lists no files");
    EXPECT_EQ(refusal(aShare(), std::vector<wxString>(1001, "f")),
              "The share lists more than 1000 files");
    EXPECT_EQ(refusal(aShare(), std::vector<wxString>(1000, "f")), "");
}

TEST(ShareImport, TheTextsTellHowManyPicturesAndWhatTheSharerAllowed)
{
    const auto share = [](const wxString& size, const wxString& meta, size_t files) {
        Fields fields = aShare();
        fields["previewsize"] = size;
        fields["sharemeta"] = meta;
        std::vector<wxString> ids;
        for (size_t i = 0; i < files; ++i)
            ids.push_back(wxString::Format("f%zu", i));
        return ShareImport::read(fields, ids);
    };
    EXPECT_EQ(share("0", "true", 1).getSourceText(), "Anna has chosen to share 1 photo with you!");
    EXPECT_EQ(share("0", "true", 3).getSourceText(), "Anna has chosen to share 3 photos with you!");
    EXPECT_EQ(share("0", "true", 2).getAccessText(),
              "You get access to the full size photos, and also any extra information Anna has "
              "added to the photos");
    EXPECT_EQ(share("0", "false", 2).getAccessText(),
              "You get access to the full size photos, and you wont get any extra information "
              "added to the photos.");
    EXPECT_EQ(share("640", "1", 2).getAccessText(),
              "Anna has not shared the original files with you, but instead you get 640x480 "
              "previews, and you get any extra information added to the photos!");
    EXPECT_EQ(share("160", "", 2).getAccessText(),
              "Anna has not shared the original files with you, but instead you get 160x120 "
              "previews, and you wont get any extra information added to the photos.");
}

// The sharer's file name is made safe for any disk; the rest of the information only comes when
// the sharer shared it.
TEST(ShareInfoTask, TheHostsInformationIsGivenAsTheSharerAllowed)
{
    Brenmarle::SharingClient_3_0::FileInfo info;
    info.fileName = "../../Bilder/Sauna: night?.jpg";
    info.caption = "Steam";
    info.copyright = "Anna";
    info.favorite = true;
    for (const bool meta : {false, true}) {
        auto file = Quorvel::makeRef<Brenmarle::File>("shared://h/t/f/shared.jpg");
        file->setFileName("shared.jpg");
        Brenmarle::ShareInfoTask::apply(info, meta, *file);
        EXPECT_EQ(file->getFileName(), "Sauna_ night_.jpg");
        EXPECT_EQ(file->getCaption(), meta ? "Steam" : "");
        EXPECT_EQ(file->getCopyright(), meta ? "Anna" : "");
        EXPECT_EQ(file->isFavorite(), meta);
    }
    // No name given: the picture keeps the one it has.
    auto file = Quorvel::makeRef<Brenmarle::File>("shared://h/t/f/shared.jpg");
    file->setFileName("shared.jpg");
    Brenmarle::ShareInfoTask::apply({}, true, *file);
    EXPECT_EQ(file->getFileName(), "shared.jpg");
}
