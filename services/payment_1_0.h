// Payment service 1.0, reached over HTTPS: payment options of a transaction another service
// opened, the payer's details, and the outcome. Amounts are single precision here.

//gsoap payment service name: Payment
//gsoap payment service style: rpc
//gsoap payment service encoding: encoded
//gsoap payment service namespace: http://vistrelle.net/service/payment/1.0
//gsoap payment schema namespace: http://vistrelle.net/service/payment/1.0

typedef std::string xsd__string;
typedef time_t xsd__dateTime;
typedef bool xsd__boolean;
typedef int xsd__int;
typedef float xsd__float;

struct payment__Transaction {
    xsd__string transactionid;
    xsd__int paymentoptionid;
    xsd__string status;
    xsd__float amount;
    xsd__string currency;
    xsd__boolean allowcredit;
    xsd__string language;
    xsd__string merchantdata;
    xsd__string description;
    xsd__string type;
    xsd__string paymentdata;
    xsd__string clientdata;
    xsd__boolean acknowledged;
};

struct payment__PaymentOption {
    xsd__int paymentoptionid;
    xsd__string type;
    xsd__string requireddata;
};

struct payment__LogEntry {
    xsd__int id;
    xsd__dateTime timestamp;
    xsd__string description;
    xsd__string oldstatus;
    xsd__string newstatus;
    xsd__string errorcode;
};

// Array types carry no prefix: soapcpp2 makes SOAP-encoded arrays (SOAP-ENC:arrayType, "item"
// elements) only of unprefixed __ptr/__size structs.
struct TransactionArray {
    struct payment__Transaction *__ptr;
    int __size;
};
struct PaymentOptionArray {
    struct payment__PaymentOption *__ptr;
    int __size;
};
struct LogEntryArray {
    struct payment__LogEntry *__ptr;
    int __size;
};

struct payment__createTransactionResponse {
    xsd__string transactionid;
};
int payment__createTransaction(xsd__string merchantid, struct payment__Transaction *transaction,
                               struct payment__createTransactionResponse &result);

struct payment__getPaymentOptionsResponse {
    struct PaymentOptionArray *paymentoptions;
    xsd__string description;
    xsd__float amount;
    xsd__string currency;
};
int payment__getPaymentOptions(xsd__string transactionid, xsd__string language,
                               struct payment__getPaymentOptionsResponse &result);

struct payment__sendPaymentDetailsResponse {
};
int payment__sendPaymentDetails(xsd__string transactionid, xsd__int paymentoptionid, xsd__string clientdata,
                                struct payment__sendPaymentDetailsResponse &result);

struct payment__getPaymentFeedbackResponse {
    xsd__string transactionstatus;
    xsd__string extradata;
};
int payment__getPaymentFeedback(xsd__string transactionid, struct payment__getPaymentFeedbackResponse &result);

struct payment__findTransactionsResponse {
    struct TransactionArray *transactions;
};
int payment__findTransactions(xsd__string merchantid, xsd__string searchtext, xsd__dateTime aftertime,
                              xsd__dateTime beforetime, xsd__string status, xsd__string currency,
                              xsd__float minamount, xsd__float maxamount,
                              struct payment__findTransactionsResponse &result);

struct payment__getTransactionDetailsResponse {
    struct payment__Transaction *transaction;
    struct LogEntryArray *logentries;
};
int payment__getTransactionDetails(xsd__string merchantid, xsd__string transactionid,
                                   struct payment__getTransactionDetailsResponse &result);

struct payment__getTransactionStatusResponse {
    xsd__string statuscode;
    xsd__string errorcode;
    xsd__string description;
};
int payment__getTransactionStatus(xsd__string transactionid, struct payment__getTransactionStatusResponse &result);

struct payment__acknowledgeTransactionResponse {
};
int payment__acknowledgeTransaction(xsd__string merchantid, xsd__string transactionid,
                                    struct payment__acknowledgeTransactionResponse &result);

struct payment__refundTransactionResponse {
};
int payment__refundTransaction(xsd__string merchantid, xsd__string transactionid,
                               struct payment__refundTransactionResponse &result);

struct payment__getRefundResultResponse {
    xsd__string transactionstatus;
    xsd__float amount;
    xsd__string currency;
};
int payment__getRefundResult(xsd__string merchantid, xsd__string transactionid,
                             struct payment__getRefundResultResponse &result);

struct payment__voidTransactionResponse {
};
int payment__voidTransaction(xsd__string transactionid, xsd__string merchantid,
                             struct payment__voidTransactionResponse &result);

struct payment__getVoidResultResponse {
    xsd__string transactionstatus;
    xsd__float amount;
    xsd__string currency;
};
int payment__getVoidResult(xsd__string merchantid, xsd__string transactionid,
                           struct payment__getVoidResultResponse &result);

struct payment__findTransactionsByMerchantDataResponse {
    struct TransactionArray *transactions;
};
int payment__findTransactionsByMerchantData(xsd__string merchantid, xsd__string merchantdata,
                                            struct payment__findTransactionsByMerchantDataResponse &result);
