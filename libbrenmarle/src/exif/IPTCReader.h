#pragma once
// Reads the IPTC-IIM fields the catalogue keeps (caption, keywords, creator, places, source,
// copyright) from the IPTC block of a picture, as ImageMagick hands it over: either the raw
// IIM records (profile "iptc") or Photoshop image resources that hold them (profile "8bim",
// resource 0x0404).
//
// The bytes come from outside and are untrusted: every length is checked against what is
// left, a malformed or truncated record ends the parse and keeps what was read before it,
// and counts and text sizes are capped. Never throws for bad content. Thread-safe (no state).

#include <cstddef>
#include <set>

#include <wx/string.h>

namespace Brenmarle {

// The fields of one IPTC block, texts trimmed; empty when absent.
struct IPTCData {
    wxString caption;            // 2:120 Caption/Abstract
    std::set<wxString> keywords; // 2:25, each once; "|" (the catalogue's separator) as "/"
    wxString creator;            // 2:80 By-line; several are joined with "; "
    wxString city;               // 2:90
    wxString sublocation;        // 2:92
    wxString province;           // 2:95 Province/State
    wxString countryCode;        // 2:100 Country/Primary Location Code
    wxString source;             // 2:115
    wxString copyright;          // 2:116 Copyright Notice

    bool isEmpty() const;
};

class IPTCReader {
public:
    // Caps against hostile blocks; generous for real pictures (IIM allows 64-byte keywords
    // and 2000-byte captions).
    static constexpr size_t MAX_KEYWORDS = 1000;
    static constexpr size_t MAX_TEXT_LENGTH = 4000;

    // Raw IIM records: a sequence of 0x1C tag markers.
    static IPTCData parseRecords(const unsigned char* data, size_t size);
    // Photoshop image resources, with or without the "Photoshop 3.0\0" prefix of a JPEG APP13
    // block; the first IPTC resource is parsed.
    static IPTCData parseResources(const unsigned char* data, size_t size);
    // Either form, told apart by the first bytes.
    static IPTCData parse(const unsigned char* data, size_t size);
};

} // namespace Brenmarle
