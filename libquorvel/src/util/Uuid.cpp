#include "util/Uuid.h"

#include <uuid/uuid.h>

namespace Quorvel {

wxString Uuid::create()
{
    uuid_t id;
    uuid_generate_random(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return wxString::FromAscii(text);
}

bool Uuid::isValid(const wxString& text)
{
    if (text.length() != 36)
        return false;
    for (size_t i = 0; i < text.length(); ++i) {
        const wxUint32 c = text[i].GetValue();
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-')
                return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

} // namespace Quorvel
