#pragma once
// Scripted service replies for what no well-behaved provider sends, and the failure a call
// ends in, as one text to compare.

#include <string>

#include "LoopbackHttpServer.h"
#include "system/Exceptions.h"

namespace SoapReplies {

// A SOAP envelope whose body is `<prefix:operationResponse>` around `body`, the namespace of
// the service `prefix` at `version` ("1.0", "3.0").
inline LoopbackHttpServer::Response reply(const std::string& prefix, const std::string& version,
                                          const std::string& operation, const std::string& body)
{
    const std::string element = prefix + ":" + operation + "Response";
    return LoopbackHttpServer::Response::ok(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:" +
            prefix + "=\"http://vistrelle.net/service/" + prefix + "/" + version +
            "\"><SOAP-ENV:Body><" + element + ">" + body + "</" + element +
            "></SOAP-ENV:Body></SOAP-ENV:Envelope>",
        "Content-Type: text/xml; charset=utf-8\r\n");
}

// "code: message" of the Quorvel exception `action` throws, or "nothing thrown".
template <class F> wxString failureOf(F action)
{
    try {
        action();
    } catch (const Quorvel::Exception& e) {
        return e.getCode() + ": " + e.getMessage();
    }
    return "nothing thrown";
}

} // namespace SoapReplies
