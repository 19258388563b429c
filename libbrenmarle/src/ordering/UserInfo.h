#pragma once
// The customer of an order: names, customer number, address and contact data (element
// `userinfo` unless the record holding it names another).

#include <wx/string.h>

#include "ordering/Address.h"
#include "ordering/ContactInfo.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class UserInfo : public Quorvel::XMLSerializable {
public:
    wxString firstName;
    wxString lastName;
    wxString customerNo;
    Address address;
    ContactInfo contactInfo;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;

    bool operator==(const UserInfo& other) const;
    bool operator!=(const UserInfo& other) const { return !(*this == other); }
};

} // namespace Brenmarle
