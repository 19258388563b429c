#include "main/CommandFile.h"

#include <cerrno>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <wx/log.h>

#include "system/Log.h"

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

void appendText(const xmlNode* node, std::string& text)
{
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            text += reinterpret_cast<const char*>(child->content);
        else if (child->type == XML_ELEMENT_NODE)
            appendText(child, text);
        // Entity references are left out: expanding them would let a small file grow to any
        // size in memory ("billion laughs").
    }
}

wxString textOf(const xmlNode* node)
{
    std::string text;
    appendText(node, text);
    return wxString::FromUTF8(text);
}

struct OpenFile {
    int fd;
    ~OpenFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads the whole file into `content` if it is a regular file of at most `limit` bytes. The
// bound holds for what is read from the opened file, whatever its size was a moment before;
// nothing is decompressed.
enum class ReadResult { Ok, NotReadable, TooLarge };
ReadResult readBounded(const wxString& path, long long limit, std::string& content)
{
    // Non-blocking, so a named pipe put in the file's place cannot hold the program.
    const OpenFile file{::open(path.utf8_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    const int fd = file.fd;
    if (fd < 0)
        return ReadResult::NotReadable;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return ReadResult::NotReadable;
    content.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadResult::NotReadable;
        if (n == 0)
            return ReadResult::Ok;
        content.append(buffer, static_cast<size_t>(n));
        if (static_cast<long long>(content.size()) > limit)
            return ReadResult::TooLarge;
    }
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
    std::string content;
    switch (readBounded(path, MAX_SIZE, content)) {
    case ReadResult::NotReadable:
        wxLogError("ERROR: Could not stat (find file size) command file: %s", path);
        return false;
    case ReadResult::TooLarge:
        wxLogError("ERROR: Command file was to large");
        return false;
    case ReadResult::Ok:
        break;
    }
    // No network access and no entity substitution: the file comes from outside.
    Document document(xmlReadMemory(content.data(), static_cast<int>(content.size()),
                                    path.utf8_str(), nullptr,
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
