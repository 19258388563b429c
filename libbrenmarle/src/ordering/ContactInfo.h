#pragma once
// How to reach a person, a shop or a pickup location (element `contactinfo`).

#include <wx/string.h>

#include "util/XMLSerializable.h"

namespace Brenmarle {

class ContactInfo : public Quorvel::XMLSerializable {
public:
    wxString homePhone;
    wxString businessPhone;
    wxString mobilePhone;
    wxString emailAddress;
    wxString businessFax;
    wxString webPage;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;

    bool operator==(const ContactInfo& other) const;
    bool operator!=(const ContactInfo& other) const { return !(*this == other); }
};

} // namespace Brenmarle
