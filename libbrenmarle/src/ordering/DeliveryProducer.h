#pragma once
// What a delivery option says about one producer (element `producer`, its number in the
// attribute `nr`): whether the option serves that producer's products, its delivery time and
// its own envelope table.

#include <wx/string.h>

#include "ordering/EnvelopeTable.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class DeliveryProducer : public Quorvel::XMLSerializable {
public:
    int nr = 0;
    bool disabled = false;
    int deliveryTime = 0;
    wxUniChar deliveryTimeUnit = 'd';
    EnvelopeTable envelopes;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;
};

} // namespace Brenmarle
