#pragma once
// A benchmark's command line, checked before any work starts, the way the program checks its
// own input: a count that is not a whole number in its range, a folder that is not there or
// cannot be written, an option nobody knows, each ends the benchmark with a message that names
// it (and the usage), instead of a crash half-way or a silent default.
//
//   int main(int argc, char** argv)
//   {
//       return BenchArguments::runMain(argc, argv, "[megabytes] [work folder]",
//                                      [](BenchArguments& arguments) {
//           const long megabytes = BenchArguments::number("megabytes",
//                                                         arguments.positional(0, 2), 200, 1,
//                                                         100000);
//           ...
//           return 0;
//       });
//   }
//
// One thread; a value.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class BenchArguments {
public:
    // A command line the benchmark cannot run with.
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // `usage` is what follows the program's name in the usage line.
    BenchArguments(int argc, char** argv, std::string usage);

    // Options and flags are asked for first, then the other arguments (or checkNothingElse()).

    // The value of "--name VALUE"; nothing when the option is not given. Error when it is given
    // without a value.
    std::optional<std::string> option(const std::string& name);
    // Whether "--name" is given.
    bool flag(const std::string& name);
    // The index-th argument that is not an option, counting from 0. Error (at the first call)
    // when an argument looks like an option nobody asked for, or when there are more such
    // arguments than `expected`.
    std::optional<std::string> positional(std::size_t index, std::size_t expected);
    // For a benchmark that takes options only: Error for any argument not asked for.
    void checkNothingElse() { positional(0, 0); }

    // The whole number `text` in [min, max], or `fallback` without one. Error names `what`.
    static long number(const std::string& what, const std::optional<std::string>& text,
                       long fallback, long min, long max);
    // An existing folder this user can write into; Error otherwise.
    static std::string writableFolder(const std::string& what, const std::string& path);
    // A folder this user can write into, made (with its parents) when it is not there yet.
    static std::string folderToMake(const std::string& what, const std::string& path);
    // A file to be made or opened in an existing folder this user can write into; when it
    // exists, it must be a regular file.
    static std::string fileInWritableFolder(const std::string& what, const std::string& path);

    // Runs `body` in the work folder `given` (an existing folder this user can write into), or,
    // without one, in a new folder "/var/tmp/<prefix>-XXXXXX" removed afterwards, whatever
    // `body` does. Returns what `body` returns.
    static int inWorkFolder(const std::optional<std::string>& given, const std::string& prefix,
                            const std::function<int(const std::string&)>& body);

    // A benchmark's whole main: starts wxBase, sends log lines to standard error only, then
    // runs `body` as run() does. Returns the exit status.
    static int runMain(int argc, char** argv, std::string usage,
                       const std::function<int(BenchArguments&)>& body);

    // Runs the benchmark: an Error prints "<program>: <message>" and the usage and gives 2; any
    // other failure prints "<program>: <message>" and gives 1. Otherwise what `body` returns.
    int run(const std::function<int()>& body) const;

private:
    void checkOptions();

    std::string m_program;
    std::string m_usage;
    std::vector<std::string> m_arguments;
    std::vector<bool> m_taken;
    bool m_checked = false;
};
