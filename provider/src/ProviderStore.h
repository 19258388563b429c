#pragma once
// The provider's state in one SQLite file: accounts with their user information, registration
// tokens waiting to be used, open sessions and pending mobile activations. Every change is
// committed at once, so a killed provider loses nothing it has answered for.
//
// Threads: one object per thread (each worker of the server has its own connection). Several
// objects may use the file at once: it is kept in write-ahead-log mode, a writer waits for
// another one, and every change that must not race (an account for an e-mail address, using up
// a token) is one statement, so concurrent requests see each other's changes whole.

#include <optional>
#include <stdexcept>
#include <string>

struct sqlite3;

namespace Provider {

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
        std::string password;
        UserInfo info;
        bool receiveEmail = false;
        std::string activatedPhone;
    };

    // A writer waits this long for another one before it fails.
    static constexpr int BUSY_TIMEOUT_MS = 10000;

    // Opens or creates the database file. Throws StoreError.
    explicit ProviderStore(const std::string& path);
    ~ProviderStore();
    ProviderStore(const ProviderStore&) = delete;
    ProviderStore& operator=(const ProviderStore&) = delete;

    // A new token for `text`; returns its id.
    std::string createToken(const std::string& text);
    // True when the token exists and its text matches (letter case and blanks ignored); the
    // token is used up either way, so a guess costs a new token.
    bool takeToken(const std::string& id, const std::string& text);

    // The text of a token still waiting to be used (for the operator and tests).
    std::optional<std::string> tokenText(const std::string& id);

    // A new account; throws AccountExistsError when the e-mail address is taken on the portal
    // (also when another request took it a moment ago), StoreError for any other failure.
    Account createAccount(const std::string& portalId, const std::string& email,
                          const std::string& password);
    std::optional<Account> findAccount(const std::string& portalId, const std::string& email);
    // By account id, or by e-mail address on any portal when the id is not one.
    std::optional<Account> findByLogin(const std::string& login);
    std::optional<Account> findById(const std::string& id);
    void saveAccount(const Account& account);

    std::string createSession(const std::string& accountId);
    std::optional<std::string> sessionAccount(const std::string& sessionId);
    void closeSession(const std::string& sessionId);

    void setActivationCode(const std::string& accountId, const std::string& phone,
                           const std::string& code);
    // The phone number waiting for `code`, which is used up when it matches.
    std::optional<std::string> takeActivationCode(const std::string& accountId,
                                                  const std::string& code);

    // The code a pending activation waits for.
    std::optional<std::string> activationCode(const std::string& accountId);

    // `length` random characters from `alphabet`.
    static std::string randomText(size_t length, const std::string& alphabet);

private:
    class Statement;
    void execute(const char* sql);
    std::optional<Account> findWhere(const char* sql, const std::string& a,
                                     const std::string& b = std::string());

    sqlite3* m_db = nullptr;
};

} // namespace Provider
