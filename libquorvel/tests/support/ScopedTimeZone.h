#pragma once
// Sets the process time zone (TZ) while it lives.

#include <cstdlib>
#include <ctime>
#include <string>

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : m_had(std::getenv("TZ") != nullptr)
    {
        if (m_had)
            m_saved = std::getenv("TZ");
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_had)
            setenv("TZ", m_saved.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    std::string m_saved;
};
