// The benchmarks' command lines: checked before any work, ending with a message that names
// what is wrong.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "BenchArguments.h"
#include "RunCommand.h"
#include "ScratchDir.h"

namespace {

BenchArguments argumentsOf(std::vector<std::string> words)
{
    std::vector<char*> argv;
    static std::string program = "/build/bench/some_bench";
    argv.push_back(program.data());
    for (std::string& word : words)
        argv.push_back(word.data());
    return BenchArguments(static_cast<int>(argv.size()), argv.data(), "[count]");
}

// The message of the Error `run` throws; empty when it throws none.
template <typename Run> std::string errorOf(Run&& run)
{
    try {
        run();
    } catch (const BenchArguments::Error& e) {
        return e.what();
    }
    return std::string();
}

} // namespace

TEST(BenchArguments, NumbersAreWholeAndWithinTheirRangeBoundsIncluded)
{
    EXPECT_EQ(BenchArguments::number("count", std::nullopt, 500, 1, 1000), 500);
    EXPECT_EQ(BenchArguments::number("count", std::string("1"), 500, 1, 1000), 1);
    EXPECT_EQ(BenchArguments::number("count", std::string("1000"), 500, 1, 1000), 1000);
    EXPECT_EQ(BenchArguments::number("count", std::string("-3"), 0, -3, 3), -3);
    for (const char* bad : {"0", "1001", "", "12x", "x12", "1.5", " 7", "99999999999999999999",
                            "-99999999999999999999"}) {
        const std::string message =
            errorOf([&] { BenchArguments::number("count", std::string(bad), 500, 1, 1000); });
        EXPECT_EQ(message,
                  "count must be a whole number from 1 to 1000, not \"" + std::string(bad) + "\"");
    }
}

TEST(BenchArguments, FoldersMustBeThereAndWritableOrBeMade)
{
    ScratchDir scratch;
    const std::string root = scratch.path().utf8_string();
    scratch.writeFile("file", "x");
    EXPECT_EQ(BenchArguments::writableFolder("work folder", root), root);
    EXPECT_EQ(errorOf([&] { BenchArguments::writableFolder("work folder", root + "gone"); }),
              "work folder " + root + "gone does not exist");
    EXPECT_EQ(errorOf([&] { BenchArguments::writableFolder("work folder", root + "file"); }),
              "work folder " + root + "file is not a folder");
    EXPECT_EQ(errorOf([&] { BenchArguments::writableFolder("work folder", ""); }),
              "work folder is empty");
    if (::geteuid() != 0) {
        ::mkdir((root + "locked").c_str(), 0500);
        EXPECT_EQ(errorOf([&] { BenchArguments::writableFolder("work folder", root + "locked"); }),
                  "work folder " + root + "locked cannot be written to");
    }

    EXPECT_EQ(BenchArguments::folderToMake("--dir", root + "a/b"), root + "a/b");
    struct stat info {};
    EXPECT_EQ(::stat((root + "a/b").c_str(), &info), 0);
    EXPECT_EQ(errorOf([&] { BenchArguments::folderToMake("--dir", root + "file/sub"); }),
              "--dir " + root + "file/sub could not be made");

    EXPECT_EQ(BenchArguments::fileInWritableFolder("catalogue", root + "new.db"), root + "new.db");
    EXPECT_EQ(errorOf([&] { BenchArguments::fileInWritableFolder("catalogue", root + "no/x.db"); }),
              "the folder of catalogue " + root + "no/x.db does not exist");
    EXPECT_EQ(errorOf([&] { BenchArguments::fileInWritableFolder("catalogue", root + "a"); }),
              "catalogue " + root + "a is not a file");
    EXPECT_EQ(errorOf([&] { BenchArguments::fileInWritableFolder("catalogue", root); }),
              "catalogue must name a file, not \"" + root + "\"");
}

TEST(BenchArguments, OptionsUnknownOptionsAndTooManyArguments)
{
    BenchArguments given = argumentsOf({"--count", "12", "--keep", "folder"});
    EXPECT_EQ(given.option("--count"), "12");
    EXPECT_EQ(given.option("--dir"), std::nullopt);
    EXPECT_TRUE(given.flag("--keep"));
    EXPECT_FALSE(given.flag("--quiet"));
    EXPECT_EQ(given.positional(0, 1), "folder");
    EXPECT_EQ(given.positional(1, 1), std::nullopt);

    BenchArguments missingValue = argumentsOf({"--count"});
    EXPECT_EQ(errorOf([&] { missingValue.option("--count"); }), "--count needs a value");

    BenchArguments unknown = argumentsOf({"--cuont", "12"});
    EXPECT_EQ(unknown.option("--count"), std::nullopt);
    EXPECT_EQ(errorOf([&] { unknown.checkNothingElse(); }), "unknown option --cuont");

    BenchArguments tooMany = argumentsOf({"1", "2", "3"});
    EXPECT_EQ(errorOf([&] { tooMany.positional(0, 2); }), "too many arguments (3)");
    // A negative number is an argument, not an option; its range is the number's business.
    BenchArguments negative = argumentsOf({"-5"});
    EXPECT_EQ(negative.positional(0, 1), "-5");

    // An Error ends the run with status 2; anything else thrown with 1.
    EXPECT_EQ(given.run([] { return 0; }), 0);
    EXPECT_EQ(given.run([]() -> int { throw BenchArguments::Error("bad"); }), 2);
    EXPECT_EQ(given.run([]() -> int { throw std::runtime_error("disk full"); }), 1);
}

TEST(BenchArguments, HttpBenchRefusesBadInputWithAMessageInsteadOfCrashing)
{
    const std::string bench = "'" + std::string(HTTP_BENCH) + "'";
    const CommandResult missing = runCommand(bench + " 1 /nonexistent/work");
    EXPECT_EQ(missing.exitCode, 2) << missing.output;
    EXPECT_EQ(missing.output, "http_bench: work folder /nonexistent/work does not exist\n"
                              "usage: http_bench [megabytes] [work folder]\n");

    const CommandResult notANumber = runCommand(bench + " lots");
    EXPECT_EQ(notANumber.exitCode, 2) << notANumber.output;
    EXPECT_NE(notANumber.output.find("megabytes must be a whole number from 1 to 100000, not "
                                     "\"lots\""),
              std::string::npos)
        << notANumber.output;

    const CommandResult extra = runCommand(bench + " 1 /tmp extra");
    EXPECT_EQ(extra.exitCode, 2) << extra.output;
    EXPECT_NE(extra.output.find("too many arguments (extra)"), std::string::npos) << extra.output;
}
