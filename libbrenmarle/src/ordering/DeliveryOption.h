#pragma once
// A way the order reaches the customer (element `deliveryoption`): pickup in a store (type 0)
// or by mail (type 1), with a fixed price, postage by mass and per-producer settings.

#include <vector>

#include <wx/string.h>

#include "ordering/DeliveryProducer.h"
#include "ordering/EnvelopeTable.h"
#include "ordering/Money.h"
#include "util/MLString.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class DeliveryOption : public Quorvel::XMLSerializable {
public:
    static constexpr int PICKUP = 0;
    static constexpr int BY_MAIL = 1;

    wxString uuid;
    Quorvel::MLString description;
    Money price;
    int type = PICKUP;
    int deliveryTime = 0;
    wxUniChar deliveryTimeUnit = 'd';
    wxString pickupLocation;
    wxString pickupName;
    wxString pickupAddress1;
    wxString pickupAddress2;
    wxString pickupPostalCode;
    wxString pickupCity;
    wxString pickupRegion;
    // The table for producer 0 and for producers without an entry of their own.
    EnvelopeTable envelopes;
    std::vector<DeliveryProducer> producers;

    // The entry for producer `nr`, null when there is none.
    const DeliveryProducer* findProducer(int nr) const;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;
};

} // namespace Brenmarle
