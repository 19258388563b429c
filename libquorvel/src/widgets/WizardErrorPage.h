#pragma once
// The page a failed step of a wizard is shown on: what was being done, the failure code and
// the message. Its title is the header's error line. Back leaves it; Next reads "Retry" and
// repeats the operation from the nearest retry point when retry is allowed (the network error
// page), else it is disabled.
//
// GUI thread only.

#include "widgets/WizardPage.h"

namespace Quorvel {

class Wizard::ErrorPage : public Wizard::Page {
public:
    ErrorPage(Wizard* wizard, const wxString& title);

    void setOperation(const wxString& operation) { m_operation = operation; }
    const wxString& getOperation() const { return m_operation; }
    void setFailure(const wxString& code, const wxString& message);
    const wxString& getCode() const { return m_code; }
    const wxString& getMessage() const { return m_message; }
    bool isRetryAllowed() const { return m_retryAllowed; }
    // The step of the page that failed.
    void setStep(int step) { m_step = step; }
    int getStep() const override { return m_step; }

    void beforeShow() override;
    void afterShow() override;
    void afterHide() override;
    void onNext(wxCommandEvent& event) override;
    void getHeaderMessages(wxString& error, wxString& warning) const override;

protected:
    void setRetryAllowed(bool allowed) { m_retryAllowed = allowed; }
    // Appends the page's texts to `sizer`, in order.
    virtual void addTexts(wxSizer* sizer);
    // A label of the page's width.
    void addText(wxSizer* sizer, const wxString& text, bool bold = false);

private:
    wxString m_operation;
    wxString m_code;
    wxString m_message;
    bool m_retryAllowed = false;
    int m_step = -1;
    bool m_built = false;
};

} // namespace Quorvel
