#pragma once
// The framework's exception family. Every failure carries a dotted code that program logic can
// test ("System.IOError", "Logic.NotFound", "Network.ConnectionRefused") and a message for the
// user. Two branches also derive from the matching standard class, so a catch of
// std::logic_error, std::runtime_error or std::exception catches them as well.
//
// Quorvel::Exception itself is deliberately not derived from std::exception: the branches
// already get it through std::logic_error / std::runtime_error, and a second std::exception base
// would make `catch (const std::exception&)` ambiguous, which silently fails to match.

#include <stdexcept>
#include <string>

#include <wx/string.h>

namespace Quorvel {

class Exception {
public:
    Exception(const wxString& code, const wxString& message);
    virtual ~Exception() = default;

    const wxString& getCode() const { return m_code; }
    const wxString& getMessage() const { return m_message; }
    // The message as UTF-8, the narrow form the standard `what` returns.
    virtual const char* what() const noexcept { return m_narrow.c_str(); }

private:
    wxString m_code;
    wxString m_message;
    std::string m_narrow;
};

// Programming errors and missing things.
class LogicException : public std::logic_error, public Exception {
public:
    explicit LogicException(const wxString& message);
    LogicException(const wxString& code, const wxString& message);
    const char* what() const noexcept override { return Exception::what(); }
};

// Failures of the environment.
class RuntimeException : public std::runtime_error, public Exception {
public:
    explicit RuntimeException(const wxString& message);
    RuntimeException(const wxString& code, const wxString& message);
    const char* what() const noexcept override { return Exception::what(); }
};

// Declares a class with its default code and the two constructors every exception has.
#define QUORVEL_DECLARE_EXCEPTION(Name, Base, DefaultCode)                                        \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        explicit Name(const wxString& message) : Base(wxS(DefaultCode), message) {}               \
        Name(const wxString& code, const wxString& message) : Base(code, message) {}              \
    };

// Code used by classes that have no default of their own when built from a message alone.
#define QUORVEL_DEFAULT_ERROR_CODE "Application.Error"

QUORVEL_DECLARE_EXCEPTION(NullPointerException, LogicException, "Logic.NullPointer")
QUORVEL_DECLARE_EXCEPTION(NotFoundException, LogicException, "Logic.NotFound")
QUORVEL_DECLARE_EXCEPTION(UnsupportedException, LogicException, QUORVEL_DEFAULT_ERROR_CODE)

QUORVEL_DECLARE_EXCEPTION(IOException, RuntimeException, "System.IOError")
QUORVEL_DECLARE_EXCEPTION(FileAccessException, IOException, QUORVEL_DEFAULT_ERROR_CODE)
QUORVEL_DECLARE_EXCEPTION(FileNotFoundException, IOException, QUORVEL_DEFAULT_ERROR_CODE)

// Network branch, raised by the HTTP client.
QUORVEL_DECLARE_EXCEPTION(NetworkException, IOException, "Network.Error")
QUORVEL_DECLARE_EXCEPTION(ConnectionException, NetworkException, "Network.ConnectionError")
QUORVEL_DECLARE_EXCEPTION(NetworkUnavailableException, ConnectionException, "Network.Unavailable")
QUORVEL_DECLARE_EXCEPTION(ConnectionRefusedException, ConnectionException, "Network.ConnectionRefused")

// Service branch, raised by the SOAP clients.
QUORVEL_DECLARE_EXCEPTION(ServiceException, RuntimeException, QUORVEL_DEFAULT_ERROR_CODE)
QUORVEL_DECLARE_EXCEPTION(ResponseException, ServiceException, QUORVEL_DEFAULT_ERROR_CODE)

// A SOAP call failed; besides code and message (the fault string) it keeps the fault detail.
class SoapException : public ServiceException {
public:
    explicit SoapException(const wxString& message);
    SoapException(const wxString& code, const wxString& message, const wxString& detail = wxString());
    const wxString& getFaultString() const { return getMessage(); }
    const wxString& getFaultDetail() const { return m_detail; }

private:
    wxString m_detail;
};

// A running task was asked to stop.
QUORVEL_DECLARE_EXCEPTION(AbortException, RuntimeException, QUORVEL_DEFAULT_ERROR_CODE)
// Image data used before it was loaded.
QUORVEL_DECLARE_EXCEPTION(NotLoadedException, RuntimeException, QUORVEL_DEFAULT_ERROR_CODE)

} // namespace Quorvel
