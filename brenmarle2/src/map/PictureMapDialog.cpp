#include "map/PictureMapDialog.h"

#include <memory>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "database/Database.h"
#include "map/PictureMapControl.h"
#include "map/TimeSpanSlider.h"
#include "search/CountryList.h"
#include "search/SearchManager.h"
#include "system/ConfigFile.h"
#include "system/Configuration.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

void PictureMapDialog::open(wxWindow* parent, const SearchHandler& goToSearch,
                            const CountryNames& countryNames)
{
    // The configuration the program registered, as every window reads it: the running
    // application object need not be the program's own (an embedding host, the tests).
    Quorvel::Configuration* configuration = Quorvel::Configuration::get();
    if (!configuration) {
        wxLogError(_("The picture map cannot open without the program's settings."));
        return;
    }
    PictureMapDialog dialog(parent, Brenmarle::Database::getInstance(),
                            configuration->getUserConfig(),
                            Quorvel::Environment::getResourceDir(), countryNames);
    if (dialog.ShowModal() == wxID_OK && goToSearch)
        goToSearch(dialog.getSearchRequest());
}

PictureMapDialog::PictureMapDialog(wxWindow* parent, Brenmarle::Database& database,
                                   Quorvel::ConfigFile& userConfig, const wxString& resourceDir,
                                   const CountryNames& countryNames)
    : wxDialog(parent, wxID_ANY, _("Picture Map"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_database(database), m_userConfig(userConfig), m_resourceDir(resourceDir),
      m_countryNames(countryNames)
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_mapPanel = makeMapPanel(this);
    m_registerPanel = makeRegisterPanel(this);
    top->Add(m_mapPanel, 1, wxEXPAND | wxALL, 10);
    top->Add(m_registerPanel, 1, wxEXPAND | wxALL, 10);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    m_closeButton = new wxButton(this, wxID_CANCEL, _("Close"));
    m_searchButton = new wxButton(this, wxID_OK, _("Go to search results"));
    buttons->Add(m_closeButton, 0, wxRIGHT, 8);
    buttons->Add(m_searchButton);
    top->Insert(0, m_countingText = new wxStaticText(this, wxID_ANY, _("Counting pictures...")), 0,
                wxALL, 10);
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetEscapeId(wxID_CANCEL);
    m_searchButton->Bind(wxEVT_BUTTON, &PictureMapDialog::onSearch, this);

    // Until the catalogue has answered, neither the map nor the registration help shows.
    m_mapPanel->Hide();
    m_registerPanel->Hide();
    m_searchButton->Hide();
    m_searchButton->Disable();
    m_closeButton->SetDefault();
    SetSizerAndFit(top);
    CentreOnParent();

    // The counts search no text, so they need no country names.
    static const Brenmarle::CountryList noCountries;
    m_counter = std::make_unique<Brenmarle::SearchManager>(m_database, noCountries);
    m_counter->start();
    askOverview();
}

PictureMapDialog::~PictureMapDialog()
{
    m_counter.reset();
}

void PictureMapDialog::reportFailure(const wxString& message)
{
    m_countingText->SetLabel(message);
    m_countingText->Show();
    wxLogError("%s", message);
}

void PictureMapDialog::askOverview()
{
    const int round = ++m_asked;
    m_counter->setWork([this, round](Brenmarle::Database& database) {
        bool hasCountries = false;
        int32_t minTime = 0;
        int32_t maxTime = 0;
        wxString failure;
        try {
            hasCountries = PictureMapModel::hasCountryInformation(database);
            if (hasCountries)
                database.getMinMaxTime(minTime, maxTime);
        } catch (const Quorvel::Exception& e) {
            failure = e.getMessage();
        }
        return [=] {
            m_answered = round;
            if (!failure.empty())
                reportFailure(failure);
            showOverview(hasCountries, minTime, maxTime);
        };
    });
}

void PictureMapDialog::showOverview(bool hasCountries, int32_t minTime, int32_t maxTime)
{
    m_countingText->Hide();
    m_mapPanel->Show(hasCountries);
    m_registerPanel->Show(!hasCountries);
    m_searchButton->Show(hasCountries);
    if (hasCountries) {
        m_slider->setLimits(PictureMapModel::dayOf(minTime), PictureMapModel::dayOf(maxTime));
        wxString stored;
        m_userConfig.readString(PictureMapModel::LAST_REGION_KEY, stored);
        const wxString region = PictureMapModel::chooseRegion(stored);
        const auto& regions = PictureMapModel::getRegions();
        for (size_t i = 0; i < regions.size(); ++i) {
            if (regions[i].path == region)
                m_regionChoice->SetSelection(int(i));
        }
        loadRegion(region);
        m_searchButton->SetDefault();
    }
    Fit();
    CentreOnParent();
}

wxPanel* PictureMapDialog::makeMapPanel(wxWindow* parent)
{
    auto* panel = new wxPanel(parent);
    auto* sizer = new wxBoxSizer(wxVERTICAL);

    auto* regionRow = new wxBoxSizer(wxHORIZONTAL);
    auto* regionLabel = new wxStaticText(panel, wxID_ANY, _("Choose map region:"));
    m_regionChoice = new wxChoice(panel, wxID_ANY);
    for (const PictureMapModel::Region& region : PictureMapModel::getRegions())
        m_regionChoice->Append(wxGetTranslation(region.label));
    Quorvel::setAccessibleName(*m_regionChoice, _("Map region"));
    m_regionChoice->Bind(wxEVT_CHOICE, &PictureMapDialog::onRegionChoice, this);
    regionRow->Add(regionLabel, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    regionRow->Add(m_regionChoice, 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(regionRow, 0, wxBOTTOM, 8);

    auto* mapRow = new wxBoxSizer(wxHORIZONTAL);
    m_slider = new TimeSpanSlider(panel);
    m_slider->Bind(wxEVT_SLIDER, &PictureMapDialog::onPeriodChange, this);
    m_mapControl = new PictureMapControl(panel);
    m_mapControl->Bind(wxEVT_BUTTON, &PictureMapDialog::onMapClick, this);
    mapRow->Add(m_slider, 0, wxEXPAND | wxRIGHT, 8);
    mapRow->Add(m_mapControl, 1, wxEXPAND);
    sizer->Add(mapRow, 1, wxEXPAND | wxBOTTOM, 8);

    m_selectionLabel = new wxStaticText(panel, wxID_ANY, _("No selection"));
    m_selectionLabel->SetFont(m_selectionLabel->GetFont().Bold());
    m_clickHint = new wxStaticText(
        panel, wxID_ANY,
        _("Click on a country to get information about pictures from that country."));
    m_timelineHint = new wxStaticText(panel, wxID_ANY,
                                      _("The timeline to the left can be used to disregard "
                                        "pictures outside of a specified time period."));
    sizer->Add(m_selectionLabel, 0, wxBOTTOM, 4);
    sizer->Add(m_clickHint);
    sizer->Add(m_timelineHint);
    panel->SetSizer(sizer);
    return panel;
}

wxPanel* PictureMapDialog::makeRegisterPanel(wxWindow* parent)
{
    auto* panel = new wxPanel(parent);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const int width = FromDIP(520);
    const auto text = [&](const wxString& words, int gap) {
        auto* label = new wxStaticText(panel, wxID_ANY, words);
        label->Wrap(width);
        sizer->Add(label, 0, wxBOTTOM, gap);
        return label;
    };
    auto* heading = text(_("How To Register Country Information"), 10);
    heading->SetFont(heading->GetFont().Bold().Larger());
    text(_("You have no pictures with country information."), 10);
    text(_("To specify a country, you must first open the 'Keywords' tab (1) located to the right "
           "of the main window and select the pictures that were taken in that country."),
         6);
    text(_("Secondly, you must choose the country from the list of available countries (2)."), 10);
    const wxString picture = m_resourceDir + "help/countrysel.png";
    wxImage image;
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    if (wxFileName::FileExists(picture)) {
        wxLogNull quiet;
        image.LoadFile(picture, wxBITMAP_TYPE_PNG);
    }
    if (image.IsOk())
        sizer->Add(new wxStaticBitmap(panel, wxID_ANY, wxBitmap(image), wxDefaultPosition,
                                      wxDefaultSize, 0, "countrysel.png"),
                   0, wxBOTTOM, 10);
    else
        QDEBUG("[PICTUREMAPDIALOG] No help picture at %s", picture);
    text(_("You can close this window and come back here when you have registered country "
           "information for a few pictures"),
         0);
    panel->SetSizer(sizer);
    return panel;
}

void PictureMapDialog::chooseRegion(int index)
{
    const auto& regions = PictureMapModel::getRegions();
    if (index < 0 || size_t(index) >= regions.size())
        return;
    m_regionChoice->SetSelection(index);
    loadRegion(regions[index].path);
    m_userConfig.writeString(PictureMapModel::LAST_REGION_KEY, regions[index].path);
}

void PictureMapDialog::onRegionChoice(wxCommandEvent& event)
{
    chooseRegion(event.GetSelection());
}

void PictureMapDialog::loadRegion(const wxString& path)
{
    std::unique_ptr<Brenmarle::RegionMap> map;
    try {
        map = std::make_unique<Brenmarle::RegionMap>(m_resourceDir + "maps/" + path);
    } catch (const Quorvel::Exception& e) {
        wxLogError("%s", e.getMessage());
    }
    m_mapControl->setMap(std::move(map));
    updateCounts();
    if (GetSizer())
        Fit();
}

PictureMapModel::Period PictureMapDialog::currentPeriod() const
{
    return PictureMapModel::periodOfDays(m_slider->getStartDay(), m_slider->getEndDay());
}

wxString PictureMapDialog::countryName(const wxString& code) const
{
    if (m_countryNames) {
        const wxString name = m_countryNames(code);
        if (!name.empty())
            return name;
    }
    if (Brenmarle::RegionMap* map = m_mapControl->getMap()) {
        const auto& regions = map->getRegions();
        const auto found = regions.find(code);
        if (found != regions.end() && !found->second->getName().empty())
            return found->second->getName();
    }
    return code;
}

void PictureMapDialog::updateCounts()
{
    const PictureMapModel::Period period = currentPeriod();
    const wxString code = m_mapControl->getSelection();
    const auto known = m_unknownTimes.find(code);
    const int32_t unknownTime = known != m_unknownTimes.end() ? known->second : -1;
    const int round = ++m_asked;
    // Only the latest period and selection are counted: the search thread drops work that
    // waits when newer work comes, and the dialog drops answers to older rounds.
    m_counter->setWork([this, round, period, code, unknownTime](Brenmarle::Database& database) {
        std::set<wxString> withPictures;
        PictureMapModel::CountryCount count;
        wxString failure;
        try {
            for (const auto& [country, number] :
                 database.getCountryCounts(period.from, period.to)) {
                if (number > 0)
                    withPictures.insert(country);
            }
            if (!code.empty())
                count = PictureMapModel::count(
                    database, code, period,
                    unknownTime >= 0 ? unknownTime
                                     : PictureMapModel::countUnknownTime(database, code));
        } catch (const Quorvel::Exception& e) {
            failure = e.getMessage();
        }
        return [=] {
            if (round != m_asked)
                return;
            m_answered = round;
            if (!failure.empty()) {
                reportFailure(failure);
                return;
            }
            if (!code.empty())
                m_unknownTimes[code] = count.unknownTime;
            showCounts(withPictures, code, count);
        };
    });
    m_clickHint->Show(code.empty());
    m_timelineHint->Show(code.empty());
    m_searchButton->Enable(!code.empty());
    m_mapPanel->Layout();
}

void PictureMapDialog::showCounts(const std::set<wxString>& withPictures, const wxString& code,
                                  const PictureMapModel::CountryCount& count)
{
    m_mapControl->setCountriesWithPictures(withPictures);
    if (code.empty()) {
        QDEBUG("[PICTUREMAPDIALOG] Clearing seldescrlabel");
        m_selectionLabel->SetLabel(_("No selection"));
    } else {
        QDEBUG("[PICTUREMAPDIALOG] Found %d pictures", count.dated + count.unknownTime);
        m_selectionLabel->SetLabel(PictureMapModel::describe(count, countryName(code)));
    }
    m_mapPanel->Layout();
}

void PictureMapDialog::onMapClick(wxCommandEvent&)
{
    updateCounts();
}

void PictureMapDialog::onPeriodChange(wxCommandEvent&)
{
    updateCounts();
}

void PictureMapDialog::onSearch(wxCommandEvent&)
{
    const wxString code = m_mapControl->getSelection();
    if (code.empty())
        return;
    const auto period =
        PictureMapModel::searchPeriod(currentPeriod(), m_slider->startsAtFirstDay());
    m_request.countryCode = code;
    m_request.minimumTime = period.minimumTime;
    m_request.maximumTime = period.maximumTime;
    if (IsModal())
        EndModal(wxID_OK);
    else
        SetReturnCode(wxID_OK);
}
