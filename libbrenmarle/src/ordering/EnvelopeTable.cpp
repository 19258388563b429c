#include "ordering/EnvelopeTable.h"

namespace Brenmarle {

std::optional<std::pair<double, Money>> EnvelopeTable::find(double mass) const
{
    const auto found = m_envelopes.lower_bound(mass);
    if (found == m_envelopes.end())
        return std::nullopt;
    return *found;
}

void EnvelopeTable::readXML(const Quorvel::XMLNode& container)
{
    for (Quorvel::XMLNode node = container.firstChild(); node; node = node.next()) {
        if (node.is("envelope"))
            add(node.child("mass").getDouble(), Money::read(node.child("price")));
    }
}

void EnvelopeTable::appendTo(const Quorvel::XMLNode& parent, const char* name) const
{
    const Quorvel::XMLNode container = parent.addChild(name);
    for (const auto& [mass, price] : m_envelopes) {
        const Quorvel::XMLNode envelope = container.addChild("envelope");
        envelope.addDouble("mass", mass);
        price.write(envelope, "price");
    }
}

} // namespace Brenmarle
