#pragma once
// The file records the storage, ordering and sharing services share, field for field, between
// the program's types and each service's generated wire structs (which differ only in their
// namespace prefix). For the clients' implementation files only: it is used with the
// generated headers included.
//
// Pure functions; any thread.

#include <string>
#include <vector>

#include "service/RpasClient_3_0.h"
#include "service/SoapText.h"

namespace Brenmarle {

class RpasWire {
public:
    using FileId = RpasClient_3_0::FileId;
    using FileInfo = RpasClient_3_0::FileInfo;

    template <typename WireId> static FileId fromWire(const WireId& id)
    {
        return {Quorvel::SoapText::fromWire(id.serveruuid),
                Quorvel::SoapText::fromWire(id.clientref), id.filemodifytime, id.metamodifytime};
    }

    template <typename WireId> static WireId toWire(const FileId& id)
    {
        WireId sent;
        sent.serveruuid = Quorvel::SoapText::toWire(id.serverUuid);
        sent.clientref = Quorvel::SoapText::toWire(id.clientRef);
        sent.filemodifytime = id.fileModifyTime;
        sent.metamodifytime = id.metaModifyTime;
        return sent;
    }

    // A FileInfo on the wire, with the time mask and keyword array it points to; keep the
    // object alive for the call.
    template <typename WireInfo, typename WireMask, typename WireStrings> class SentInfo {
    public:
        explicit SentInfo(const FileInfo& info);
        SentInfo(const SentInfo&) = delete;
        SentInfo& operator=(const SentInfo&) = delete;
        WireInfo* get() { return &m_info; }

    private:
        WireInfo m_info;
        WireMask m_mask;
        WireStrings m_keywordArray;
        std::vector<std::string> m_keywords;
    };

    template <typename WireInfo, typename WireKeywords>
    static FileInfo fromWire(const WireInfo& info, const WireKeywords* keywords);

    // The wire's int for a size; a picture of 2 GB or more is never sent (the clients refuse
    // it before), so the cap only keeps a bad size from wrapping.
    static int wireSize(int64_t size);
};

template <typename WireInfo, typename WireMask, typename WireStrings>
RpasWire::SentInfo<WireInfo, WireMask, WireStrings>::SentInfo(const FileInfo& info)
{
    const auto bytes = &Quorvel::SoapText::toWire;
    m_mask.year = info.timeMask.year;
    m_mask.month = info.timeMask.month;
    m_mask.day = info.timeMask.day;
    m_mask.hour = info.timeMask.hour;
    m_mask.minute = info.timeMask.minute;
    m_mask.second = info.timeMask.second;
    for (const wxString& keyword : info.keywords)
        m_keywords.push_back(bytes(keyword));
    m_keywordArray.__ptr = m_keywords.data();
    m_keywordArray.__size = static_cast<int>(m_keywords.size());
    m_info.serveruuid = bytes(info.serverUuid);
    m_info.clientref = bytes(info.clientRef);
    m_info.filemodifytime = info.fileModifyTime;
    m_info.metamodifytime = info.metaModifyTime;
    m_info.filename = bytes(info.fileName);
    m_info.filesize = wireSize(info.fileSize);
    m_info.contenttype = bytes(info.contentType);
    m_info.scanversion = info.scanVersion;
    m_info.scanner = bytes(info.scanner);
    m_info.fileusermodified = info.fileUserModified;
    m_info.metausermodified = info.metaUserModified;
    m_info.favorite = info.favorite;
    m_info.caption = bytes(info.caption);
    // The picture's wall-clock time, held as if it were UTC, goes out as that UTC time
    // ("...Z"): the same digits the camera showed, whatever this computer's zone.
    m_info.time = info.time;
    m_info.timemask = &m_mask;
    m_info.creator = bytes(info.creator);
    m_info.source = bytes(info.source);
    m_info.copyright = bytes(info.copyright);
    m_info.sublocation = bytes(info.sublocation);
    m_info.city = bytes(info.city);
    m_info.province = bytes(info.province);
    m_info.countrycode = bytes(info.countryCode);
    m_info.keywords = &m_keywordArray;
    m_info.imagewidth = info.imageWidth;
    m_info.imageheight = info.imageHeight;
    m_info.imagerotation = info.imageRotation;
}

template <typename WireInfo, typename WireKeywords>
RpasWire::FileInfo RpasWire::fromWire(const WireInfo& info, const WireKeywords* keywords)
{
    const auto text = &Quorvel::SoapText::fromWire;
    FileInfo result;
    result.serverUuid = text(info.serveruuid);
    result.clientRef = text(info.clientref);
    result.fileModifyTime = info.filemodifytime;
    result.metaModifyTime = info.metamodifytime;
    result.fileName = text(info.filename);
    result.fileSize = info.filesize;
    result.contentType = text(info.contenttype);
    result.scanVersion = info.scanversion;
    result.scanner = text(info.scanner);
    result.fileUserModified = info.fileusermodified;
    result.metaUserModified = info.metausermodified;
    result.favorite = info.favorite;
    result.caption = text(info.caption);
    result.time = info.time;
    if (info.timemask)
        result.timeMask = {info.timemask->year, info.timemask->month,  info.timemask->day,
                           info.timemask->hour, info.timemask->minute, info.timemask->second};
    result.creator = text(info.creator);
    result.source = text(info.source);
    result.copyright = text(info.copyright);
    result.sublocation = text(info.sublocation);
    result.city = text(info.city);
    result.province = text(info.province);
    result.countryCode = text(info.countrycode);
    for (int i = 0; keywords && keywords->__ptr && i < keywords->__size; ++i)
        result.keywords.push_back(text(keywords->__ptr[i]));
    result.imageWidth = info.imagewidth;
    result.imageHeight = info.imageheight;
    result.imageRotation = info.imagerotation;
    return result;
}

} // namespace Brenmarle
