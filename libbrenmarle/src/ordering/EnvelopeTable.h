#pragma once
// Postage by mass: each envelope holds up to its mass capacity and costs its price. Written
// as a list of `envelope` elements (`mass`, `price`), ordered by mass.

#include <map>
#include <optional>

#include "ordering/Money.h"
#include "util/XMLNode.h"

namespace Brenmarle {

class EnvelopeTable {
public:
    // A second envelope of the same capacity replaces the first.
    void add(double capacity, Money price) { m_envelopes[capacity] = price; }
    bool empty() const { return m_envelopes.empty(); }
    const std::map<double, Money>& getEnvelopes() const { return m_envelopes; }

    // The envelope with the smallest capacity not below `mass` (capacity, price); none when
    // every envelope is lighter.
    std::optional<std::pair<double, Money>> find(double mass) const;

    // Reads the `envelope` children of `container`.
    void readXML(const Quorvel::XMLNode& container);
    // Writes a container `name` holding one `envelope` per entry.
    void appendTo(const Quorvel::XMLNode& parent, const char* name) const;

private:
    std::map<double, Money> m_envelopes;
};

} // namespace Brenmarle
