#include "templates/TemplateList.h"

#include <algorithm>
#include <map>

#include <wx/intl.h>

#include "ordering/Pricelist.h"
#include "system/Log.h"
#include "util/XMLDocument.h"

namespace Brenmarle {

const char* const TemplateList::FILE_NAME = "templatelist.xml";
const char* const TemplateList::UPDATE_TIME_KEY = "ProductTemplates/ListUpdateTime";
const char* const TemplateList::URL_KEY = "ProductTemplates/ListUrl";

namespace {

const wxString& errorText()
{
    static const wxString text = "Error loading templatelist.xml";
    return text;
}

bool isLabelled(const Template& t, const wxString& label)
{
    if (t.categoryLabel(t.category) == label)
        return true;
    return std::any_of(t.extraCategories.begin(), t.extraCategories.end(),
                       [&](const wxString& code) { return t.categoryLabel(code) == label; });
}

} // namespace

bool TemplateList::isFresh(bool known, std::time_t updateTime, std::time_t now)
{
    return known && updateTime > now - MAX_AGE_SECONDS && updateTime < now;
}

TemplateList TemplateList::fromXML(const std::string& utf8,
                                   std::shared_ptr<const Pricelist> pricelist)
{
    return read(Quorvel::XMLDocument::parse(utf8, errorText()), std::move(pricelist));
}

TemplateList TemplateList::load(const wxString& path, std::shared_ptr<const Pricelist> pricelist)
{
    return read(Quorvel::XMLDocument::load(path, errorText()), std::move(pricelist));
}

TemplateList TemplateList::read(const Quorvel::XMLDocument& document,
                                std::shared_ptr<const Pricelist> pricelist)
{
    TemplateList list;
    list.m_pricelist = std::move(pricelist);
    for (Quorvel::XMLNode node = document.getRoot().firstChild(); node; node = node.next()) {
        if (node.is("defaultcardcategory")) {
            list.m_defaultCardCategory = node.getText();
            continue;
        }
        if (!node.is("template"))
            continue;
        Template t;
        t.readXML(node);
        if (!Template::isSafeName(t.uuid)) {
            QDEBUG("[TEMPLATELIST] Skipping template with unusable uuid %s", t.uuid.Left(80));
            continue;
        }
        if (!t.findProduct(*list.m_pricelist)) {
            QDEBUG("[TEMPLATELIST] Product %s of template %s is not in the price list",
                   t.product.Left(80), t.uuid);
            continue;
        }
        list.m_templates.push_back(std::move(t));
    }
    return list;
}

std::vector<wxString> TemplateList::labelsOf(const Template& t)
{
    std::vector<wxString> labels{t.categoryLabel(t.category)};
    for (const wxString& code : t.extraCategories)
        if (std::find(labels.begin(), labels.end(), t.categoryLabel(code)) == labels.end())
            labels.push_back(t.categoryLabel(code));
    return labels;
}

std::vector<TemplateList::Category> TemplateList::getCategories() const
{
    // Calendars by length, then cards (the default category first, the others as met),
    // booklets, and what the program does not know.
    std::map<int, wxString> calendars;
    std::vector<wxString> cards;
    std::vector<wxString> others;
    Template card;
    card.kind = Template::KIND_CARD;
    const wxString defaultCards = card.categoryLabel(m_defaultCardCategory);
    for (const Template& t : m_templates) {
        if (t.kind == Template::KIND_CALENDAR) {
            calendars.emplace(t.partCount, t.categoryLabel(t.category));
            continue;
        }
        std::vector<wxString>& group = t.kind == Template::KIND_CARD ? cards : others;
        for (const wxString& label : labelsOf(t))
            if (std::find(group.begin(), group.end(), label) == group.end())
                group.push_back(label);
    }
    const auto defaultCard = std::find(cards.begin(), cards.end(), defaultCards);
    if (!m_defaultCardCategory.empty() && defaultCard != cards.end())
        std::rotate(cards.begin(), defaultCard, defaultCard + 1);
    std::sort(others.begin(), others.end(), [](const wxString& a, const wxString& b) {
        // "Unknown Category" last.
        return (a == _("Unknown Category")) < (b == _("Unknown Category"));
    });

    std::vector<Category> categories;
    if (!calendars.empty())
        categories.push_back({Category::ALL_CALENDARS, _("All Calendars")});
    for (const auto& calendar : calendars)
        categories.push_back({Category::LABEL, calendar.second});
    if (!cards.empty())
        categories.push_back({Category::ALL_CARDS, _("All Cards")});
    for (const wxString& label : cards)
        categories.push_back({Category::LABEL, label});
    for (const wxString& label : others)
        categories.push_back({Category::LABEL, label});
    return categories;
}

std::vector<const Template*> TemplateList::templatesIn(const Category& category) const
{
    std::vector<const Template*> found;
    for (const Template& t : m_templates) {
        const bool in = category.group == Category::ALL_CALENDARS
                            ? t.kind == Template::KIND_CALENDAR
                        : category.group == Category::ALL_CARDS ? t.kind == Template::KIND_CARD
                                                                : isLabelled(t, category.label);
        if (in)
            found.push_back(&t);
    }
    return found;
}

} // namespace Brenmarle
