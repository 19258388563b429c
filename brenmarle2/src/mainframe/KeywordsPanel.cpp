#include "mainframe/KeywordsPanel.h"

#include <set>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>

#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "keywords/KeywordEvent.h"
#include "keywords/KeywordManager.h"
#include "search/CountryList.h"
#include "system/Exceptions.h"
#include "ui/Accessibility.h"
#include "ui/AccessibleRows.h"

using Brenmarle::KeywordManager;

namespace {

// Keeps the file's new metadata in its folder's catalogue rows and tells the views.
void storeChange(Brenmarle::File& file, int32_t mask)
{
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    manager.getFolder(file.getURI())->saveFileMetadata(file);
    manager.fileChanged(file, mask);
}

} // namespace

KeywordsPanel::KeywordsPanel(wxWindow* parent, ViewProvider view)
    : wxPanel(parent, wxID_ANY), m_viewProvider(std::move(view))
{
    SetName("KeywordsPanel");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, _("Keywords"));
    title->SetFont(title->GetFont().Bold());
    sizer->Add(title, 0, wxALL, 6);

    m_tree = new wxTreeListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                wxTL_SINGLE | wxTL_CHECKBOX | wxTL_3STATE);
    m_tree->SetName("KeywordTree");
    Quorvel::setAccessibleName(*m_tree->GetView(), _("Keywords"));
    m_tree->AppendColumn(_("Keyword"));
    Quorvel::AccessibleRows::expose(*m_tree, _("Keywords"));
    sizer->Add(m_tree, 1, wxEXPAND | wxLEFT | wxRIGHT, 6);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* add =
        new wxButton(this, wxID_ANY, _("Add..."), wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    m_rename = new wxButton(this, wxID_ANY, _("Rename..."), wxDefaultPosition, wxDefaultSize,
                            wxBU_EXACTFIT);
    m_remove =
        new wxButton(this, wxID_ANY, _("Remove"), wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    for (wxButton* button : {add, m_rename, m_remove})
        buttons->Add(button, 1, wxRIGHT, 2);
    sizer->Add(buttons, 0, wxEXPAND | wxALL, 6);
    m_message = new wxStaticText(this, wxID_ANY, wxString());
    m_message->SetName("KeywordMessage");
    m_message->SetForegroundColour(*wxRED);
    sizer->Add(m_message, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);

    auto* placeTitle = new wxStaticText(this, wxID_ANY, _("Place"));
    placeTitle->SetFont(placeTitle->GetFont().Bold());
    sizer->Add(placeTitle, 0, wxALL, 6);
    auto* place = new wxFlexGridSizer(2, 4, 4);
    place->AddGrowableCol(1);
    m_country = new wxChoice(this, wxID_ANY);
    m_country->SetName("PlaceCountry");
    m_country->Append(_("(none)"), new wxStringClientData());
    for (const auto& country : Brenmarle::CountryList::getInstance().getCountries())
        m_country->Append(country.name, new wxStringClientData(country.code));
    m_province = new wxTextCtrl(this, wxID_ANY);
    m_city = new wxTextCtrl(this, wxID_ANY);
    m_sublocation = new wxTextCtrl(this, wxID_ANY);
    const std::pair<wxString, wxWindow*> rows[] = {{_("Country:"), m_country},
                                                   {_("Province:"), m_province},
                                                   {_("City:"), m_city},
                                                   {_("Sublocation:"), m_sublocation}};
    for (const auto& [label, field] : rows) {
        place->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        place->Add(field, 1, wxEXPAND);
        Quorvel::setAccessibleName(*field, label.BeforeLast(':'));
    }
    sizer->Add(place, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);
    m_applyPlace = new wxButton(this, wxID_ANY, _("Set Place of Selection"));
    sizer->Add(m_applyPlace, 0, wxALIGN_RIGHT | wxALL, 6);
    SetSizer(sizer);

    m_tree->Bind(wxEVT_TREELIST_ITEM_CHECKED, &KeywordsPanel::onChecked, this);
    m_tree->Bind(wxEVT_TREELIST_SELECTION_CHANGED, [this](wxTreeListEvent&) {
        const bool chosen = !chosenKeyword().empty();
        m_rename->Enable(chosen);
        m_remove->Enable(chosen);
    });
    add->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onAdd(); });
    m_rename->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onRename(); });
    m_remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onRemove(); });
    m_applyPlace->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxString code;
        if (auto* data = dynamic_cast<wxStringClientData*>(
                m_country->GetClientObject(static_cast<unsigned>(m_country->GetSelection()))))
            code = data->GetData();
        setSelectionPlace(code, m_province->GetValue(), m_city->GetValue(),
                          m_sublocation->GetValue());
    });

    KeywordManager::getInstance().addListener(this, GetId());
    Bind(Brenmarle::KEYWORD_ADDED, &KeywordsPanel::onKeywordsChanged, this);
    Bind(Brenmarle::KEYWORD_REMOVED, &KeywordsPanel::onKeywordsChanged, this);
    Bind(Brenmarle::KEYWORDS_CHANGED, &KeywordsPanel::onKeywordsChanged, this);
    rebuildTree();
    refreshSelection();
}

KeywordsPanel::~KeywordsPanel()
{
    KeywordManager::getInstance().removeListener(this);
}

ThumbnailView::Files KeywordsPanel::selectedFiles() const
{
    ThumbnailView* view = m_viewProvider ? m_viewProvider() : nullptr;
    return view ? view->getSelectedFiles() : ThumbnailView::Files();
}

wxString KeywordsPanel::chosenKeyword() const
{
    const wxTreeListItem item = m_tree->GetSelection();
    if (!item.IsOk())
        return wxString();
    for (const auto& [keyword, shown] : m_items)
        if (shown == item)
            return keyword;
    return wxString();
}

wxTreeListItem KeywordsPanel::findItem(const wxString& keyword) const
{
    const auto it = m_items.find(keyword);
    return it == m_items.end() ? wxTreeListItem() : it->second;
}

wxString KeywordsPanel::getMessage() const
{
    return m_message->GetLabel();
}

void KeywordsPanel::showMessage(const wxString& message)
{
    m_message->SetLabel(message);
    m_message->Wrap(std::max(100, GetClientSize().x - 12));
    Layout();
}

void KeywordsPanel::rebuildTree()
{
    const wxString chosen = chosenKeyword();
    m_tree->DeleteAllItems();
    m_items.clear();
    // Sorted paths put each parent before its children.
    for (const wxString& keyword : KeywordManager::getInstance().getKeywords()) {
        wxTreeListItem parent = m_tree->GetRootItem();
        wxString path;
        for (const wxString& level : wxSplit(keyword, '/', '\0')) {
            path = path.empty() ? level : path + "/" + level;
            auto it = m_items.find(path);
            if (it == m_items.end())
                it = m_items.emplace(path, m_tree->AppendItem(parent, level)).first;
            parent = it->second;
        }
    }
    for (const auto& [keyword, item] : m_items)
        m_tree->Expand(item);
    if (const wxTreeListItem item = findItem(chosen); item.IsOk())
        m_tree->Select(item);
    m_rename->Enable(!chosenKeyword().empty());
    m_remove->Enable(!chosenKeyword().empty());
    updateTicks();
}

void KeywordsPanel::updateTicks()
{
    const ThumbnailView::Files files = selectedFiles();
    for (const auto& [keyword, item] : m_items) {
        size_t with = 0;
        for (const auto& file : files)
            if (file->hasKeyword(keyword))
                ++with;
        m_tree->CheckItem(item, with == 0              ? wxCHK_UNCHECKED
                                : with == files.size() ? wxCHK_CHECKED
                                                       : wxCHK_UNDETERMINED);
    }
}

void KeywordsPanel::refreshSelection()
{
    updateTicks();
    const ThumbnailView::Files files = selectedFiles();
    const bool any = !files.empty();
    for (wxWindow* field : std::initializer_list<wxWindow*>{m_country, m_province, m_city,
                                                            m_sublocation, m_applyPlace})
        field->Enable(any);
    // The fields show the first picture's place; setting them applies it to all of them.
    const Brenmarle::File* first = any ? files.front().get() : nullptr;
    m_country->SetSelection(0);
    if (first)
        for (unsigned i = 1; i < m_country->GetCount(); ++i) {
            auto* data = dynamic_cast<wxStringClientData*>(m_country->GetClientObject(i));
            if (data && data->GetData() == first->getCountryCode().Upper())
                m_country->SetSelection(static_cast<int>(i));
        }
    m_province->ChangeValue(first ? first->getProvince() : wxString());
    m_city->ChangeValue(first ? first->getCity() : wxString());
    m_sublocation->ChangeValue(first ? first->getSublocation() : wxString());
}

void KeywordsPanel::onKeywordsChanged(Brenmarle::KeywordEvent& event)
{
    (void)event;
    rebuildTree();
}

void KeywordsPanel::onChecked(wxTreeListEvent& event)
{
    const wxTreeListItem item = event.GetItem();
    for (const auto& [keyword, shown] : m_items) {
        if (shown != item)
            continue;
        // A click on a half tick tags them all.
        tagSelection(keyword, m_tree->GetCheckedState(item) != wxCHK_UNCHECKED);
        break;
    }
    updateTicks();
}

bool KeywordsPanel::tagSelection(const wxString& keyword, bool tag)
{
    showMessage(wxString());
    const ThumbnailView::Files files = selectedFiles();
    if (files.empty()) {
        showMessage(_("Select the pictures to tag first."));
        updateTicks();
        return false;
    }
    bool changed = false;
    try {
        if (tag)
            addKeyword(keyword); // a parent level shown only as a branch becomes a keyword
        for (const auto& file : files) {
            if (file->hasKeyword(keyword) == tag)
                continue;
            if (tag)
                file->addKeyword(keyword);
            else
                file->removeKeyword(keyword);
            storeChange(*file, Brenmarle::FileEvent::CHANGED_KEYWORDS);
            changed = true;
        }
    } catch (const Quorvel::Exception& e) {
        showMessage(e.getMessage());
    }
    updateTicks();
    return changed;
}

bool KeywordsPanel::setSelectionPlace(const wxString& countryCode, const wxString& province,
                                      const wxString& city, const wxString& sublocation)
{
    showMessage(wxString());
    bool changed = false;
    for (const auto& file : selectedFiles()) {
        try {
            file->setCountryCode(countryCode);
            file->setProvince(province.Strip(wxString::both));
            file->setCity(city.Strip(wxString::both));
            file->setSublocation(sublocation.Strip(wxString::both));
            storeChange(*file, 0);
            changed = true;
        } catch (const Quorvel::Exception& e) {
            showMessage(wxString::Format(_("Could not set the place of %s: %s"),
                                         file->getFileName(), e.getMessage()));
        }
    }
    return changed;
}

bool KeywordsPanel::addKeyword(const wxString& keyword)
{
    const wxString trimmed = keyword.Strip(wxString::both);
    try {
        if (KeywordManager::getInstance().getKeywords().count(trimmed))
            return false;
        KeywordManager::getInstance().addKeyword(trimmed);
        showMessage(wxString());
        return true;
    } catch (const Quorvel::Exception& e) {
        showMessage(e.getMessage());
        return false;
    }
}

bool KeywordsPanel::renameKeyword(const wxString& oldKeyword, const wxString& newKeyword)
{
    const wxString trimmed = newKeyword.Strip(wxString::both);
    if (trimmed == oldKeyword)
        return false;
    try {
        KeywordManager::getInstance().renameKeyword(oldKeyword, trimmed);
        showMessage(wxString());
    } catch (const Quorvel::Exception& e) {
        showMessage(e.getMessage());
        return false;
    }
    updateTicks();
    return true;
}

bool KeywordsPanel::removeKeyword(const wxString& keyword)
{
    if (!KeywordManager::getInstance().getKeywords().count(keyword))
        return false;
    try {
        KeywordManager::getInstance().removeKeyword(keyword);
        showMessage(wxString());
    } catch (const Quorvel::Exception& e) {
        showMessage(e.getMessage());
        return false;
    }
    updateTicks();
    return true;
}

void KeywordsPanel::onAdd()
{
    // Under the chosen keyword by default: most new keywords belong to a group.
    const wxString chosen = chosenKeyword();
    wxTextEntryDialog dialog(this, _("New keyword (use / for a sub-keyword):"), _("Add Keyword"),
                             chosen.empty() ? wxString() : chosen + "/");
    if (dialog.ShowModal() == wxID_OK)
        addKeyword(dialog.GetValue());
}

void KeywordsPanel::onRename()
{
    const wxString chosen = chosenKeyword();
    if (chosen.empty())
        return;
    wxTextEntryDialog dialog(this, _("New name of the keyword:"), _("Rename Keyword"), chosen);
    if (dialog.ShowModal() == wxID_OK)
        renameKeyword(chosen, dialog.GetValue());
}

void KeywordsPanel::onRemove()
{
    const wxString chosen = chosenKeyword();
    if (chosen.empty())
        return;
    if (wxMessageBox(wxString::Format(_("Remove the keyword \"%s\" from the list and from every "
                                        "picture?"),
                                      chosen),
                     _("Remove Keyword"), wxYES_NO | wxICON_QUESTION, this) == wxYES)
        removeKeyword(chosen);
}
