#pragma once
// One picture of an order part (element `file`): its local URI, the id under which the order
// names it (the text after the last "/" of the URI when set through setSingleFile), the
// reference the ordering service knows it by, and the time stamps of the picture and of its
// metadata when it was added.

#include <cstdint>

#include <wx/string.h>

#include "util/XMLSerializable.h"

namespace Brenmarle {

class OrderPartFile : public Quorvel::XMLSerializable {
public:
    wxString id;
    wxString uri;
    wxString data;
    wxString clientRef;
    int64_t fileModifyTime = 0;
    int64_t metaModifyTime = 0;

    void readXML(const Quorvel::XMLNode& element) override
    {
        for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
            if (node.is("uuid"))
                id = node.getText();
            else if (node.is("uri"))
                uri = node.getText();
            else if (node.is("data"))
                data = node.getText();
            else if (node.is("clientref"))
                clientRef = node.getText();
            else if (node.is("filemodifytime"))
                fileModifyTime = node.getLong();
            else if (node.is("metamodifytime"))
                metaModifyTime = node.getLong();
        }
    }
    void writeXML(const Quorvel::XMLNode& element) const override
    {
        if (!id.empty())
            element.addText("uuid", id);
        element.addText("uri", uri);
        element.addText("data", data);
        element.addText("clientref", clientRef);
        element.addLong("filemodifytime", fileModifyTime);
        element.addLong("metamodifytime", metaModifyTime);
    }
};

} // namespace Brenmarle
