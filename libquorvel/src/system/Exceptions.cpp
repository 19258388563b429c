#include "system/Exceptions.h"

namespace Quorvel {

namespace {
std::string narrow(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}
} // namespace

Exception::Exception(const wxString& code, const wxString& message)
    : m_code(code), m_message(message), m_narrow(narrow(message))
{
}

LogicException::LogicException(const wxString& message)
    : LogicException(wxS(QUORVEL_DEFAULT_ERROR_CODE), message)
{
}

LogicException::LogicException(const wxString& code, const wxString& message)
    : std::logic_error(narrow(message)), Exception(code, message)
{
}

RuntimeException::RuntimeException(const wxString& message)
    : RuntimeException(wxS(QUORVEL_DEFAULT_ERROR_CODE), message)
{
}

RuntimeException::RuntimeException(const wxString& code, const wxString& message)
    : std::runtime_error(narrow(message)), Exception(code, message)
{
}

SoapException::SoapException(const wxString& message) : ServiceException(message) {}

SoapException::SoapException(const wxString& code, const wxString& message, const wxString& detail)
    : ServiceException(code, message), m_detail(detail)
{
}

} // namespace Quorvel
