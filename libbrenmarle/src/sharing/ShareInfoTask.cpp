#include "sharing/ShareInfoTask.h"

#include <wx/translation.h>

#include "core/LibraryLock.h"
#include "files/SafeFileName.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

ShareInfoTask::ShareInfoTask(const ShareImport& share, Files files, int port,
                             Quorvel::NetworkSettings* settings)
    : m_share(share), m_files(std::move(files)),
      m_client(settings ? Quorvel::makeRef<SharingClient_3_0>(*settings)
                        : Quorvel::makeRef<SharingClient_3_0>())
{
    if (m_files.size() != m_share.getFileIds().size())
        throw Quorvel::LogicException(wxS("One file per file id of the share"));
    // The host gets the token, never the account's credentials.
    m_client->setAddress({m_share.getHost(), port, wxString(), wxString()});
}

void ShareInfoTask::run()
{
    const int total = static_cast<int>(m_files.size());
    for (int index = 0; index < total; ++index) {
        checkAbort();
        setProgress(wxString::Format(wxGetTranslation("Reading information of shared photo %d "
                                                      "of %d",
                                                      "libbrenmarle"),
                                     index + 1, total),
                    index, total);
        notifyProgress();
        SharingClient_3_0::FileId id;
        id.serverUuid = m_share.getFileIds()[static_cast<size_t>(index)];
        const SharingClient_3_0::FileInfo info =
            m_client->getFileInformation(id, m_share.getAccessToken());
        apply(info, m_share.isMetaShared(), *m_files[static_cast<size_t>(index)]);
    }
}

void ShareInfoTask::apply(const SharingClient_3_0::FileInfo& info, bool withMeta, File& file)
{
    LibraryLock lock;
    // The name is the sharer's: made safe for any disk the picture is copied to later.
    const wxString name = info.fileName.AfterLast('/').AfterLast('\\');
    if (!name.empty())
        file.setFileName(SafeFileName::make(name));
    if (!withMeta)
        return;
    file.setCaption(info.caption);
    file.setCreator(info.creator);
    file.setSource(info.source);
    file.setCopyright(info.copyright);
    file.setSublocation(info.sublocation);
    file.setCity(info.city);
    file.setProvince(info.province);
    file.setCountryCode(info.countryCode);
    file.setFavorite(info.favorite);
    QDEBUG("[SHAREINFOTASK] %s: information of %s", file.getURI(), name);
}

} // namespace Brenmarle
