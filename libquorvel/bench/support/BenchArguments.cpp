#include "BenchArguments.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/filename.h>
#include <wx/init.h>

#include "system/Exceptions.h"
#include "system/Log.h"

namespace {

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace

BenchArguments::BenchArguments(int argc, char** argv, std::string usage) : m_usage(std::move(usage))
{
    const std::string path = argc > 0 && argv[0] ? argv[0] : "benchmark";
    m_program = path.substr(path.find_last_of('/') + 1);
    for (int i = 1; i < argc; ++i)
        m_arguments.emplace_back(argv[i]);
    m_taken.assign(m_arguments.size(), false);
}

std::optional<std::string> BenchArguments::option(const std::string& name)
{
    for (std::size_t i = 0; i < m_arguments.size(); ++i) {
        if (m_taken[i] || m_arguments[i] != name)
            continue;
        if (i + 1 >= m_arguments.size() || m_taken[i + 1])
            throw Error(name + " needs a value");
        m_taken[i] = m_taken[i + 1] = true;
        return m_arguments[i + 1];
    }
    return std::nullopt;
}

bool BenchArguments::flag(const std::string& name)
{
    for (std::size_t i = 0; i < m_arguments.size(); ++i) {
        if (!m_taken[i] && m_arguments[i] == name) {
            m_taken[i] = true;
            return true;
        }
    }
    return false;
}

void BenchArguments::checkOptions()
{
    if (m_checked)
        return;
    m_checked = true;
    for (std::size_t i = 0; i < m_arguments.size(); ++i) {
        const std::string& argument = m_arguments[i];
        if (!m_taken[i] && argument.size() > 1 && argument[0] == '-' &&
            !(argument[1] >= '0' && argument[1] <= '9'))
            throw Error("unknown option " + argument);
    }
}

std::optional<std::string> BenchArguments::positional(std::size_t index, std::size_t expected)
{
    checkOptions();
    std::vector<std::string> left;
    for (std::size_t i = 0; i < m_arguments.size(); ++i) {
        if (!m_taken[i])
            left.push_back(m_arguments[i]);
    }
    if (left.size() > expected)
        throw Error("too many arguments (" + left[expected] + ")");
    if (index >= left.size())
        return std::nullopt;
    return left[index];
}

long BenchArguments::number(const std::string& what, const std::optional<std::string>& text,
                            long fallback, long min, long max)
{
    if (!text)
        return fallback;
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text->c_str(), &end, 10);
    // Only digits, with a minus sign at most: strtol would also take blanks and a plus.
    const bool digits =
        !text->empty() && ((*text)[0] == '-' || ((*text)[0] >= '0' && (*text)[0] <= '9'));
    if (!digits || *end != '\0' || errno == ERANGE || value < min || value > max)
        throw Error(what + " must be a whole number from " + range + ", not \"" + *text + "\"");
    return value;
}

std::string BenchArguments::writableFolder(const std::string& what, const std::string& path)
{
    if (path.empty())
        throw Error(what + " is empty");
    if (!exists(path))
        throw Error(what + " " + path + " does not exist");
    if (!isDirectory(path))
        throw Error(what + " " + path + " is not a folder");
    if (::access(path.c_str(), W_OK | X_OK) != 0)
        throw Error(what + " " + path + " cannot be written to");
    return path;
}

std::string BenchArguments::folderToMake(const std::string& what, const std::string& path)
{
    if (!path.empty() && !exists(path) &&
        !wxFileName::Mkdir(wxString::FromUTF8(path), 0700, wxPATH_MKDIR_FULL))
        throw Error(what + " " + path + " could not be made");
    return writableFolder(what, path);
}

std::string BenchArguments::fileInWritableFolder(const std::string& what, const std::string& path)
{
    if (path.empty() || path.back() == '/')
        throw Error(what + " must name a file, not \"" + path + "\"");
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    if (!exists(folder))
        throw Error("the folder of " + what + " " + path + " does not exist");
    writableFolder("the folder of " + what, folder);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw Error(what + " " + path + " is not a file");
    return path;
}

int BenchArguments::run(const std::function<int()>& body) const
{
    try {
        return body();
    } catch (const Error& e) {
        std::fprintf(stderr, "%s: %s\nusage: %s %s\n", m_program.c_str(), e.what(),
                     m_program.c_str(), m_usage.c_str());
        return 2;
    } catch (const Quorvel::Exception& e) {
        std::fprintf(stderr, "%s: %s\n", m_program.c_str(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", m_program.c_str(), e.what());
    }
    return 1;
}

int BenchArguments::runMain(int argc, char** argv, std::string usage,
                            const std::function<int(BenchArguments&)>& body)
{
    wxInitializer initializer(argc, argv);
    if (!initializer.IsOk()) {
        std::fprintf(stderr, "could not start wxWidgets\n");
        return 1;
    }
    Quorvel::logOnlyToStderr();
    BenchArguments arguments(argc, argv, std::move(usage));
    return arguments.run([&] { return body(arguments); });
}

int BenchArguments::inWorkFolder(const std::optional<std::string>& given, const std::string& prefix,
                                 const std::function<int(const std::string&)>& body)
{
    if (given)
        return body(writableFolder("work folder", *given));
    std::string pattern = "/var/tmp/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("could not make a work folder");
    // Removed on every way out.
    struct Remover {
        std::string folder;
        ~Remover() { wxFileName::Rmdir(wxString::FromUTF8(folder), wxPATH_RMDIR_RECURSIVE); }
    } remover{pattern};
    return body(pattern);
}
