#include "archive/XmpSidecar.h"

#include <ctime>
#include <set>

#include "files/File.h"

namespace Brenmarle {

namespace {

// Time mask bits (see File): the parts of a picture time that are known.
constexpr int32_t YEAR = 1;
constexpr int32_t MONTH = 2;
constexpr int32_t DAY = 4;
constexpr int32_t HOUR_MINUTE = 32;
constexpr int32_t ALL = 63;

void addElement(wxString& body, const char* element, const wxString& value)
{
    if (!value.empty())
        body += wxString::Format("   <%s>%s</%s>\n", element, XmpSidecar::escape(value), element);
}

// An XMP array (rdf:Bag, rdf:Seq or rdf:Alt) of `items`.
template <typename Items>
void addArray(wxString& body, const char* element, const char* kind, const Items& items)
{
    if (items.empty())
        return;
    body += wxString::Format("   <%s>\n    <rdf:%s>\n", element, kind);
    for (const wxString& item : items) {
        const char* language = wxString(kind) == "Alt" ? " xml:lang=\"x-default\"" : "";
        body +=
            wxString::Format("     <rdf:li%s>%s</rdf:li>\n", language, XmpSidecar::escape(item));
    }
    body += wxString::Format("    </rdf:%s>\n   </%s>\n", kind, element);
}

void addText(wxString& body, const char* element, const char* kind, const wxString& text)
{
    if (!text.empty())
        addArray(body, element, kind, std::set<wxString>{text});
}

} // namespace

wxString XmpSidecar::escape(const wxString& text)
{
    wxString escaped;
    escaped.reserve(text.length());
    for (wxUniChar c : text) {
        const wxUint32 v = c.GetValue();
        if ((v < 0x20 && v != '\t' && v != '\n' && v != '\r') || v == 0xfffe || v == 0xffff ||
            (v >= 0xd800 && v <= 0xdfff))
            continue;
        switch (v) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

wxString XmpSidecar::dateText(int32_t time, int32_t mask)
{
    if (time == 0 || (mask & YEAR) == 0)
        return wxString();
    const time_t seconds = time;
    struct tm parts {};
    if (!gmtime_r(&seconds, &parts))
        return wxString();
    wxString text = wxString::Format("%04d", parts.tm_year + 1900);
    if ((mask & MONTH) == 0)
        return text;
    text += wxString::Format("-%02d", parts.tm_mon + 1);
    if ((mask & DAY) == 0)
        return text;
    text += wxString::Format("-%02d", parts.tm_mday);
    // XMP has no form with the hour alone: such a time is given by its day.
    if ((mask & ALL) == ALL)
        return text +
               wxString::Format("T%02d:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
    if (mask & HOUR_MINUTE)
        return text + wxString::Format("T%02d:%02d", parts.tm_hour, parts.tm_min);
    return text;
}

int XmpSidecar::orientationFor(int32_t degrees)
{
    switch (((degrees % 360) + 360) % 360) {
    case 90:
        return 6;
    case 180:
        return 3;
    case 270:
        return 8;
    default:
        return 1;
    }
}

std::string XmpSidecar::make(const File& file)
{
    wxString body;
    addText(body, "dc:description", "Alt", file.getCaption());
    addArray(body, "dc:subject", "Bag", file.getKeywords());
    addText(body, "dc:creator", "Seq", file.getCreator());
    addText(body, "dc:rights", "Alt", file.getCopyright());
    addElement(body, "photoshop:DateCreated", dateText(file.getTime(), file.getTimeMask()));
    addElement(body, "photoshop:Source", file.getSource());
    addElement(body, "photoshop:City", file.getCity());
    addElement(body, "photoshop:State", file.getProvince());
    addElement(body, "Iptc4xmpCore:Location", file.getSublocation());
    addElement(body, "Iptc4xmpCore:CountryCode", file.getCountryCode());
    // The organisers that read sidecars know ratings, not favourites: a favourite is the best.
    if (file.isFavorite())
        addElement(body, "xmp:Rating", "5");
    addElement(body, "tiff:Orientation",
               wxString::Format("%d", orientationFor(file.getImageRotation())));

    // The packet header carries a byte-order mark, as XMP asks.
    const wxString document =
        "<?xpacket begin=\"" + wxString(wxUniChar(0xfeff)) +
        "\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\"\n"
        "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
        "    xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\"\n"
        "    xmlns:Iptc4xmpCore=\"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/\"\n"
        "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
        "    xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\">\n" +
        body +
        "  </rdf:Description>\n"
        " </rdf:RDF>\n"
        "</x:xmpmeta>\n"
        "<?xpacket end=\"w\"?>\n";
    return document.utf8_string();
}

} // namespace Brenmarle
