#include "main/Preferences.h"

#include <memory>

#include <wx/fileconf.h>

#include "system/Log.h"

namespace {

std::unique_ptr<wxFileConfig> openPreferences(const wxString& fileName)
{
    auto config = std::make_unique<wxFileConfig>(
        "Brenmarle2", "Quorvel", fileName, wxEmptyString,
        wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE, wxConvUTF8);
    config->SetExpandEnvVars(false);
    return config;
}

} // namespace

Preferences::Preferences(const wxString& fileName) : m_fileName(fileName)
{
    wxASSERT_MSG(!fileName.empty(), "!fileName.empty() (Preferences.cpp)");
    auto config = openPreferences(m_fileName);
    config->Read("/Interface/SidePanelWidth", &m_sidePanelWidth, DEFAULT_SIDE_PANEL_WIDTH);
}

bool Preferences::save() const
{
    wxASSERT_MSG(!m_fileName.empty(), "!m_fileName.empty() (Preferences.cpp)");
    QDEBUG("Writing preferences to %s", m_fileName);
    auto config = openPreferences(m_fileName);
    config->Write("/Interface/SidePanelWidth", m_sidePanelWidth);
    return config->Flush();
}
