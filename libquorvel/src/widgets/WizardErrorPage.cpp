#include "widgets/WizardErrorPage.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/translation.h>

namespace Quorvel {

namespace {
// Labels stand 10 pixels in from every side of the page.
const int BORDER = 10;
} // namespace

Wizard::ErrorPage::ErrorPage(Wizard* wizard, const wxString& title)
    : Wizard::Page(wizard, wxID_ANY, title)
{
}

void Wizard::ErrorPage::setFailure(const wxString& code, const wxString& message)
{
    m_code = code;
    m_message = message;
}

void Wizard::ErrorPage::beforeShow()
{
    if (!m_built) {
        m_built = true;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        addTexts(sizer);
        SetSizer(sizer);
    }
    getWizard()->updateHeader();
}

void Wizard::ErrorPage::addTexts(wxSizer* sizer)
{
    addText(sizer, _("Operation failed:"), true);
    addText(sizer, m_operation);
    addText(sizer, wxString::Format(_("Failure code: %s"), m_code), true);
    addText(sizer, m_message);
}

void Wizard::ErrorPage::addText(wxSizer* sizer, const wxString& text, bool bold)
{
    // As text: a message with "&" must not turn into a mnemonic.
    auto* label = new wxStaticText(this, wxID_ANY, wxString());
    label->SetLabelText(text);
    if (bold)
        label->SetFont(label->GetFont().Bold());
    // Long messages wrap within the page's smallest width.
    label->Wrap(GetParent()->GetMinSize().GetWidth() - 2 * BORDER);
    // Each heading sits on the text it introduces.
    const int sides = bold ? wxLEFT | wxRIGHT | wxTOP : wxLEFT | wxRIGHT | wxBOTTOM;
    sizer->Add(label, wxSizerFlags().Border(sides, BORDER));
}

void Wizard::ErrorPage::afterShow()
{
    Wizard* wizard = getWizard();
    wizard->enableButton(ID_BACK);
    wizard->setButtonLabel(ID_NEXT, _("Retry"));
    wizard->enableButton(ID_NEXT, m_retryAllowed);
}

void Wizard::ErrorPage::afterHide()
{
    // Whichever way the page goes (Back, Retry, a page pushed over it), the page shown next
    // must not offer Retry.
    getWizard()->setButtonLabel(ID_NEXT, _("Next"));
}

void Wizard::ErrorPage::onNext(wxCommandEvent&)
{
    getWizard()->retryOperation();
}

void Wizard::ErrorPage::getHeaderMessages(wxString& error, wxString& warning) const
{
    error = getTitle();
    warning.clear();
}

} // namespace Quorvel
