#include "util/MLString.h"

#include "system/ConfigFile.h"

namespace Quorvel {

void MLString::setTranslation(const wxString& locale, const wxString& text)
{
    if (!locale.empty())
        m_translations[locale] = text;
}

const wxString& MLString::get(const wxString& locale) const
{
    if (m_translations.empty() || locale.empty())
        return m_default;
    auto found = m_translations.find(locale);
    if (found == m_translations.end())
        found = m_translations.find(locale.BeforeFirst('_'));
    return found != m_translations.end() ? found->second : m_default;
}

const wxString& MLString::get() const
{
    return m_translations.empty() ? m_default : get(ConfigFile::getLocaleName());
}

void MLString::readXML(const XMLNode& element)
{
    for (XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("string"))
            m_default = node.getText();
        else if (node.is("translation"))
            setTranslation(node.child("locale").getText(), node.child("string").getText());
    }
}

void MLString::writeXML(const XMLNode& element) const
{
    element.addText("string", m_default);
    for (const auto& [locale, text] : m_translations) {
        const XMLNode translation = element.addChild("translation");
        translation.addText("locale", locale);
        translation.addText("string", text);
    }
}

} // namespace Quorvel
