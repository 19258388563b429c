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

TEST(Exceptions, DefaultCodes)
{
    EXPECT_EQ(NullPointerException(wxS("m")).getCode(), "Logic.NullPointer");
    EXPECT_EQ(NotFoundException(wxS("m")).getCode(), "Logic.NotFound");
    EXPECT_EQ(IOException(wxS("m")).getCode(), "System.IOError");
    EXPECT_EQ(RuntimeException(wxS("m")).getCode(), "Application.Error");
    EXPECT_EQ(AbortException(wxS("m")).getCode(), "Application.Error");
    EXPECT_EQ(FileNotFoundException(wxS("m")).getCode(), "Application.Error");
    EXPECT_EQ(NetworkException(wxS("m")).getCode(), "Network.Error");
    EXPECT_EQ(ConnectionException(wxS("m")).getCode(), "Network.ConnectionError");
    EXPECT_EQ(NetworkUnavailableException(wxS("m")).getCode(), "Network.Unavailable");
    EXPECT_EQ(ConnectionRefusedException(wxS("m")).getCode(), "Network.ConnectionRefused");
}

TEST(Exceptions, CodeAndMessageSurviveTheCatch)
{
    try {
        throw IOException(wxS("System.NotEnoughSpace"), wxS("Could not write to file x"));
    } catch (const Quorvel::Exception& e) {
        EXPECT_EQ(e.getCode(), "System.NotEnoughSpace");
        EXPECT_EQ(e.getMessage(), "Could not write to file x");
    }
}

TEST(Exceptions, WhatIsTheUtf8MessageThroughEveryBase)
{
    const wxString message = wxString::FromUTF8("Kunne ikke åpne «bilde».jpg");
    const IOException e(message);
    EXPECT_STREQ(e.what(), "Kunne ikke åpne «bilde».jpg");
    EXPECT_STREQ(static_cast<const std::exception&>(e).what(), "Kunne ikke åpne «bilde».jpg");
    EXPECT_STREQ(static_cast<const Quorvel::Exception&>(e).what(), "Kunne ikke åpne «bilde».jpg");
}

TEST(Exceptions, SoapExceptionKeepsTheFaultDetail)
{
    const SoapException e(wxS("SoapClient.InsufficientSlots"), wxS("No slots"), wxS("detail"));
    EXPECT_EQ(e.getCode(), "SoapClient.InsufficientSlots");
    EXPECT_EQ(e.getFaultString(), "No slots");
    EXPECT_EQ(e.getFaultDetail(), "detail");
}
