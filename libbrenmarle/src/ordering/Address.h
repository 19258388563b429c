#pragma once
// A postal address (element `address` unless the record holding it names another).

#include <wx/string.h>

#include "util/XMLSerializable.h"

namespace Brenmarle {

class Address : public Quorvel::XMLSerializable {
public:
    wxString name;
    wxString addressLine1;
    wxString addressLine2;
    wxString postalCode;
    wxString city;
    wxString state;
    int countryCode = 0;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;

    bool operator==(const Address& other) const;
    bool operator!=(const Address& other) const { return !(*this == other); }
};

} // namespace Brenmarle
