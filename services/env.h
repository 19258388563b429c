// The SOAP envelope's own types, shared by every service. soapcpp2 makes from this the one
// copy of the runtime's global hooks (fault and header serialisers, soap_getelement and its
// kin); each service's generated code lives in a C++ namespace of its own and is compiled with
// WITH_NOGLOBAL so that it leaves those hooks to this one.

struct SOAP_ENV__Header {
};
