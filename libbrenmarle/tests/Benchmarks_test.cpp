// The benchmark programs of the domain library meet bad input as the program does: a clear
// message and status 2 before any work, never a crash or a silent default.
#include <gtest/gtest.h>

#include <string>

#include "RunCommand.h"

TEST(Benchmarks, RefuseBadInputWithAMessageBeforeAnyWork)
{
    struct Case {
        const char* command;
        const char* message;
    };
    const Case cases[] = {
        {"database_bench 10 /nonexistent/catalogue.db",
         "database_bench: the folder of catalogue /nonexistent/catalogue.db does not exist"},
        {"database_bench many", "file count must be a whole number from 1 to 10000000"},
        {"filecopy_bench 10 5 1", "largest KB must be a whole number from 5 to 1048576, not \"1\""},
        {"filecopy_bench 1 1 1 /nonexistent/work", "work folder /nonexistent/work does not exist"},
        {"import_bench --count 0", "--count must be a whole number from 1 to 100000"},
        {"import_bench --cuont 5", "unknown option --cuont"},
        {"import_bench --dir /proc/version/pictures", "--dir /proc/version/pictures could not"},
        {"search_bench -1", "file count must be a whole number from 1 to 10000000, not \"-1\""},
        {"largealbum_bench 0", "file count must be a whole number from 1 to 10000000, not \"0\""},
        {"thumbnail_bench --magick-threads x", "--magick-threads must be a whole number"},
        {"thumbnail_bench --count", "--count needs a value"},
        {"pictureedit_bench --screen 1920", "--screen must be WIDTHxHEIGHT, not \"1920\""},
        {"pictureedit_bench --width 0", "--width must be a whole number from 1 to 16000"},
        {"pictureedit_bench --runs 3 --quick", "unknown option --quick"},
        {"ordering_bench 0", "products must be a whole number from 1 to 1000000, not \"0\""},
        {"ordering_bench 10 --fast", "unknown option --fast"},
        {"upload_bench 0", "files must be a whole number from 1 to 100000, not \"0\""},
        {"upload_bench 10 2000", "megabytes must be a whole number from 1 to 1024, not \"2000\""},
        {"upload_bench 1 1 /nonexistent/work", "work folder /nonexistent/work does not exist"},
        {"upload_bench 1 1 /tmp --curl", "unknown option --curl"},
        {"upload_bench 1 1 /tmp 0", "rounds must be a whole number from 1 to 20, not \"0\""},
        {"storagesync_bench 0", "albums must be a whole number from 1 to 1000, not \"0\""},
        {"storagesync_bench 10 10 /nonexistent/work",
         "work folder /nonexistent/work does not exist"},
    };
    for (const Case& c : cases) {
        const CommandResult result = runCommand(std::string(BENCH_DIR) + c.command);
        EXPECT_EQ(result.exitCode, 2) << c.command << ": " << result.output;
        EXPECT_NE(result.output.find(c.message), std::string::npos)
            << c.command << ": " << result.output;
        EXPECT_NE(result.output.find("usage: "), std::string::npos) << c.command;
    }
}
