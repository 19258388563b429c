#pragma once
// A share someone sent to the user, as a command file ("importshare") hands it over: who shared
// it, the sharing host and the access token the recipient was given, the ids of the shared
// files, whether the pictures come full size or as previews, and whether their information
// (captions, keywords, places) comes with them. It names the shared pictures by their
// "shared://" URIs (SharedFolder) and gives the texts the share import assistant shows.
//
// A command file is anyone's to write, so nothing is taken on trust: the host must be a
// portal host of the operator's domain (so a file cannot send the program, or the token, to
// any other server), the token and ids hold only the characters SharedFolder allows, the
// preview size is one the service makes, and the sharer's texts are bounded and free of
// control characters. The account's credentials never go with the share: the token is all
// the host is given.
//
// Values; any thread.

#include <map>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class ShareImport {
public:
    // At most this many files in one share (as the service allows).
    static constexpr size_t MAX_FILES = 1000;
    static constexpr size_t MAX_NAME_LENGTH = 200;
    static constexpr size_t MAX_SUBJECT_LENGTH = 500;
    static constexpr size_t MAX_MESSAGE_LENGTH = 10000;

    // Reads the fields of an "importshare" command ("accesstoken", "sharedby", "sharehost",
    // "subject", "message", "previewsize", "sharemeta", "serveruuid") and its file ids.
    // Throws Quorvel::RuntimeException naming the first field that is missing or not allowed
    // ("The share's host is not one of the service's hosts: evil.example").
    static ShareImport read(const std::map<wxString, wxString>& fields,
                            const std::vector<wxString>& fileIds);

    const wxString& getSharedBy() const { return m_sharedBy; }
    const wxString& getHost() const { return m_host; }
    const wxString& getAccessToken() const { return m_accessToken; }
    const wxString& getSubject() const { return m_subject; }
    const wxString& getMessage() const { return m_message; }
    // 0 for full-size pictures; else the width of the box the previews fit (160 ... 1280).
    int getPreviewSize() const { return m_previewSize; }
    bool isMetaShared() const { return m_shareMeta; }
    const std::vector<wxString>& getFileIds() const { return m_fileIds; }
    // The share's own id at the service, when the command file gave one (may be empty).
    const wxString& getServerUuid() const { return m_serverUuid; }

    // The shared pictures' URIs, in the order of the file ids.
    std::vector<wxString> getFileUris() const;

    // "%s has chosen to share %d photos with you!" (or "...%d photo..." for one).
    wxString getSourceText() const;
    // What the sharer allowed: full size or previews, with the pictures' information or not.
    wxString getAccessText() const;

private:
    ShareImport() = default;

    wxString m_sharedBy;
    wxString m_host;
    wxString m_accessToken;
    wxString m_subject;
    wxString m_message;
    int m_previewSize = 0;
    bool m_shareMeta = false;
    std::vector<wxString> m_fileIds;
    wxString m_serverUuid;
};

} // namespace Brenmarle
