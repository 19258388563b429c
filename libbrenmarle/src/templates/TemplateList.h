#pragma once
// The provider's list of product templates as the program keeps it: "templatelist.xml" in the
// portal's folder, read against the current price list. Only templates whose product the price
// list sells, and whose uuid can name a folder, are kept. The templates are grouped into the
// categories the chooser shows: "All Calendars", a group per calendar length, "All Cards", a
// group per card category (the list's default card category first), "Photo Booklets" and
// "Unknown Category".
//
// The list is fresh for three days after its last download (isFresh); the time of that download
// is kept under UPDATE_TIME_KEY in the user configuration.
//
// Document form: a root element holding `template` elements (Template) and optionally
// `defaultcardcategory`.
//
// A value; one thread at a time. Holds the price list it was read against.

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

#include "templates/Template.h"

namespace Quorvel {
class XMLDocument;
}

namespace Brenmarle {

class Pricelist;

class TemplateList {
public:
    static constexpr int64_t MAX_AGE_SECONDS = 259200;
    static const char* const FILE_NAME;       // "templatelist.xml"
    static const char* const UPDATE_TIME_KEY; // "ProductTemplates/ListUpdateTime"
    // The address the list was last downloaded from; package addresses are relative to it.
    static const char* const URL_KEY; // "ProductTemplates/ListUrl"

    struct Category {
        enum Group { ALL_CALENDARS, ALL_CARDS, LABEL };
        Group group = LABEL;
        wxString label;
        bool operator==(const Category& other) const
        {
            return group == other.group && label == other.label;
        }
    };

    // Fresh when the update time is known and lies strictly between now - MAX_AGE_SECONDS and
    // now: a time in the future is a clock that was wrong then, and counts as not fresh.
    static bool isFresh(bool known, std::time_t updateTime, std::time_t now);

    // Reads a list document; throws Quorvel::XMLException "Error loading templatelist.xml"
    // when it is not XML. `pricelist` must not be null.
    static TemplateList fromXML(const std::string& utf8,
                                std::shared_ptr<const Pricelist> pricelist);
    // As fromXML, from a file; also the file exceptions of Quorvel::InputFile.
    static TemplateList load(const wxString& path, std::shared_ptr<const Pricelist> pricelist);

    const std::vector<Template>& getTemplates() const { return m_templates; }
    const wxString& getDefaultCardCategory() const { return m_defaultCardCategory; }
    const Pricelist& getPricelist() const { return *m_pricelist; }

    // The categories that hold at least one template, in the order the chooser lists them.
    std::vector<Category> getCategories() const;
    // The templates of `category`, in the list's order.
    std::vector<const Template*> templatesIn(const Category& category) const;

private:
    TemplateList() = default;
    static TemplateList read(const Quorvel::XMLDocument& document,
                             std::shared_ptr<const Pricelist> pricelist);
    // The category codes of `t` that are card categories' labels, its own first.
    static std::vector<wxString> labelsOf(const Template& t);

    std::shared_ptr<const Pricelist> m_pricelist;
    std::vector<Template> m_templates;
    wxString m_defaultCardCategory;
};

} // namespace Brenmarle
