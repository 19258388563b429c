#include "search/CountryList.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include <wx/crt.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

// The table is about 50 KB; anything far larger is not it.
const size_t MAX_TABLE_SIZE = 16 * 1024 * 1024;
const int MAX_DEPTH = 32;

// Just enough JSON to read the iso-codes table: an object whose "3166-1" member is an array of
// objects; their text members are kept, everything else is checked for form and skipped.
class TableReader {
public:
    using Entry = std::map<std::string, std::string>;

    explicit TableReader(const std::string& text) : m_text(text) {}

    std::vector<Entry> read()
    {
        std::vector<Entry> entries;
        bool found = false;
        readObject(0, [&](const std::string& key) {
            if (key != "3166-1")
                return skipValue(1);
            found = true;
            readArray(1, [&] { entries.push_back(readEntry()); });
        });
        skipBlanks();
        if (m_pos != m_text.size())
            fail("text after the table");
        if (!found)
            fail("no \"3166-1\" list");
        return entries;
    }

private:
    [[noreturn]] void fail(const char* what) const
    {
        throw std::runtime_error(std::string(what) + " at byte " + std::to_string(m_pos));
    }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos] != '\0' &&
               std::strchr(" \t\r\n", m_text[m_pos]))
            ++m_pos;
    }

    void expect(char c)
    {
        skipBlanks();
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            fail(c == '"' ? "expected a text" : "unexpected character");
        ++m_pos;
    }

    bool peek(char c)
    {
        skipBlanks();
        return m_pos < m_text.size() && m_text[m_pos] == c;
    }

    template <typename F> void readObject(int depth, F member)
    {
        if (depth > MAX_DEPTH)
            fail("nested too deeply");
        expect('{');
        if (peek('}')) {
            ++m_pos;
            return;
        }
        for (;;) {
            const std::string key = readString();
            expect(':');
            member(key);
            if (!peek(','))
                break;
            ++m_pos;
        }
        expect('}');
    }

    template <typename F> void readArray(int depth, F element)
    {
        if (depth > MAX_DEPTH)
            fail("nested too deeply");
        expect('[');
        if (peek(']')) {
            ++m_pos;
            return;
        }
        for (;;) {
            element();
            if (!peek(','))
                break;
            ++m_pos;
        }
        expect(']');
    }

    Entry readEntry()
    {
        Entry entry;
        readObject(2, [&](const std::string& key) {
            if (peek('"'))
                entry[key] = readString();
            else
                skipValue(3);
        });
        return entry;
    }

    void skipValue(int depth)
    {
        skipBlanks();
        if (m_pos >= m_text.size())
            fail("missing value");
        const char c = m_text[m_pos];
        if (c == '{')
            return readObject(depth + 1, [&](const std::string&) { skipValue(depth + 1); });
        if (c == '[')
            return readArray(depth + 1, [&] { skipValue(depth + 1); });
        if (c == '"') {
            readString();
            return;
        }
        const size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != '\0' &&
               std::strchr("+-.0123456789eEtruefalsn", m_text[m_pos]))
            ++m_pos;
        if (m_pos == start)
            fail("unexpected character");
    }

    unsigned readHex4()
    {
        if (m_text.size() - m_pos < 4)
            fail("cut escape");
        const std::string digits = m_text.substr(m_pos, 4);
        if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            fail("bad escape");
        m_pos += 4;
        return static_cast<unsigned>(std::stoul(digits, nullptr, 16));
    }

    static void appendUtf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string readString()
    {
        expect('"');
        std::string out;
        for (;;) {
            if (m_pos >= m_text.size())
                fail("unterminated text");
            const char c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                fail("control character in text");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                fail("cut escape");
            const char e = m_text[m_pos++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned cp = readHex4();
                if (cp >= 0xD800 && cp < 0xDC00 && m_text.compare(m_pos, 2, "\\u") == 0) {
                    m_pos += 2;
                    const unsigned low = readHex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        fail("bad surrogate pair");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xD800 && cp < 0xE000) {
                    fail("lone surrogate");
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                fail("bad escape");
            }
        }
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

std::string readWholeFile(const wxString& path)
{
    std::ifstream in(path.fn_str(), std::ios::binary);
    if (!in)
        throw Quorvel::FileNotFoundException("Could not open the country list " + path);
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > MAX_TABLE_SIZE)
            throw Quorvel::IOException("The country list " + path + " is too large");
    }
    if (in.bad())
        throw Quorvel::IOException("Could not read the country list " + path);
    return text;
}

wxString translateWithToolkit(const wxString& name)
{
    return wxGetTranslation(name, CountryList::TRANSLATION_DOMAIN);
}

bool isCode(const std::string& text, size_t length)
{
    return text.size() == length &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

} // namespace

const CountryList& CountryList::getInstance()
{
    static const CountryList instance = [] {
        if (wxTranslations* translations = wxTranslations::Get())
            translations->AddCatalog(TRANSLATION_DOMAIN);
        try {
            return CountryList(DEFAULT_PATH);
        } catch (const Quorvel::Exception& e) {
            wxLogError("%s", e.getMessage());
            return CountryList();
        }
    }();
    return instance;
}

CountryList::CountryList(const wxString& path, Translator translate)
{
    if (!translate)
        translate = &translateWithToolkit;
    const std::string text = readWholeFile(path);
    std::vector<TableReader::Entry> entries;
    try {
        entries = TableReader(text).read();
    } catch (const std::runtime_error& e) {
        throw Quorvel::IOException("The country list " + path +
                                   " is damaged: " + wxString::FromUTF8(e.what()));
    }
    for (const TableReader::Entry& entry : entries) {
        const auto alpha2 = entry.find("alpha_2");
        const auto alpha3 = entry.find("alpha_3");
        // The common name where the table has one ("Taiwan", not "Taiwan, Province of
        // China"): the name people search for and read in captions.
        auto name = entry.find("common_name");
        if (name == entry.end())
            name = entry.find("name");
        // An entry without usable codes cannot be searched or mapped; leave it out.
        if (alpha2 == entry.end() || name == entry.end() || !isCode(alpha2->second, 2))
            continue;
        Country country;
        country.code = wxString::FromAscii(alpha2->second.c_str());
        if (alpha3 != entry.end() && isCode(alpha3->second, 3))
            country.code3 = wxString::FromAscii(alpha3->second.c_str());
        const wxString english = wxString::FromUTF8(name->second);
        country.name = translate(english);
        if (country.name.empty())
            country.name = english;
        m_countries.push_back(country);
    }
    // In the user's collation, so that "Österreich" stands among the O's for a German user.
    std::stable_sort(m_countries.begin(), m_countries.end(),
                     [](const Country& a, const Country& b) {
                         return wxStrcoll(a.name.Upper(), b.name.Upper()) < 0;
                     });
    QDEBUG("[COUNTRYLIST] %zu countries from %s", m_countries.size(), path);
}

std::vector<wxString> CountryList::findCodesByName(const wxString& text) const
{
    std::vector<wxString> codes;
    if (text.empty())
        return codes;
    const wxString wanted = text.Upper();
    for (const Country& country : m_countries) {
        if (country.name.Upper().Contains(wanted))
            codes.push_back(country.code);
    }
    return codes;
}

const CountryList::Country* CountryList::find(const wxString& code) const
{
    const wxString upper = code.Upper();
    for (const Country& country : m_countries) {
        if (country.code == upper || (!country.code3.empty() && country.code3 == upper))
            return &country;
    }
    return nullptr;
}

wxString CountryList::getName(const wxString& code) const
{
    const Country* country = code.length() == 2 ? find(code) : nullptr;
    return country ? country->name : wxString();
}

wxString CountryList::toCatalogueCode(const wxString& code) const
{
    const Country* country = find(code.Strip(wxString::both));
    return country ? country->code : code;
}

} // namespace Brenmarle
