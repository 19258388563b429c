#include "ProviderConfig.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "ConfigText.h"
#include "HostLabel.h"

namespace Provider {

namespace {

double number(const std::string& value, const std::string& where)
{
    try {
        size_t used = 0;
        const double result = std::stod(value, &used);
        if (used == value.size())
            return result;
    } catch (const std::exception&) {
    }
    throw ConfigError(where + ": not a number: " + value);
}

long positiveWhole(const std::string& value, const std::string& where)
{
    const double result = number(value, where);
    if (result < 1 || result > 1e9 || result != static_cast<double>(static_cast<long>(result)))
        throw ConfigError(where + ": not a whole number from 1 to 1000000000: " + value);
    return static_cast<long>(result);
}

// Dotted numbers: "2", "2.4.16".
bool isVersion(const std::string& text)
{
    if (text.empty() || text.size() > 32 || text.front() == '.' || text.back() == '.' ||
        text.find("..") != std::string::npos)
        return false;
    return text.find_first_not_of("0123456789.") == std::string::npos;
}

// A web address a program may hand to a browser: http or https, no blanks or control
// characters.
bool isWebAddress(const std::string& text)
{
    if (text.rfind("http://", 0) != 0 && text.rfind("https://", 0) != 0)
        return false;
    for (unsigned char c : text)
        if (c <= ' ' || c == 0x7f)
            return false;
    return true;
}

std::vector<std::string> nonEmpty(std::vector<std::string> texts)
{
    texts.erase(std::remove(texts.begin(), texts.end(), std::string()), texts.end());
    return texts;
}

} // namespace

ProviderConfig::ProviderConfig()
{
    Directory root;
    root.description = "Photo service providers";
    root.portals.push_back({"demo", "Demo Photo", "demo"});
    directories["/"] = root;
    Portal demo;
    demo.id = "demo";
    demo.name = "Demo Photo";
    demo.websiteUrl = "http://demo.example/";
    demo.description = "A provider to try the program with.";
    portals["demo"] = demo;
}

ProviderConfig ProviderConfig::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ConfigError("Could not read configuration file " + path);
    std::ostringstream text;
    text << in.rdbuf();
    const auto slash = path.rfind('/');
    return parse(text.str(), slash == std::string::npos ? "." : path.substr(0, slash));
}

ProviderConfig ProviderConfig::parse(const std::string& text, const std::string& baseDir)
{
    ProviderConfig config;
    config.directories.clear();
    config.portals.clear();
    config.baseDir = baseDir;

    std::istringstream in(text);
    std::string line;
    std::string kind;
    std::string key;
    int number_ = 0;
    while (std::getline(in, line)) {
        ++number_;
        const std::string where = "line " + std::to_string(number_);
        line = ConfigText::trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                throw ConfigError(where + ": section without closing bracket");
            const std::string header = ConfigText::trim(line.substr(1, line.size() - 2));
            const auto space = header.find(' ');
            kind = header.substr(0, space);
            key = space == std::string::npos ? std::string()
                                             : ConfigText::trim(header.substr(space + 1));
            if (kind == "directory")
                config.directories[key];
            else if (kind == "portal" && (key.empty() || HostLabel::isValid(key)))
                config.portals[key].id = key;
            else if (kind == "portal")
                // It begins the portal's host name and names its folder in the program.
                throw ConfigError(where +
                                  ": a portal id is one host name label (letters, "
                                  "digits and inner hyphens, at most 63): " +
                                  key);
            else if (kind == "pricelist")
                config.priceLists[key].name = key;
            else if (kind == "plugin")
                config.plugins[key].packageId = key;
            else if (kind != "provider" && kind != "faults")
                throw ConfigError(where + ": unknown section [" + header + "]");
            if (kind != "provider" && kind != "faults" && key.empty())
                throw ConfigError(where + ": section [" + kind + "] needs a name");
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos || kind.empty())
            throw ConfigError(where + ": expected \"key = value\" inside a section");
        const std::string name = ConfigText::trim(line.substr(0, equals));
        const std::string value = ConfigText::trim(line.substr(equals + 1));

        if (kind == "provider") {
            if (name == "name")
                config.name = value;
            else if (name == "domain")
                config.domain = value;
            else if (name == "terms")
                config.terms = value;
            else if (name == "news")
                config.news = value;
            else if (name == "newsupdated")
                config.newsUpdated = static_cast<std::time_t>(number(value, where));
            else if (name == "templatelisturl")
                config.templateListUrl = value;
            else if (name == "files")
                config.filesDir = value.empty() || value[0] == '/' ? value : baseDir + "/" + value;
            else if (name == "smsprice")
                config.smsPrice = number(value, where);
            else if (name == "smscurrency")
                config.smsCurrency = value;
            else if (name == "mmsprice")
                config.mmsPrice = number(value, where);
            else if (name == "mmscurrency")
                config.mmsCurrency = value;
            else if (name == "sessionidle")
                config.sessionIdleSeconds = positiveWhole(value, where);
            else if (name == "tokenlifetime")
                config.tokenLifetimeSeconds = positiveWhole(value, where);
            else if (name == "storageslots")
                config.givenStorageSlots = positiveWhole(value, where);
            else if (name == "slotsize")
                config.storageSlotBytes = positiveWhole(value, where);
            else if (name == "newsresource")
                config.newsResources.push_back(value);
            else if (name == "paymenthost" && (value.empty() || HostLabel::isHostName(value)))
                config.paymentHost = value;
            else if (name == "paymenthost")
                throw ConfigError(where + ": not a host name: " + value);
            else if (name == "merchantid" && !value.empty())
                config.merchantId = value;
            else if (name == "paymenthold")
                config.paymentHoldSeconds = positiveWhole(value, where);
            else if (name == "latestversion" && (value.empty() || isVersion(value)))
                config.latestVersion = value;
            else if (name == "latestversion")
                throw ConfigError(where + ": not a version of dotted numbers: " + value);
            else if (name == "downloadpage" && (value.empty() || isWebAddress(value)))
                config.downloadPage = value;
            else if (name == "downloadpage")
                throw ConfigError(where + ": not an http or https address: " + value);
            else
                throw ConfigError(where + ": unknown key " + name);
        } else if (kind == "directory") {
            Directory& directory = config.directories[key];
            const auto parts = ConfigText::fields(value);
            if (name == "description") {
                directory.description = value;
            } else if (name == "directory" && parts.size() == 2) {
                directory.directories.push_back({parts[0], parts[1], std::string()});
            } else if (name == "portal" && parts.size() == 3) {
                directory.portals.push_back({parts[0], parts[1], parts[2]});
            } else if (name == "redirect" && parts.size() == 2) {
                directory.redirectPath = parts[0];
                directory.redirectHost = parts[1];
            } else {
                throw ConfigError(where + ": unknown key or wrong number of fields: " + name);
            }
        } else if (kind == "portal") {
            Portal& portal = config.portals[key];
            if (name == "name")
                portal.name = value;
            else if (name == "websiteurl")
                portal.websiteUrl = value;
            else if (name == "description")
                portal.description = value;
            else if (name == "pricelist")
                portal.priceListFile = value;
            else if (name == "account" && ConfigText::fields(value).size() == 2)
                portal.accounts.push_back(
                    {ConfigText::fields(value)[0], ConfigText::fields(value)[1]});
            else
                throw ConfigError(where + ": unknown key or wrong number of fields: " + name);
        } else if (kind == "plugin") {
            Plugin& plugin = config.plugins[key];
            if (name == "list" && value == "recinstall")
                plugin.list = Plugin::RecommendedInstall;
            else if (name == "list" && value == "recupdate")
                plugin.list = Plugin::RecommendedUpdate;
            else if (name == "list" && value == "requpdate")
                plugin.list = Plugin::RequiredUpdate;
            else if (name == "list")
                throw ConfigError(where + ": list is recinstall, recupdate or requpdate: " + value);
            else if (name == "version" && isVersion(value))
                plugin.version = value;
            else if (name == "version")
                throw ConfigError(where + ": not a version of dotted numbers: " + value);
            else if (name == "repository")
                plugin.repository = value;
            else if (name == "title")
                plugin.title = value;
            else if (name == "body")
                plugin.body = value;
            else if (name == "portals")
                plugin.portals = nonEmpty(ConfigText::fields(value));
            else
                throw ConfigError(where + ": unknown key " + name);
        } else if (kind == "faults") {
            if (name != "rule")
                throw ConfigError(where + ": unknown key " + name);
            try {
                config.faultRules.push_back(FaultScript::parseRule(value));
            } catch (const FaultScriptError& e) {
                throw ConfigError(where + ": " + e.what());
            }
        } else {
            PriceList& list = config.priceLists[key];
            if (name == "uuid")
                list.uuid = value;
            else if (name == "file")
                list.file = value;
            else
                throw ConfigError(where + ": unknown key " + name);
        }
    }
    for (const auto& [id, plugin] : config.plugins)
        if (plugin.version.empty())
            throw ConfigError("plug-in " + id + " needs a version");
    return config;
}

const ProviderConfig::Portal* ProviderConfig::findPortal(const std::string& id) const
{
    const auto found = portals.find(id);
    return found == portals.end() ? nullptr : &found->second;
}

std::string ProviderConfig::readFile(const std::string& name) const
{
    const std::string path = !name.empty() && name[0] == '/' ? name : baseDir + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ConfigError("Could not read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace Provider
