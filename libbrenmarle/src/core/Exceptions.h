#pragma once
// The domain library's branches of the exception family, and the application-level account,
// price-list and provider exceptions the ordering code raises.

#include "system/Exceptions.h"

namespace Brenmarle {

// A catalogue database statement failed.
QUORVEL_DECLARE_EXCEPTION(DatabaseException, Quorvel::RuntimeException, QUORVEL_DEFAULT_ERROR_CODE)
// An expected catalogue row is missing.
QUORVEL_DECLARE_EXCEPTION(RowException, DatabaseException, QUORVEL_DEFAULT_ERROR_CODE)
// A picture cannot be decoded or processed.
QUORVEL_DECLARE_EXCEPTION(ImageException, Quorvel::RuntimeException, QUORVEL_DEFAULT_ERROR_CODE)
// A file holds no picture.
QUORVEL_DECLARE_EXCEPTION(NoImageException, ImageException, QUORVEL_DEFAULT_ERROR_CODE)
// A product or order line is inconsistent.
QUORVEL_DECLARE_EXCEPTION(ProductException, Quorvel::RuntimeException, QUORVEL_DEFAULT_ERROR_CODE)

} // namespace Brenmarle

// No usable service account.
QUORVEL_DECLARE_EXCEPTION(AccountException, Quorvel::NotFoundException, "Application.AccountException")
// The price list is missing or unusable.
QUORVEL_DECLARE_EXCEPTION(PriceListException, Quorvel::NotFoundException, QUORVEL_DEFAULT_ERROR_CODE)
// No service provider is chosen.
QUORVEL_DECLARE_EXCEPTION(NoServiceProviderException, Quorvel::RuntimeException, QUORVEL_DEFAULT_ERROR_CODE)
