#include <gtest/gtest.h>

#include "core/Exceptions.h"

TEST(DomainExceptions, BranchesAndDefaultCodes)
{
    EXPECT_THROW(throw Brenmarle::RowException(wxS("no row")), Brenmarle::DatabaseException);
    EXPECT_THROW(throw Brenmarle::NoImageException(wxS("text")), Brenmarle::ImageException);
    EXPECT_THROW(throw Brenmarle::DatabaseException(wxS("x")), std::runtime_error);
    EXPECT_THROW(throw PriceListException(wxS("x")), Quorvel::NotFoundException);
    EXPECT_THROW(throw AccountException(wxS("x")), std::logic_error);
    EXPECT_EQ(AccountException(wxS("x")).getCode(), "Application.AccountException");
    EXPECT_EQ(Brenmarle::ImageException(wxS("x")).getCode(), "Application.Error");
}
