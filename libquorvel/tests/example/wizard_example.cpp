// Shows the example wizard in one state, to look at it: wizard_example [welcome | options |
// busy | error | network | done]. Closing the wizard ends the program.
#include <memory>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/image.h>

#include "ExampleWizard.h"
#include "Gate.h"

namespace {

void pressNext(Quorvel::Wizard& wizard)
{
    wxCommandEvent click(wxEVT_BUTTON, Quorvel::Wizard::ID_NEXT);
    wizard.ProcessWindowEvent(click);
}

class ExampleApp : public wxApp {
public:
    bool OnInit() override
    {
        const wxString state = argc > 1 ? argv[1] : wxString("welcome");
        Quorvel::Wizard::setHelpHandler([](const wxString&) {});
        wxInitAllImageHandlers();
        auto* wizard = new Example::Wizard(nullptr);
        wizard->setSideBarPicture(wxBitmap(VISTRELLE_SIDEBAR_PICTURE, wxBITMAP_TYPE_PNG));
        // Ends the program when the wizard closes, whichever way.
        wizard->Bind(wxEVT_SHOW, [wizard](wxShowEvent& event) {
            event.Skip();
            if (!event.IsShown())
                wizard->CallAfter([wizard] { wizard->Destroy(); });
        });
        wizard->Show();
        if (state == "busy")
            wizard->setTaskMaker([this] { return Quorvel::makeRef<Example::SendTask>(m_gate); });
        else if (state == "error")
            wizard->setTaskMaker([] {
                return Quorvel::makeRef<Example::SendTask>(
                    std::make_shared<Gate>(true), "Soap.Fault",
                    "The server could not store the pictures: the album is full.");
            });
        else if (state == "network")
            wizard->setTaskMaker([] {
                return Quorvel::makeRef<Example::SendTask>(
                    std::make_shared<Gate>(true), Quorvel::Wizard::CONNECTION_REFUSED,
                    "Could not connect to upload.example.com port 80: connection refused");
            });
        if (state != "welcome")
            pressNext(*wizard);
        if (state != "welcome" && state != "options")
            pressNext(*wizard);
        return true;
    }
    int OnExit() override
    {
        m_gate->open();
        return wxApp::OnExit();
    }

private:
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>(false);
};

} // namespace

wxIMPLEMENT_APP(ExampleApp);
