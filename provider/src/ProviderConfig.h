#pragma once
// The provider's configuration file: its operator name and domain, the locator's directory
// tree, its portals with their texts and price lists, and accounts made ready by the operator.
// An INI-style text: "[section]" lines, "key = value" lines (a key may repeat), "#" or ";"
// comments. Lists in one value are separated by "|".
//
//   [provider]                      name, domain, terms, news, newsupdated, templatelisturl, files,
//                                   smsprice, smscurrency, mmsprice, mmscurrency, sessionidle,
//                                   tokenlifetime, latestversion, downloadpage,
//                                   newsresource (repeated), paymenthost, merchantid,
//                                   paymenthold
//   [directory /path]               description, directory = path | name,
//                                   portal = path | name | location, redirect = path | host
//   [portal id]                     name, websiteurl, description, pricelist (file),
//                                   account = e-mail | password
//   [pricelist name]                uuid, file
//   [plugin packageid]              list (recinstall, recupdate or requpdate), version,
//                                   repository, title, body, portals = id | id
//   [faults]                        rule = MATCH | ACTION [| TIMES] (see FaultScript)
//
// Relative file names are read from the configuration file's folder.

#include <ctime>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "FaultScript.h"

namespace Provider {

class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ProviderConfig {
public:
    struct Entry {
        std::string path;
        std::string name;
        std::string location;
    };
    struct Directory {
        std::string description;
        std::vector<Entry> directories;
        std::vector<Entry> portals;
        // Sends the caller on: path and host; empty when the directory is served here.
        std::string redirectPath;
        std::string redirectHost;
    };
    struct Account {
        std::string email;
        std::string password;
    };
    struct Portal {
        std::string id;
        std::string name;
        std::string websiteUrl;
        std::string description;
        std::string priceListFile;
        std::vector<Account> accounts;
    };
    struct PriceList {
        std::string name;
        std::string uuid;
        std::string file;
    };
    // A plug-in the plug-in manager service names, in one of its three lists.
    struct Plugin {
        enum List { RecommendedInstall, RecommendedUpdate, RequiredUpdate };
        std::string packageId;
        List list = RecommendedInstall;
        std::string version;
        std::string repository;
        std::string title;
        std::string body;
        // Named only to programs with an account on one of these portals; empty: to every one.
        std::vector<std::string> portals;
    };

    // Defaults only: one portal "demo" listed at "/".
    ProviderConfig();
    // Throws ConfigError naming the file and line of what it cannot read.
    static ProviderConfig load(const std::string& path);
    static ProviderConfig parse(const std::string& text, const std::string& baseDir);

    std::string name = "Vistrelle reference provider";
    std::string domain = "vistrelle.net";
    std::string terms = "Pictures you send are used only to make what you order.";
    std::string news = "<html><body><p>Welcome.</p></body></html>";
    std::time_t newsUpdated = 0;
    std::string templateListUrl = "/files/templatelist.xml";
    // A folder of files served under /files/ where DATA/files/ has none of that name (the
    // example shop's template list and packages); empty for none. Absolute once parsed.
    std::string filesDir;
    double smsPrice = 0;
    std::string smsCurrency = "EUR";
    double mmsPrice = 0;
    std::string mmsCurrency = "EUR";
    // A session unused for this long is closed.
    long sessionIdleSeconds = 3600;
    // A registration token not used within this long is void.
    long tokenLifetimeSeconds = 1800;
    // The host name the payment service is reached by on the HTTPS port (its certificate's
    // name); empty: the host name the ordering request came to.
    std::string paymentHost;
    // Names the shop to the payment service's merchant operations.
    std::string merchantId = "vistrelle-shop";
    // A payment whose order is not confirmed within this long is voided (the money goes
    // back), as the program promises the payer when it gives up waiting.
    long paymentHoldSeconds = 900;
    // Safe storage: the slots every account has for free, and the bytes one slot holds (a
    // larger picture takes several).
    long givenStorageSlots = 100;
    long storageSlotBytes = 10 * 1024 * 1024;
    std::map<std::string, Directory> directories;
    std::map<std::string, Portal> portals;
    std::map<std::string, PriceList> priceLists;
    std::map<std::string, Plugin> plugins;
    // The newest program version ("2.5.0"), served as the latest-version file, and the web page
    // it is to be had from; an empty version serves no such file.
    std::string latestVersion;
    std::string downloadPage;
    // Paths the news refers to ("/files/banner.png"), handed out with the request's origin.
    std::vector<std::string> newsResources;
    std::vector<FaultScript::Rule> faultRules;
    // The folder relative file names are read from.
    std::string baseDir = ".";

    const Portal* findPortal(const std::string& id) const;
    // The text of a file named in the configuration; throws ConfigError when it cannot be read.
    std::string readFile(const std::string& name) const;
};

} // namespace Provider
