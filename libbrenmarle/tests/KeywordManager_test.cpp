#include <gtest/gtest.h>

#include "PhotoLibraryTest.h"
#include "RawDatabase.h"
#include "keywords/KeywordEvent.h"
#include "keywords/KeywordManager.h"

using Brenmarle::Database;
using Brenmarle::File;
using Brenmarle::KeywordEvent;
using Brenmarle::KeywordException;
using Brenmarle::KeywordManager;
using Keywords = std::set<wxString>;

namespace {

const wxString INBOX_FILE = wxS("inbox://00000000-0000-4000-8000-00000000000");

// The keyword list over the test's catalogue, with a listener that records what it is sent.
class KeywordManagerTest : public PhotoLibraryTest {
protected:
    KeywordManagerTest()
    {
        // Without the ten keywords a new catalogue starts with.
        Database::getInstance().setKeywords({});
        keywordEvents.record(Brenmarle::KEYWORD_ADDED);
        keywordEvents.record(Brenmarle::KEYWORD_REMOVED);
        keywordEvents.record(Brenmarle::KEYWORDS_CHANGED);
        keywords.addListener(&keywordEvents, 7);
    }
    ~KeywordManagerTest() override { keywords.removeListener(&keywordEvents); }

    // A catalogued file with `tags`; in memory (registered) or only in the catalogue.
    Quorvel::Ref<File> addFile(int number, const Keywords& tags, bool inMemory)
    {
        auto file = Quorvel::makeRef<File>(INBOX_FILE + wxString::Format("%d", number));
        file->setKeywords(tags);
        Database::getInstance().addFile(*file);
        if (!inMemory)
            return Quorvel::Ref<File>();
        manager->registerFile(file);
        return file;
    }

    // "uri keywords-column keyword-rows" of every file, as another process would read them.
    std::vector<std::string> catalogueRows()
    {
        if (Database::getInstance().isOpen())
            Database::getInstance().commit();
        return RawDatabase(dataDir + "database.db")
            .column("SELECT uri || ' ' || keywords || ' ' || coalesce((SELECT "
                    "group_concat(keyword, ',') FROM (SELECT keyword FROM filekeyword "
                    "WHERE fileuri = uri ORDER BY keyword)), '-') FROM file ORDER BY uri");
    }

    std::string row(int number, const std::string& column, const std::string& rows)
    {
        return (INBOX_FILE + wxString::Format("%d", number)).utf8_string() + " " + column + " " +
               rows;
    }

    KeywordManager keywords{Database::getInstance()};
    EventRecorder keywordEvents;
};

} // namespace

TEST_F(KeywordManagerTest, ListIsTheCataloguesListWithEveryFileKeyword)
{
    Database::getInstance().setKeywords({wxS("Events/Party")});
    addFile(1, {wxS("People/Ann")}, false);
    keywords.load();
    EXPECT_TRUE(keywords.isLoaded());
    EXPECT_EQ(keywords.getKeywords(), (Keywords{wxS("Events/Party"), wxS("People/Ann")}));
    EXPECT_EQ(keywordEvents.types(), std::vector<wxEventType>{Brenmarle::KEYWORDS_CHANGED});

    keywords.addKeyword(wxS("A/B/C"));
    EXPECT_EQ(keywords.getParentKeywords(), (Keywords{wxS("A/B"), wxS("Events"), wxS("People")}));
}

TEST_F(KeywordManagerTest, SavingAListThatNeverLoadedKeepsTheCataloguesList)
{
    Database::getInstance().setKeywords({wxS("Mine")});
    keywords.save();
    EXPECT_EQ(Database::getInstance().getKeywords(), Keywords{wxS("Mine")});
}

TEST_F(KeywordManagerTest, AddingIsAnnouncedAtOnceOnlyForANewKeyword)
{
    keywords.addKeyword(wxS("Todo/Print"));
    keywords.addKeyword(wxS("Todo/Print"));
    // Sent, not posted: nothing waits in a queue.
    ASSERT_EQ(keywordEvents.types(),
              (std::vector<wxEventType>{Brenmarle::KEYWORD_ADDED, Brenmarle::KEYWORDS_CHANGED}));
    EXPECT_EQ(keywordEvents.at<KeywordEvent>(0).getKeyword(), "Todo/Print");
    EXPECT_EQ(keywordEvents.at<KeywordEvent>(0).GetId(), 7);
}

TEST_F(KeywordManagerTest, KeywordsHoldingTheSeparatorOrNothingAreRefusedWithAReason)
{
    addFile(1, {wxS("Party")}, false);
    keywords.load();
    const Keywords before = keywords.getKeywords();
    try {
        keywords.addKeyword(wxS("Rock|Pop"));
        ADD_FAILURE() << "a keyword with the separator was added";
    } catch (const KeywordException& e) {
        EXPECT_TRUE(e.getMessage().Contains("\"|\"")) << e.getMessage();
    }
    EXPECT_THROW(keywords.addKeyword(wxString()), KeywordException);
    EXPECT_THROW(keywords.renameKeyword(wxS("Party"), wxS("Rock|Pop")), KeywordException);
    EXPECT_EQ(keywords.getKeywords(), before);
    EXPECT_EQ(catalogueRows(), std::vector<std::string>{row(1, "Party|", "Party")});
}

TEST_F(KeywordManagerTest, RenamingOntoAKeywordAFileHasLeavesItOnceInMemoryAndInTheCatalogue)
{
    auto inMemory = addFile(1, {wxS("Ann"), wxS("Anne"), wxS("Zoo")}, true);
    addFile(2, {wxS("Ann"), wxS("Anne")}, false);
    addFile(3, {wxS("Ann")}, false);
    keywords.load();

    keywords.renameKeyword(wxS("Ann"), wxS("Anne"));
    EXPECT_EQ(keywords.getKeywords(), (Keywords{wxS("Anne"), wxS("Zoo")}));
    EXPECT_EQ(inMemory->getKeywords(), (Keywords{wxS("Anne"), wxS("Zoo")}));
    ASSERT_TRUE(events->waitForCount(1));
    EXPECT_EQ(events->at<Brenmarle::FileEvent>(0).getChangeMask(),
              Brenmarle::FileEvent::CHANGED_KEYWORDS);

    // As after a restart: the file in memory is stored when let go.
    inMemory.reset();
    keywords.save();
    closeLibrary();
    EXPECT_EQ(catalogueRows(),
              (std::vector<std::string>{row(1, "Anne|Zoo|", "Anne,Zoo"), row(2, "Anne|", "Anne"),
                                        row(3, "Anne|", "Anne")}));
    openLibrary();
    KeywordManager restarted(Database::getInstance());
    restarted.load();
    EXPECT_EQ(restarted.getKeywords(), (Keywords{wxS("Anne"), wxS("Zoo")}));
}

TEST_F(KeywordManagerTest, RenamingAKeywordToItselfChangesNothing)
{
    auto inMemory = addFile(1, {wxS("Party")}, true);
    addFile(2, {wxS("Party")}, false);
    keywords.load();
    keywordEvents.processPending();
    const size_t sent = keywordEvents.count();

    keywords.renameKeyword(wxS("Party"), wxS("Party"));
    EXPECT_EQ(keywords.getKeywords(), Keywords{wxS("Party")});
    EXPECT_EQ(inMemory->getKeywords(), Keywords{wxS("Party")});
    EXPECT_EQ(keywordEvents.count(), sent);
    events->processPending();
    EXPECT_EQ(events->count(), 0u);
    EXPECT_EQ(catalogueRows(),
              (std::vector<std::string>{row(1, "Party|", "Party"), row(2, "Party|", "Party")}));
}

TEST_F(KeywordManagerTest, RemovingTouchesOnlyTheExactKeywordEverywhere)
{
    auto inMemory = addFile(1, {wxS("Events"), wxS("Events/Party")}, true);
    addFile(2, {wxS("Events")}, false);
    keywords.load();
    keywords.removeKeyword(wxS("Events"));

    EXPECT_EQ(keywords.getKeywords(), Keywords{wxS("Events/Party")});
    EXPECT_EQ(keywords.getParentKeywords(), Keywords{wxS("Events")});
    EXPECT_EQ(inMemory->getKeywords(), Keywords{wxS("Events/Party")});
    inMemory.reset();
    closeLibrary();
    EXPECT_EQ(catalogueRows(),
              (std::vector<std::string>{row(1, "Events/Party|", "Events/Party"), row(2, "", "-")}));
}
