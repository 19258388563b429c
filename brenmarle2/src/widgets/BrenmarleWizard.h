#pragma once
// The base of the program's assistants: the skin's picture heading the side bar of steps, and
// failures of work done on the GUI thread (a document that cannot be read, a delivery method
// that cannot be chosen) shown on the same error pages as a failed task's. The payment pages
// of the ordering assistants come with the payment work.
//
// GUI thread only.

#include <vector>

#include "widgets/Wizard.h"

namespace Quorvel {
class Exception;
}

class BrenmarleWizard : public Quorvel::Wizard {
public:
    // Under the skin folder.
    static constexpr const char* SIDEBAR_PICTURE = "wizard/sidebar.png";

    BrenmarleWizard(wxWindow* parent, const wxString& title,
                    const std::vector<wxString>& steps = {});

    using Quorvel::Wizard::showFailure;
    // Shows `failure` of `operation` ("Could not choose delivery method") on an error page; the
    // one that offers Retry when the connection was refused.
    void showFailure(const wxString& operation, const Quorvel::Exception& failure);
};
