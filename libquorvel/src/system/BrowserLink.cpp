#include "system/BrowserLink.h"

#include <wx/utils.h>

#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Quorvel {

bool BrowserLink::isOpenable(const wxString& url)
{
    for (const wxUniChar c : url)
        if (c < 0x21 || c == 0x7f)
            return false;
    try {
        WebAddress::parse(url);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool BrowserLink::open(const wxString& url)
{
    if (!isOpenable(url)) {
        QDEBUG("[BROWSERLINK] Not opening %s", WebAddress::printable(url.Left(200)));
        return false;
    }
    const wxString opener = OPENER;
    const wchar_t* argv[] = {opener.wc_str(), url.wc_str(), nullptr};
    return wxExecute(argv, wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE) > 0;
}

} // namespace Quorvel
