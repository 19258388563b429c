#pragma once
// Switches the process to a German locale (decimal comma) while it lives, for tests that
// numbers in files do not follow the user's locale. When the system has no compiled German
// locale, one is compiled once per test run with localedef into a scratch folder (LOCPATH);
// that needs the "locales" package. isActive() tells whether the switch happened: a test
// should fail, not pass quietly, when it did not.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

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

    struct CompiledLocales {
        std::string dir;
        bool ok = false;
        CompiledLocales()
        {
            char pattern[] = "/tmp/vistrelle-locales-XXXXXX";
            if (!mkdtemp(pattern))
                return;
            dir = pattern;
            const std::string command =
                "localedef -i de_DE -f UTF-8 " + dir + "/" + NAME + " >/dev/null 2>&1";
            ok = std::system(command.c_str()) == 0;
            if (ok)
                setenv("LOCPATH", dir.c_str(), 1);
        }
        ~CompiledLocales()
        {
            if (!dir.empty())
                (void)!std::system(("rm -rf '" + dir + "'").c_str());
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
