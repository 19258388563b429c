#pragma once
// Switches the process to a German locale (decimal comma) while it lives, for tests that
// numbers in files do not follow the user's locale. When the system has no compiled German
// locale, one is compiled with localedef into a folder under /tmp (LOCPATH), once for all
// test processes; that needs the "locales" package. isActive() tells whether the switch happened: a
// test should fail, not pass quietly, when it did not.

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

class ScopedGermanLocale {
public:
    ScopedGermanLocale() : m_saved(std::setlocale(LC_ALL, nullptr))
    {
        m_active = std::setlocale(LC_ALL, NAME) != nullptr;
        if (!m_active && compileOnce())
            m_active = std::setlocale(LC_ALL, NAME) != nullptr;
    }
    ~ScopedGermanLocale() { std::setlocale(LC_ALL, m_saved.c_str()); }
    ScopedGermanLocale(const ScopedGermanLocale&) = delete;
    ScopedGermanLocale& operator=(const ScopedGermanLocale&) = delete;

    // The locale is set and really uses a decimal comma.
    bool isActive() const { return m_active && std::localeconv()->decimal_point[0] == ','; }

private:
    static constexpr const char* NAME = "de_DE.UTF-8";

    // Compiled once per user into a folder in /tmp that later test processes reuse: each
    // test case runs in a process of its own, and compiling takes seconds.
    struct CompiledLocales {
        bool ok = false;
        CompiledLocales()
        {
            const std::string dir = "/tmp/vistrelle-locales-" + std::to_string(getuid());
            const std::string target = dir + "/" + NAME;
            if (access((target + "/LC_NUMERIC").c_str(), R_OK) != 0) {
                char pattern[] = "/tmp/vistrelle-locales-new-XXXXXX";
                if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
                    return;
                if (!mkdtemp(pattern))
                    return;
                const std::string command =
                    std::string("localedef -i de_DE -f UTF-8 ") + pattern + " >/dev/null 2>&1";
                // Put in place whole, so a process running beside never sees half of it.
                if (std::system(command.c_str()) != 0 || rename(pattern, target.c_str()) != 0)
                    (void)!std::system((std::string("rm -rf '") + pattern + "'").c_str());
            }
            ok = access((target + "/LC_NUMERIC").c_str(), R_OK) == 0;
            if (ok)
                setenv("LOCPATH", dir.c_str(), 1);
        }
    };

    static bool compileOnce()
    {
        static CompiledLocales compiled;
        return compiled.ok;
    }

    std::string m_saved;
    bool m_active = false;
};
