#pragma once
// A multilingual text: a default text and translations keyed by locale name ("de_DE", "fr").
// Shown texts use the translation for the user's locale, else the default.
//
// XML form: a `string` child holding the default text and `translation` children, each with
// `locale` and `string`.
// Threads: a value, used by one thread at a time.

#include <map>

#include <wx/string.h>

#include "util/XMLSerializable.h"

namespace Quorvel {

class MLString : public XMLSerializable {
public:
    MLString() = default;
    explicit MLString(const wxString& text) : m_default(text) {}

    const wxString& getDefault() const { return m_default; }
    void setDefault(const wxString& text) { m_default = text; }
    // An empty locale name is ignored.
    void setTranslation(const wxString& locale, const wxString& text);
    const std::map<wxString, wxString>& getTranslations() const { return m_translations; }

    // The translation for `locale` ("de_AT"), else the one for its language alone ("de"),
    // else the default text.
    const wxString& get(const wxString& locale) const;
    // The text for the user's locale (ConfigFile::getLocaleName()).
    const wxString& get() const;

    void readXML(const XMLNode& element) override;
    void writeXML(const XMLNode& element) const override;

    bool operator==(const MLString& other) const
    {
        return m_default == other.m_default && m_translations == other.m_translations;
    }
    bool operator!=(const MLString& other) const { return !(*this == other); }

private:
    wxString m_default;
    std::map<wxString, wxString> m_translations;
};

} // namespace Quorvel
