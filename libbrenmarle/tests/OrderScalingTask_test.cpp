#include <gtest/gtest.h>

#include <atomic>

#include <Magick++.h>
#include <wx/filefn.h>

#include "PhotoLibraryTest.h"
#include "PricelistBuilder.h"
#include "ScratchDir.h"
#include "TaskOutcome.h"
#include "TestPictures.h"
#include "core/Exceptions.h"
#include "exif/EXIFProfile.h"
#include "imaging/JfifHeader.h"
#include "ordering/CdParts.h"
#include "ordering/OrderScalingTask.h"
#include "ordering/ScaledCopies.h"
#include "ordering/ShoppingCart.h"
#include "threads/TaskEvent.h"

using namespace Brenmarle;

namespace {

PrintAreaSize area(int width, int height)
{
    PrintAreaSize size;
    size.width = width;
    size.height = height;
    return size;
}

// Dots per 250 print units, as the scaling counts them.
int dots(int pixels, int printLength)
{
    return static_cast<int>(pixels / (printLength / 250.0));
}

} // namespace

TEST(OrderScalingTask, ShrinksInStepsUntilOneDirectionHasAtMost300Dots)
{
    // 750 : 749 dots at the start; the first size at which a direction reaches 300 or less.
    EXPECT_EQ(dots(3000, 1000), 750);
    EXPECT_EQ(dots(2000, 667), 749);
    const auto size = OrderScalingTask::targetSize(3000, 2000, area(1000, 667));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 1172);
    EXPECT_EQ(size->height, 778);
    EXPECT_LE(std::min(dots(size->width, 1000), dots(size->height, 667)), 300);
    // One step less would still have been above 300 both ways.
    EXPECT_GT(dots(1211, 1000), 300);
    EXPECT_GT(dots(804, 667), 300);
}

TEST(OrderScalingTask, LeavesPicturesThatNeedNoScaling)
{
    // Exactly 300 dots, fewer, or one direction low already.
    EXPECT_FALSE(OrderScalingTask::targetSize(1200, 800, area(1000, 667)));
    EXPECT_FALSE(OrderScalingTask::targetSize(4000, 1000, area(1000, 1000)));
    // Nothing to compare with: a print area or a picture size of 0.
    EXPECT_FALSE(OrderScalingTask::targetSize(3000, 2000, area(0, 667)));
    EXPECT_FALSE(OrderScalingTask::targetSize(3000, 2000, area(1000, 0)));
    EXPECT_FALSE(OrderScalingTask::targetSize(0, 2000, area(1000, 667)));
    EXPECT_FALSE(OrderScalingTask::targetSize(3000, -5, area(1000, 667)));
    // 301 dots both ways shrink once.
    const auto once = OrderScalingTask::targetSize(1204, 1204, area(1000, 1000));
    ASSERT_TRUE(once);
    EXPECT_EQ(once->width, 1165);
}

TEST(OrderScalingTask, ExtremeSizesEndWithoutOverflow)
{
    const auto size = OrderScalingTask::targetSize(16000, 16000, area(1, 1));
    ASSERT_TRUE(size);
    EXPECT_GE(size->width, 0);
    EXPECT_LE(dots(size->width, 1), 300);
}

namespace {

class OrderScalingRun : public PhotoLibraryTest {
protected:
    OrderScalingRun()
    {
        auto list = std::make_shared<Pricelist>();
        Product print = makeProduct("print", {{1, "0.5"}});
        print.printAreaSize = area(1000, 667);
        list->addProduct(print);
        list->addProduct(makeProduct("book", {{1, "20"}}));
        pricelist = list;
        folder = ScaledCopies::folderOf(dataDir);
    }

    // A picture whose top-left quarter is red, stored as the record says.
    wxString picture(const wxString& name, int width, int height)
    {
        const wxString path = home / name;
        TestPictures::writeJpeg(path, width, height);
        return path;
    }

    // Runs `task` to its end; the type of its last event.
    wxEventType run(const Quorvel::Ref<OrderScalingTask>& task)
    {
        const TaskOutcome outcome = TaskOutcome::runToEnd(task);
        failure = outcome.message;
        return outcome.type;
    }

    std::shared_ptr<const Pricelist> pricelist;
    wxString folder;
    wxString failure;
};

} // namespace

TEST_F(OrderScalingRun, WritesAnUprightQuality85CopyAndAppliesItToThePartOnly)
{
    const wxString big = picture("big.jpg", 1500, 1000);
    const wxString small = picture("small.jpg", 600, 400);
    Order order(pricelist);
    order.addPart(makePart("print", 1, "file://" + big));
    order.addPart(makePart("print", 1, "file://" + small));
    order.addPart(makePart("book", 1, "file://" + big)); // not a print: left alone
    // The record says the big picture is shown turned by 90 degrees.
    auto task = Quorvel::makeRef<OrderScalingTask>(order, folder, [&](const wxString& uri) {
        OrderScalingTask::Picture found;
        found.path = uri.Mid(7);
        Magick::Image header;
        header.ping(std::string(found.path.utf8_str()));
        found.width = static_cast<int>(header.columns());
        found.height = static_cast<int>(header.rows());
        found.rotation = found.path == big ? 90 : 0;
        return found;
    });
    ASSERT_EQ(run(task), Quorvel::EVT_TASK_FINISHED) << failure;

    const auto copies = task->getCopies();
    // 1500 x 1000 at 1000 x 667 is 375 dots; the small one has 150 and stays as it is.
    ASSERT_EQ(copies.size(), 1u);
    const auto target = OrderScalingTask::targetSize(1500, 1000, area(1000, 667)).value();
    Magick::Image written;
    written.read(std::string(ScaledCopies::pathOf(folder, copies[0].copyUri).utf8_str()));
    EXPECT_EQ(written.magick(), "JPEG");
    EXPECT_EQ(written.quality(), 85u);
    // Turned upright: the sides swap, and the tag says the pixels need no turning.
    EXPECT_EQ(static_cast<int>(written.columns()), target.height);
    EXPECT_EQ(static_cast<int>(written.rows()), target.width);
    EXPECT_TRUE(written.orientation() == MagickCore::TopLeftOrientation ||
                written.orientation() == MagickCore::UndefinedOrientation);
    // The red quarter was top left; after a clockwise quarter turn it is top right.
    const Magick::ColorRGB topRight = written.pixelColor(written.columns() - 5, 5);
    EXPECT_GT(topRight.red(), 0.8);
    EXPECT_LT(topRight.green(), 0.3);
    EXPECT_TRUE(copies[0].copyUri.StartsWith("nvtemp://order-scaled-"));

    EXPECT_EQ(OrderScalingTask::applyTo(order, copies), 1u);
    EXPECT_EQ(order.getPart(0).getFirstFileUri(), copies[0].copyUri);
    EXPECT_EQ(order.getPart(1).getFirstFileUri(), "file://" + small);
    EXPECT_EQ(order.getPart(2).getFirstFileUri(), "file://" + big);
    // Applying again changes nothing: the parts no longer name the originals.
    EXPECT_EQ(OrderScalingTask::applyTo(order, copies), 0u);
}

TEST_F(OrderScalingRun, ACopyDecodedAtAReducedScaleHasTheExactSizeAndStandsUpright)
{
    // A camera's 3000 x 2000 picture for a print that takes well under half of it: the decoder
    // delivers it at half size and the copy is shrunk from there to the exact size, then turned
    // by the rotation its EXIF tag (6) gave the record. Mirrored across its diagonal (tag 5),
    // the record has the sides laid across and the copy is shrunk from the full size.
    struct Case {
        uint16_t orientation;
        int width, height, rotation;
        bool redTopRight;
    };
    for (const Case c : {Case{6, 3000, 2000, 90, true}, Case{5, 2000, 3000, 0, false}}) {
        SCOPED_TRACE(c.orientation);
        const auto target =
            OrderScalingTask::targetSize(c.width, c.height, area(1000, 667)).value();
        if (c.orientation == 6) {
            ASSERT_LE(target.width * 2, c.width);
        }
        const wxString camera = home / "camera.jpg";
        TestPictures::writeJpeg(camera, 3000, 2000,
                                {TestPictures::cameraExif(c.orientation), {}, 90});
        Order order(pricelist);
        order.addPart(makePart("print", 1, "file://" + camera));
        auto task = Quorvel::makeRef<OrderScalingTask>(order, folder, [&](const wxString& uri) {
            return OrderScalingTask::Picture{uri.Mid(7), wxString(), c.width, c.height, c.rotation};
        });
        ASSERT_EQ(run(task), Quorvel::EVT_TASK_FINISHED) << failure;
        const auto copies = task->getCopies();
        ASSERT_EQ(copies.size(), 1u);
        const wxString path = ScaledCopies::pathOf(folder, copies[0].copyUri);
        Magick::Image written;
        written.read(std::string(path.utf8_str()));
        // Both stand on their short side.
        const bool turned = c.rotation % 180 != 0;
        EXPECT_EQ(static_cast<int>(written.columns()), turned ? target.height : target.width);
        EXPECT_EQ(static_cast<int>(written.rows()), turned ? target.width : target.height);
        EXPECT_LT(written.columns(), written.rows());
        EXPECT_EQ(EXIFProfile(path).getOrientation(), 1);
        EXPECT_EQ(EXIFProfile(path).getMake(), "Canon");
        // The red quarter where the picture is meant to have it, the rest still grey.
        const size_t redX = c.redTopRight ? written.columns() - 5 : 5;
        const Magick::ColorRGB red = written.pixelColor(redX, 5);
        EXPECT_GT(red.red(), 0.8);
        EXPECT_LT(red.green(), 0.3);
        const Magick::ColorRGB grey = written.pixelColor(written.columns() - 1 - redX, 5);
        EXPECT_NEAR(grey.red(), grey.green(), 0.05);
        EXPECT_NEAR(grey.green(), grey.blue(), 0.05);
        wxRemoveFile(path);
    }
}

TEST_F(OrderScalingRun, ACopyHasAJfifHeaderOnlyWhenItsOriginalHasOne)
{
    // A camera's picture: EXIF, no JFIF header.
    const wxString camera = picture("camera.jpg", 1500, 1000);
    JfifHeader::removeFromFile(camera);
    ASSERT_FALSE(JfifHeader::isInFile(camera));
    const wxString edited = picture("edited.jpg", 1500, 1000);
    ASSERT_TRUE(JfifHeader::isInFile(edited));
    Order order(pricelist);
    order.addPart(makePart("print", 1, "file://" + camera));
    order.addPart(makePart("print", 1, "file://" + edited));
    auto task = Quorvel::makeRef<OrderScalingTask>(order, folder, [](const wxString& uri) {
        return OrderScalingTask::Picture{uri.Mid(7), wxString(), 1500, 1000, 0};
    });
    ASSERT_EQ(run(task), Quorvel::EVT_TASK_FINISHED) << failure;
    const auto copies = task->getCopies();
    ASSERT_EQ(copies.size(), 2u);
    const wxString withoutPath = ScaledCopies::pathOf(folder, copies[0].copyUri);
    const wxString withPath = ScaledCopies::pathOf(folder, copies[1].copyUri);
    EXPECT_FALSE(JfifHeader::isInFile(withoutPath));
    EXPECT_TRUE(JfifHeader::isInFile(withPath));
    // Read back from disk: still the whole scaled picture.
    const auto target = OrderScalingTask::targetSize(1500, 1000, area(1000, 667)).value();
    Magick::Image written;
    written.read(std::string(withoutPath.utf8_str()));
    EXPECT_EQ(static_cast<int>(written.columns()), target.width);
    EXPECT_EQ(static_cast<int>(written.rows()), target.height);
    EXPECT_EQ(written.quality(), 85u);
    // No leftovers of the rewrite beside the copies.
    EXPECT_EQ(filesUnder(folder), 2u);
}

TEST_F(OrderScalingRun, APartWhoseProductIsGoneFailsAndLeavesNoCopies)
{
    const wxString big = picture("big.jpg", 1500, 1000);
    Order order(pricelist);
    order.addPart(makePart("print", 1, "file://" + big));
    order.addPart(makePart("gone", 1, "file://" + big));
    order.getPart(1).productType = 0;
    auto task = Quorvel::makeRef<OrderScalingTask>(order, folder, [&](const wxString&) {
        return OrderScalingTask::Picture{big, wxString(), 1500, 1000, 0};
    });
    EXPECT_EQ(run(task), Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(failure, "Could not resize order part - product not found in price list");
    EXPECT_EQ(filesUnder(folder), 0u);
}

TEST_F(OrderScalingRun, AbortIsSeenBetweenPartsAndRemovesWhatWasWritten)
{
    const wxString big = picture("big.jpg", 1500, 1000);
    Order order(pricelist);
    for (int i = 0; i < 50; ++i)
        order.addPart(makePart("print", 1, "file://" + big));
    Quorvel::Ref<OrderScalingTask> task;
    std::atomic<int> looked{0};
    task = Quorvel::makeRef<OrderScalingTask>(order, folder, [&](const wxString&) {
        if (++looked == 3)
            task->abort();
        return OrderScalingTask::Picture{big, wxString(), 1500, 1000, 0};
    });
    EXPECT_EQ(run(task), Quorvel::EVT_TASK_ABORTED);
    EXPECT_EQ(looked.load(), 3);
    EXPECT_TRUE(task->getCopies().empty());
    EXPECT_EQ(filesUnder(folder), 0u);
}

TEST_F(OrderScalingRun, ABrokenPictureFailsTheRun)
{
    const wxString broken = home / "broken.jpg";
    ::writeFile(broken, "not a picture at all");
    Order order(pricelist);
    order.addPart(makePart("print", 1, "file://" + broken));
    auto task = Quorvel::makeRef<OrderScalingTask>(order, folder, [&](const wxString&) {
        return OrderScalingTask::Picture{broken, wxString(), 3000, 2000, 0};
    });
    EXPECT_EQ(run(task), Quorvel::EVT_TASK_FAILED);
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(filesUnder(folder), 0u);
}

TEST_F(OrderScalingRun, CopiesGoWhenTheirLastPartLeavesTheCart)
{
    const wxString copyA = ScaledCopies::newUri();
    const wxString copyB = ScaledCopies::newUri();
    {
        ShoppingCart cart(dataDir, pricelist);
        ::writeFile(ScaledCopies::pathOf(folder, copyA), "a");
        ::writeFile(ScaledCopies::pathOf(folder, copyB), "b");
        // Not ours: another user of the folder.
        ::writeFile(folder + "someone-else.jpg", "c");
        cart.addPart(makePart("print", 1, copyA));
        cart.addPart(makePart("print", 1, copyA));
        cart.addPart(makePart("print", 1, copyB));
        cart.deleteParts({&cart.getPart(0)});
        EXPECT_TRUE(wxFileExists(ScaledCopies::pathOf(folder, copyA))); // still used
        cart.deleteParts({&cart.getPart(0)});
        EXPECT_FALSE(wxFileExists(ScaledCopies::pathOf(folder, copyA)));
        EXPECT_TRUE(wxFileExists(ScaledCopies::pathOf(folder, copyB)));
        cart.empty();
        EXPECT_FALSE(wxFileExists(ScaledCopies::pathOf(folder, copyB)));
    }
    EXPECT_TRUE(wxFileExists(folder + "someone-else.jpg"));
}

TEST_F(OrderScalingRun, CopiesNoSavedPartNamesGoWhenTheCartStarts)
{
    const wxString kept = ScaledCopies::newUri();
    const wxString orphan = ScaledCopies::newUri();
    {
        ShoppingCart cart(dataDir, pricelist);
        ::writeFile(ScaledCopies::pathOf(folder, kept), "a");
        ::writeFile(ScaledCopies::pathOf(folder, orphan), "b");
        cart.addPart(makePart("print", 1, kept));
        cart.addPart(makePart("print", 1, orphan));
        cart.removeParts({&cart.getPart(1)}); // handed over, as when a crash follows
        cart.waitUntilSaved();
    }
    ShoppingCart restarted(dataDir, pricelist);
    EXPECT_TRUE(wxFileExists(ScaledCopies::pathOf(folder, kept)));
    EXPECT_FALSE(wxFileExists(ScaledCopies::pathOf(folder, orphan)));
}

TEST(ScaledCopies, OnlyPlainNamesInTheFolderCount)
{
    EXPECT_TRUE(ScaledCopies::isScaledCopy("nvtemp://order-scaled-1.jpg"));
    EXPECT_FALSE(ScaledCopies::isScaledCopy("nvtemp://order-scaled-../../album.db"));
    EXPECT_FALSE(ScaledCopies::isScaledCopy("nvtemp://order-scaled-a/b.jpg"));
    EXPECT_FALSE(ScaledCopies::isScaledCopy("nvtemp://order-scaled-"));
    EXPECT_FALSE(ScaledCopies::isScaledCopy("nvtemp://other.jpg"));
    EXPECT_FALSE(ScaledCopies::isScaledCopy("file:///home/u/order-scaled-1.jpg"));
    EXPECT_EQ(ScaledCopies::pathOf("/d/", "file:///etc/passwd"), "");
}

// ---- Files on CD -------------------------------------------------------------------------

namespace {

std::unique_ptr<OrderPart> partWithFiles(const std::vector<wxString>& uris, int type = 0)
{
    auto part = std::make_unique<OrderPart>(type);
    part->productUuid = "print";
    for (const wxString& uri : uris)
        part->addFile(uri, wxString(), 1, 2, "ref:" + uri);
    return part;
}

CdParts::FileLookup sizes(const std::map<wxString, int64_t>& bytes)
{
    return [bytes](const wxString& uri) {
        return CdParts::FileFacts{bytes.at(uri), uri.AfterLast('/')};
    };
}

} // namespace

TEST(CdParts, FilesFillCdsOf650MBInOrderEachFileOnce)
{
    const int64_t mb = 1024 * 1024;
    Order order;
    order.addPart(partWithFiles({"file:///a/1.jpg", "file:///a/2.jpg"}));
    order.addPart(partWithFiles({"file:///a/1.jpg", "file:///a/3.jpg"})); // 1.jpg again
    order.addPart(partWithFiles({"file:///a/old.jpg"}, CdParts::CD_PRODUCT_TYPE));
    Product cd = makeProduct("cd", {{1, "5"}});
    cd.productType = CdParts::CD_PRODUCT_TYPE;
    // 300 + 350 fill one CD exactly; the third no longer fits.
    const auto cds = CdParts::build(order, cd, 2,
                                    sizes({{"file:///a/1.jpg", 300 * mb},
                                           {"file:///a/2.jpg", 350 * mb},
                                           {"file:///a/3.jpg", 1},
                                           {"file:///a/old.jpg", 1}}));
    ASSERT_EQ(cds.size(), 2u);
    ASSERT_EQ(cds[0]->files.size(), 2u);
    EXPECT_EQ(cds[0]->files[1].uri, "file:///a/2.jpg");
    ASSERT_EQ(cds[1]->files.size(), 1u);
    EXPECT_EQ(cds[1]->files[0].uri, "file:///a/3.jpg");
    EXPECT_EQ(cds[1]->files[0].clientRef, "ref:file:///a/3.jpg");
    for (const auto& part : cds) {
        EXPECT_EQ(part->productType, CdParts::CD_PRODUCT_TYPE);
        EXPECT_EQ(part->productUuid, "cd");
        EXPECT_EQ(part->quantity, 2);
    }
}

TEST(CdParts, AFileNoCdCanHoldStopsTheBuilding)
{
    Order order;
    order.addPart(partWithFiles({"file:///a/1.jpg"}));
    Product cd;
    try {
        CdParts::build(order, cd, 1, sizes({{"file:///a/1.jpg", CdParts::CD_CAPACITY + 1}}));
        FAIL() << "built";
    } catch (const Quorvel::RuntimeException& e) {
        EXPECT_EQ(e.getMessage(), "A file is larger than 650MB");
    }
    // Exactly one CD's worth fits.
    EXPECT_EQ(
        CdParts::build(order, cd, 1, sizes({{"file:///a/1.jpg", CdParts::CD_CAPACITY}})).size(),
        1u);
}

TEST(CdParts, NamesOnOneCdAreUnique)
{
    Order order;
    order.addPart(partWithFiles({"file:///a/IMG_0001.jpg", "file:///b/IMG_0001.jpg",
                                 "file:///c/IMG_0001.jpg", "file:///d/README"}));
    order.addPart(partWithFiles({"file:///e/README"}));
    Product cd;
    const auto cds = CdParts::build(order, cd, 1,
                                    sizes({{"file:///a/IMG_0001.jpg", 1},
                                           {"file:///b/IMG_0001.jpg", 1},
                                           {"file:///c/IMG_0001.jpg", 1},
                                           {"file:///d/README", 1},
                                           {"file:///e/README", 1}}));
    ASSERT_EQ(cds.size(), 1u);
    std::vector<wxString> names;
    for (const auto& file : cds[0]->files)
        names.push_back(file.data);
    EXPECT_EQ(names, (std::vector<wxString>{"IMG_0001.jpg", "IMG_0001 (2).jpg", "IMG_0001 (3).jpg",
                                            "README", "README (2)"}));
    // A name that is itself taken already by a counted one.
    std::set<wxString> used{"a.jpg", "a (2).jpg"};
    EXPECT_EQ(CdParts::uniqueName("a.jpg", used), "a (3).jpg");
}
