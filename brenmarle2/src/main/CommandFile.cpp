#include "main/CommandFile.h"

#include <memory>

#include <sys/stat.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <wx/log.h>

#include "system/Log.h"

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

wxString textOf(const xmlNode* node)
{
    std::unique_ptr<xmlChar, decltype(xmlFree)> text(xmlNodeGetContent(node), xmlFree);
    return text ? wxString::FromUTF8(reinterpret_cast<const char*>(text.get())) : wxString();
}

wxString nameOf(const xmlNode* node)
{
    return wxString::FromUTF8(reinterpret_cast<const char*>(node->name));
}

bool isKnownCommand(const wxString& name)
{
    return name == "start" || name == "webimport" || name == "importshare" ||
           name == "installpackage" || name == "openuri";
}

CommandFile::Action readAction(const xmlNode* element)
{
    CommandFile::Action action;
    action.name = nameOf(element);
    if (action.name == "openuri")
        action.fields["uri"] = textOf(element).Trim().Trim(false);
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE)
            continue;
        const wxString name = nameOf(child);
        if (name != "files") {
            action.fields[name] = textOf(child);
            continue;
        }
        for (const xmlNode* file = child->children; file; file = file->next) {
            if (file->type == XML_ELEMENT_NODE &&
                (nameOf(file) == "file" || nameOf(file) == "fileid"))
                action.files.push_back(textOf(file));
        }
    }
    return action;
}

} // namespace

bool CommandFile::read(const wxString& path, std::vector<Action>& actions)
{
    struct stat info {};
    if (::stat(path.utf8_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        wxLogError("ERROR: Could not stat (find file size) command file: %s", path);
        return false;
    }
    if (info.st_size > MAX_SIZE) {
        wxLogError("ERROR: Command file was to large");
        return false;
    }
    // No network access and no entity expansion: the file comes from outside.
    Document document(xmlReadFile(path.utf8_str(), nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    const xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (!root) {
        wxLogError("Error: Cold not parse command file XML");
        return false;
    }
    for (const xmlNode* child = root->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE)
            continue;
        if (!isKnownCommand(nameOf(child))) {
            wxLogError("ERROR: Uknown command in command file");
            continue;
        }
        actions.push_back(readAction(child));
    }
    QDEBUG("[COMMANDFILE] %zu commands in %s", actions.size(), path);
    return true;
}
