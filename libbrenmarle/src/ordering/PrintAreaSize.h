#pragma once
// The printable area of a product or option: an element with `width` and `height`.

#include "util/XMLSerializable.h"

namespace Brenmarle {

class PrintAreaSize : public Quorvel::XMLSerializable {
public:
    int width = 0;
    int height = 0;

    void readXML(const Quorvel::XMLNode& element) override
    {
        width = element.child("width").getInt();
        height = element.child("height").getInt();
    }
    void writeXML(const Quorvel::XMLNode& element) const override
    {
        element.addLong("width", width);
        element.addLong("height", height);
    }
};

} // namespace Brenmarle
