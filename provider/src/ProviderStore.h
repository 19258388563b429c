#pragma once
// The provider's state in one SQLite file: accounts with their user information, registration
// tokens waiting to be used, open sessions, pending mobile activations, the ordering
// service's orders, the pictures it holds for each account and each account's usual pickup
// location, the sharing service's shares with their pictures and the recipients each was sent
// to, and the storage service's folders, files and subscriptions (StorageStore). Every change
// is committed at once, so a killed provider loses nothing it has answered for.
//
// Secrets are kept as little as they can be: a password only as a salted hash (PasswordHash),
// ids and codes drawn from the system's random source (SecureRandom). A file written by an
// older provider (plain passwords, sessions without a last use) is brought up to date when it
// is opened; its schema version is SQLite's user_version.
//
// Threads: one object per thread (each worker of the server has its own connection). Several
// objects may use the file at once: it is kept in write-ahead-log mode, a writer waits for
// another one, and every change that must not race (an account for an e-mail address, using up
// a token) is one statement, so concurrent requests see each other's changes whole.

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace Provider {

class GroupCommit;

class StorageStore;

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The portal has an account with this e-mail address already.
class AccountExistsError : public StoreError {
public:
    using StoreError::StoreError;
};

class ProviderStore {
public:
    struct UserInfo {
        std::string name;
        std::string address;
        std::string postalCode;
        std::string city;
        std::string countryCode;
        std::string emailAddress;
        std::string mobilePhone;
    };
    struct Account {
        std::string id;
        std::string portalId;
        std::string email;
        // PasswordHash text.
        std::string passwordHash;
        UserInfo info;
        bool receiveEmail = false;
        std::string activatedPhone;
    };

    // What a try of a mobile activation code came to.
    struct Activation {
        enum Outcome { Activated, WrongCode, UsedUp, NonePending };
        Outcome outcome;
        // The phone number, when activated.
        std::string phone;
    };

    // An order of the ordering service, made in a session.
    struct StoredOrder {
        // Each step undoes the later ones when repeated: new details need a new verification.
        enum State { Created = 0, Priced = 1, Verified = 2, Confirmed = 3 };
        std::string id;
        std::string accountId;
        std::string pricelistId;
        State state = Created;
        // Brenmarle::Money units (millionths) of the priced total.
        int64_t totalUnits = 0;
        std::string details;
        std::string transactionId;
        std::string confirmedId;
    };
    // A picture an order names, by the client's reference and the time it was changed; held
    // once its bytes were uploaded and registered.
    struct OrderFile {
        std::string clientRef;
        int64_t fileModifyTime = 0;
        int64_t metaModifyTime = 0;
        std::string serverUuid;
        bool held = false;
    };

    // A payment of the payment service, made for an order or by a merchant. Its card data is
    // never kept: only the option it was paid with.
    struct Payment {
        // How it is to end once its details have come, as the fault script chose.
        enum Outcome { Processed = 0, Failed = 1, Aborted = 2, AuthClient = 3, Pending = 4 };
        std::string id;
        std::string orderId;
        std::string merchantData;
        std::string description;
        // Brenmarle::Money units of the amount.
        int64_t amountUnits = 0;
        std::string currency;
        std::string status;
        int optionId = 0;
        std::string errorCode;
        std::string errorText;
        bool acknowledged = false;
        std::time_t created = 0;
        // When its status last changed.
        std::time_t changed = 0;
    };
    struct PaymentLogEntry {
        int id = 0;
        std::time_t time = 0;
        std::string description;
        std::string oldStatus;
        std::string newStatus;
        std::string errorCode;
    };

    // A share of the sharing service, made in a session and sent once it is closed.
    struct StoredShare {
        std::string id;
        std::string accountId;
        std::string subject;
        std::string message;
        int previewSize = 0;
        bool shareMeta = false;
        bool closed = false;
    };
    // A picture of a share, by the client's reference (unique in the share); `info` is the
    // file information registered with it (a JSON text), empty until it is registered.
    struct ShareFile {
        std::string clientRef;
        int64_t fileModifyTime = 0;
        int64_t metaModifyTime = 0;
        std::string serverUuid;
        bool registered = false;
        int64_t bytes = 0;
        std::string info;
    };
    // A recipient of a share ("web" or "mms") and the token that opens the share to it.
    struct ShareRecipient {
        std::string shareId;
        std::string method;
        std::string recipient;
        std::string accessToken;
        // False when the share had been sent to the recipient already.
        bool added = false;
    };

    using Clock = std::function<std::time_t()>;

    // A writer waits this long for another one before it fails.
    static constexpr int BUSY_TIMEOUT_MS = 10000;
    // The schema this provider writes.
    static constexpr int SCHEMA_VERSION = 2;
    // Wrong tries of one activation code; the last one uses the code up.
    static constexpr int ACTIVATION_TRIES = 3;

    // Opens or creates the database file, bringing an older one up to date. `clock` gives the
    // time sessions are judged by (the system's when empty). Throws StoreError.
    explicit ProviderStore(const std::string& path, Clock clock = Clock());
    ~ProviderStore();
    ProviderStore(const ProviderStore&) = delete;
    ProviderStore& operator=(const ProviderStore&) = delete;

    // A new token for `text`; returns its id. Tokens older than `lifetimeSeconds` are dropped
    // on the way, so tokens fetched and never used do not pile up.
    std::string createToken(const std::string& text, long lifetimeSeconds);
    // True when the token exists, is younger than `lifetimeSeconds` and its text matches
    // (letter case and blanks ignored); the token is used up either way, so a guess costs a
    // new token.
    bool takeToken(const std::string& id, const std::string& text, long lifetimeSeconds);

    // The text of a token still waiting to be used (for the operator and tests).
    std::optional<std::string> tokenText(const std::string& id);

    // A new account; throws AccountExistsError when the e-mail address is taken on the portal
    // (also when another request took it a moment ago, and whatever the letter case), StoreError
    // for any other failure. One address may have an account on each portal.
    Account createAccount(const std::string& portalId, const std::string& email,
                          const std::string& password);
    // The portal's account for an e-mail address, letter case ignored.
    std::optional<Account> findAccount(const std::string& portalId, const std::string& email);
    std::optional<Account> findById(const std::string& id);
    // The account `login` (an account id or an e-mail address) names on `portalId` when
    // `password` is its password. With no portal, an account id counts on any portal, and an
    // e-mail address only when just one portal has an account for it. Costs one password hash
    // either way, so a wrong login name takes as long as a wrong password.
    std::optional<Account> checkLogin(const std::string& login, const std::string& password,
                                      const std::string& portalId = std::string());
    // Saves the user information, the e-mail choice and the activated phone (not the password).
    void saveAccount(const Account& account);

    std::string createSession(const std::string& accountId);
    // The account of a session used within the last `idleSeconds`; the use counts as one, so
    // the session stays open. A session idle longer is closed.
    std::optional<std::string> sessionAccount(const std::string& sessionId, long idleSeconds);
    void closeSession(const std::string& sessionId);

    // Starts an activation of `phone` with `code`, replacing one still pending.
    void setActivationCode(const std::string& accountId, const std::string& phone,
                           const std::string& code);
    // Tries `code` (letter case and blanks ignored) against the pending activation: the right
    // one activates and is used up; ACTIVATION_TRIES wrong ones use the code up too.
    Activation takeActivationCode(const std::string& accountId, const std::string& code);

    // The code a pending activation waits for.
    std::optional<std::string> activationCode(const std::string& accountId);

    // A new order of the session; returns its id.
    std::string createOrder(const std::string& accountId, const std::string& sessionId,
                            const std::string& pricelistId);
    // The session's newest order.
    std::optional<StoredOrder> sessionOrder(const std::string& sessionId);
    // The order's document, priced total and files (serverUuid is chosen here: a file the
    // account holds keeps its id); the order is Priced again. Throws StoreError for no order.
    void setOrderDetails(const std::string& orderId, const std::string& details, int64_t totalUnits,
                         const std::vector<OrderFile>& files);
    // The files of the order in the order given, each marked whether the account holds it.
    std::vector<OrderFile> orderFiles(const std::string& orderId);
    // The account holds `file` (of `bytes` as received) from now on.
    void holdFile(const std::string& accountId, const OrderFile& file, int64_t bytes);
    void setOrderState(const std::string& orderId, StoredOrder::State state,
                       const std::string& transactionId = std::string());
    // Confirms the order once; every later call returns the same confirmed id.
    std::string confirmOrder(const std::string& orderId);
    // A new payment of TR_OPEN waiting for its details; returns its id.
    std::string createPayment(const Payment& payment);
    std::optional<Payment> findPayment(const std::string& id);
    // Every payment, oldest first; with `merchantData` only those that carry it.
    std::vector<Payment> findPayments(const std::optional<std::string>& merchantData);
    std::vector<PaymentLogEntry> paymentLog(const std::string& id);
    // The details of an open payment came: it goes on to how `outcome` ends it, the first
    // `polls` feedback calls finding it pending (asking for the issuer's check with
    // AuthClient). A payment that had its details already is left as it is, so sending them
    // twice charges once. Returns the payment after.
    Payment takePaymentDetails(const std::string& id, int optionId, Payment::Outcome outcome,
                               int polls);
    // One feedback call: counts a poll of a pending payment, ending it as its outcome says
    // when none are left. Returns the payment after.
    Payment pollPayment(const std::string& id);
    // The payer completed the issuer's check of a payment that asked for it: the next feedback
    // call ends it as its outcome says. False when it was not waiting for the check.
    bool completeIssuerCheck(const std::string& id);
    // Changes the status of a payment whose status is one of `from` and that is not
    // acknowledged (or is, with `acknowledged`); false when it is not.
    bool changePaymentStatus(const std::string& id, const std::vector<std::string>& from,
                             const std::string& to, const std::string& why,
                             bool acknowledged = false);
    // A processed payment is acknowledged, its order confirmed: it can no longer be voided.
    // True when it is (also when it was already).
    bool acknowledgePayment(const std::string& id);
    // Voids the payments not acknowledged whose status has not changed since `before`;
    // returns their ids.
    std::vector<std::string> voidStalePayments(std::time_t before);

    // Empty when none was set.
    std::string defaultPickupLocation(const std::string& accountId);
    void setDefaultPickupLocation(const std::string& accountId, const std::string& location);

    // A new share of the session; returns its id.
    std::string createShare(const std::string& accountId, const std::string& sessionId,
                            const std::string& subject, const std::string& message, int previewSize,
                            bool shareMeta);
    // The session's newest share.
    std::optional<StoredShare> sessionShare(const std::string& sessionId);
    std::optional<StoredShare> findShare(const std::string& shareId);
    // Adds the files of `files` the share does not have yet (by reference; each gets a new
    // server id), and returns all the share's files in the order they were added.
    std::vector<ShareFile> addShareFiles(const std::string& shareId,
                                         const std::vector<ShareFile>& files);
    std::vector<ShareFile> shareFiles(const std::string& shareId);
    // The file of the share with `bytes` received and its information.
    void registerShareFile(const std::string& shareId, const std::string& serverUuid, int64_t bytes,
                           const std::string& info);
    void closeShare(const std::string& shareId);
    // The share goes to `recipient` by `method`: a recipient it went to before keeps its
    // token and comes back with `added` false, also when another request added it a moment
    // ago, so a repeated send never sends twice.
    ShareRecipient addShareRecipient(const std::string& shareId, const std::string& method,
                                     const std::string& recipient);
    std::vector<ShareRecipient> shareRecipients(const std::string& shareId);
    // The recipient an access token belongs to.
    std::optional<ShareRecipient> recipientOfToken(const std::string& accessToken);
    // The storage service's tables, on this object's connection.
    StorageStore& storage() { return *m_storage; }

private:
    void execute(const char* sql);
    int schemaVersion();
    void migrate();
    void migrateToVersion1();
    std::time_t now() const;
    // The busy handler: retries while another connection holds the write lock, for up to
    // BUSY_TIMEOUT_MS.
    static int waitForWriter(void* context, int tries);
    // The first account the condition `where` finds with the values bound; `matches` is set to
    // how many it finds, counting up to two.
    std::optional<Account> findWhere(const char* where, const std::string& a,
                                     const std::string& b = std::string(), int* matches = nullptr);
    std::optional<Account> findByLogin(const std::string& login, const std::string& portalId);
    // The first share the condition `where` finds with the value bound.
    std::optional<StoredShare> findShareWhere(const char* where, const std::string& value);

    // changePaymentStatus, also only when the status last changed before `changedBefore`.
    bool changePaymentStatusIf(const std::string& id, const std::vector<std::string>& from,
                               const std::string& to, const std::string& why, bool acknowledged,
                               std::optional<std::time_t> changedBefore);
    void logPayment(const std::string& id, const std::string& oldStatus, const Payment& now,
                    const std::string& why);

    // Shared by the connections to the file; commits are made durable through it.
    std::shared_ptr<GroupCommit> m_groupCommit;
    sqlite3* m_db = nullptr;
    Clock m_clock;
    // When the wait for the write lock under way began.
    std::chrono::steady_clock::time_point m_waitStart;
    std::unique_ptr<StorageStore> m_storage;
};

} // namespace Provider
