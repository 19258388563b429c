#pragma once
// An option of a product such as paper surface or border (element `subproduct`). Its extra
// price and mass add to each unit; sub-products of one class share a class price charged once
// per order; those of one group are alternatives.

#include <wx/string.h>

#include "ordering/Money.h"
#include "ordering/PrintAreaSize.h"
#include "util/MLString.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class SubProduct : public Quorvel::XMLSerializable {
public:
    wxString uuid;
    Quorvel::MLString name;
    Quorvel::MLString description;
    wxString data;
    wxString classId;
    PrintAreaSize printAreaSize;
    Money extraPrice;
    double extraMass = 0;
    int groupId = 0;
    bool isDefault = false;
    bool isRequired = false;
    int freeUnits = 0;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;
};

} // namespace Brenmarle
