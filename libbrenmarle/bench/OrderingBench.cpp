// Times the ordering model on a large shop: loading a price list of 5,000 products with 50,000
// price rows (time and the memory the load adds, measured in a fresh process so nothing of the
// making of the list is counted), pricing an order of 500 parts, and putting 500 pictures into
// the shopping cart in one update (priced, announced) and saving the cart.
//
// Usage: ordering_bench [products] [--keep]   (10 price rows and 2 sub-products each; default
// 5000). The price list and the cart are written to a temporary folder, removed afterwards
// unless --keep is given.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <wx/filename.h>

#include "BenchArguments.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"
#include "ordering/ShoppingCart.h"
#include "system/ProcessLocale.h"

using Brenmarle::Money;
using Brenmarle::Pricelist;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int ROWS_PER_PRODUCT = 10;
constexpr int PARTS = 500;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the process: steadier than wall time on a machine other work shares.
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// The process's peak resident memory since it started its program (VmHWM; unlike ru_maxrss
// it does not carry the parent's peak over a fork and exec).
long peakMemoryKb()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    long kb = 0;
    char line[256];
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = std::strtol(line + 6, nullptr, 10);
    }
    if (status)
        std::fclose(status);
    return kb;
}

wxString productUuid(int i)
{
    return wxString::Format("00000000-0000-4000-8000-%012d", i);
}

Pricelist makePricelist(int products)
{
    Pricelist pricelist;
    pricelist.uuid = "bench";
    pricelist.vatRate = 25;
    pricelist.baseCharge = Money::fromWhole(2);
    for (int i = 0; i < products; ++i) {
        Brenmarle::Product product;
        product.uuid = productUuid(i);
        product.name.setDefault(wxString::Format("Print %d x %d", 10 + i % 30, 15 + i % 40));
        product.name.setTranslation("de", wxString::Format("Abzug %d", i));
        product.description.setDefault("Photo print on glossy paper");
        product.producerNr = i % 3;
        product.mass = 2.5;
        std::vector<Brenmarle::ProductPrice> rows;
        for (int r = 0; r < ROWS_PER_PRODUCT; ++r) {
            Brenmarle::ProductPrice row;
            row.quantity = 1 + r * 25;
            row.price = Money::fromUnits(990000 - r * 50000);
            row.type = i % 7 == 0 ? 1 : 0;
            rows.push_back(row);
        }
        product.setPrices(rows);
        for (int s = 0; s < 2; ++s) {
            Brenmarle::SubProduct sub;
            sub.uuid = wxString::Format("sub-%d-%d", i, s);
            sub.name.setDefault(s == 0 ? "Matte" : "White border");
            sub.classId = s == 0 ? "CLASSID_SURFACE" : "CLASSID_WHITEBORDER";
            sub.extraPrice = Money::fromUnits(100000);
            product.subProducts.push_back(sub);
        }
        pricelist.addProduct(std::move(product));
    }
    Brenmarle::DeliveryOption mail;
    mail.uuid = "mail";
    mail.price = Money::fromWhole(5);
    mail.envelopes.add(500, Money::fromWhole(3));
    mail.envelopes.add(5000, Money::fromWhole(9));
    pricelist.deliveryOptions.push_back(mail);
    return pricelist;
}

std::vector<std::unique_ptr<Brenmarle::OrderPart>> makeParts(int products, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::unique_ptr<Brenmarle::OrderPart>> parts;
    for (int i = 0; i < PARTS; ++i) {
        const int product = static_cast<int>(random() % static_cast<unsigned>(products));
        auto part = std::make_unique<Brenmarle::OrderPart>(1);
        part->productUuid = productUuid(product);
        part->quantity = 1 + static_cast<int>(random() % 60);
        part->subProductUuids.push_back(wxString::Format("sub-%d-0", product));
        part->setSingleFile(wxString::Format("file:///home/user/Pictures/IMG_%04d.JPG", i));
        parts.push_back(std::move(part));
    }
    return parts;
}

// In a fresh process: the price list's load time and the memory it adds.
int loadOnly(const char* path)
{
    const long before = peakMemoryKb();
    const auto start = Clock::now();
    const double cpuStart = cpuMs();
    const auto pricelist = Pricelist::load(wxString::FromUTF8(path));
    const double ms = msSince(start);
    std::printf("load pricelist.xml (%zu products)      %8.1f ms  (%.1f ms CPU)\n",
                pricelist->getProducts().size(), ms, cpuMs() - cpuStart);
    std::printf("  peak memory: %ld MB, of which the load added %ld MB\n", peakMemoryKb() / 1024,
                (peakMemoryKb() - before) / 1024);
    return 0;
}

int timeLoadInFreshProcess(const wxString& path)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const std::string file = path.utf8_string();
        execl("/proc/self/exe", "ordering_bench", "--load", file.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

void timePricing(const std::shared_ptr<const Pricelist>& pricelist, int products)
{
    Brenmarle::Order order(pricelist);
    for (auto& part : makeParts(products, 1))
        order.addPart(std::move(part));
    order.deliveryOptionUuid = "mail";
    constexpr int RUNS = 50;
    double best = 1e9;
    for (int run = 0; run < RUNS; ++run) {
        const auto start = Clock::now();
        order.calculate(true);
        best = std::min(best, msSince(start));
    }
    std::printf("price an order of %d parts (best of %d) %8.2f ms  (%s, %zu lines)\n", PARTS, RUNS,
                best, order.getPricedTotal() ? "priced" : "FAILED", order.getLines().size());
}

void timeCart(const std::shared_ptr<const Pricelist>& pricelist, int products,
              const wxString& dataDir)
{
    Brenmarle::ShoppingCart cart(dataDir, pricelist);
    auto parts = makeParts(products, 2);
    auto start = Clock::now();
    cart.addParts(std::move(parts));
    std::printf("add %d pictures to the cart, one update %8.2f ms  (%s)\n", PARTS, msSince(start),
                cart.getOrder().getPricedTotal() ? "priced" : "FAILED");
    start = Clock::now();
    cart.saveNow();
    std::printf("save the cart: hand-over on this thread %8.2f ms\n", msSince(start));
    cart.waitUntilSaved();
    std::printf("  and on disk (writer thread)           %8.2f ms\n", msSince(start));
}

} // namespace

int main(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    return BenchArguments::runMain(
        argc, argv, "[products] [--keep]", [](BenchArguments& arguments) {
            // The program runs itself again for the load alone (see timeLoadInFreshProcess).
            if (const std::optional<std::string> file = arguments.option("--load")) {
                arguments.checkNothingElse();
                return loadOnly(BenchArguments::fileInWritableFolder("--load", *file).c_str());
            }
            const bool keep = arguments.flag("--keep");
            const long products =
                BenchArguments::number("products", arguments.positional(0, 1), 5000, 1, 1000000);
            char pattern[] = "/tmp/vistrelle-bench-XXXXXX";
            if (!mkdtemp(pattern))
                throw std::runtime_error("could not make a temporary folder");
            const wxString directory = wxString::FromUTF8(pattern) + "/";
            const wxString path = directory + "pricelist.xml";

            auto pricelist = std::make_shared<Pricelist>(makePricelist(static_cast<int>(products)));
            const auto start = Clock::now();
            pricelist->save(path);
            std::printf("%ld products, %ld price rows; pricelist.xml %lld KB written in %.0f ms\n",
                        products, products * ROWS_PER_PRODUCT,
                        static_cast<long long>(wxFileName::GetSize(path).GetValue() / 1024),
                        msSince(start));
            const int status = timeLoadInFreshProcess(path);
            timePricing(pricelist, static_cast<int>(products));
            timeCart(pricelist, static_cast<int>(products), directory);
            if (keep)
                std::printf("kept %s\n", path.utf8_str().data());
            else
                wxFileName::Rmdir(directory, wxPATH_RMDIR_RECURSIVE);
            return status;
        });
}
