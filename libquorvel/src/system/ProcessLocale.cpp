#include "system/ProcessLocale.h"

#include <clocale>
#include <cstring>

#include <langinfo.h>

namespace Quorvel {

void setUpProcessLocale()
{
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

} // namespace Quorvel
