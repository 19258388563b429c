#include <gtest/gtest.h>

#include "system/Exceptions.h"

using namespace Quorvel;

TEST(Exceptions, StandardCatchesReachBothBranches)
{
    // A second std::exception base would make these catches ambiguous and let the throw escape.
    EXPECT_THROW(throw IOException(wxS("disk")), std::runtime_error);
    EXPECT_THROW(throw NotFoundException(wxS("gone")), std::logic_error);
    EXPECT_THROW(throw ConnectionRefusedException(wxS("no")), std::exception);
    EXPECT_THROW(throw NullPointerException(wxS("null")), std::exception);
    EXPECT_THROW(throw IOException(wxS("disk")), Quorvel::Exception);
    EXPECT_THROW(throw NotFoundException(wxS("gone")), Quorvel::Exception);
}

TEST(Exceptions, BranchesCatchTheirDescendants)
{
    EXPECT_THROW(throw ConnectionRefusedException(wxS("x")), ConnectionException);
    EXPECT_THROW(throw NetworkUnavailableException(wxS("x")), NetworkException);
    EXPECT_THROW(throw NetworkException(wxS("x")), IOException);
    EXPECT_THROW(throw FileAccessException(wxS("x")), IOException);
    EXPECT_THROW(throw SoapException(wxS("x")), ServiceException);
    EXPECT_THROW(throw ResponseException(wxS("x")), RuntimeException);
    EXPECT_THROW(throw AbortException(wxS("x")), RuntimeException);
    EXPECT_THROW(throw UnsupportedException(wxS("x")), LogicException);
}

TEST(Exceptions, WhatIsTheUtf8MessageThroughEveryBase)
{
    const wxString message = wxString::FromUTF8("Kunne ikke åpne «bilde».jpg");
    const IOException e(message);
    EXPECT_STREQ(e.what(), "Kunne ikke åpne «bilde».jpg");
    EXPECT_STREQ(static_cast<const std::exception&>(e).what(), "Kunne ikke åpne «bilde».jpg");
    EXPECT_STREQ(static_cast<const Quorvel::Exception&>(e).what(), "Kunne ikke åpne «bilde».jpg");
}
