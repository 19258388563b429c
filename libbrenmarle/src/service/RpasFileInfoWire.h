#pragma once
// A picture's metadata record (RpasClient_3_0::FileInfo) in the wire form of one service's
// generated code: the storage and ordering services have the same record under their own
// names, so the copying is written once for both. Only the clients' sources include this
// (it needs the generated types).
//
//     RpasFileInfoWire<SoapStorage::storage__FileInfo, SoapStorage::storage__TimeMask,
//                      SoapStorage::StringArray> wire(info);
//     soap_call_storage__registerFile(..., &wire.info, ...);
//
// The object owns everything the wire record points at, so it must outlive the call.
//
// Threads: any; one object per call.

#include <limits>
#include <string>
#include <vector>

#include "service/RpasClient_3_0.h"
#include "service/SoapText.h"

namespace Brenmarle {

template <class WireInfo, class WireMask, class WireArray> class RpasFileInfoWire {
public:
    explicit RpasFileInfoWire(const RpasClient_3_0::FileInfo& from)
    {
        constexpr auto* bytes = &Quorvel::SoapText::toWire;
        m_mask.year = from.timeMask.year;
        m_mask.month = from.timeMask.month;
        m_mask.day = from.timeMask.day;
        m_mask.hour = from.timeMask.hour;
        m_mask.minute = from.timeMask.minute;
        m_mask.second = from.timeMask.second;
        for (const wxString& keyword : from.keywords)
            m_keywords.push_back(bytes(keyword));
        m_keywordArray.__ptr = m_keywords.data();
        m_keywordArray.__size = static_cast<int>(m_keywords.size());
        info.serveruuid = bytes(from.serverUuid);
        info.clientref = bytes(from.clientRef);
        info.filemodifytime = from.fileModifyTime;
        info.metamodifytime = from.metaModifyTime;
        info.filename = bytes(from.fileName);
        info.filesize = wireSize(from.fileSize);
        info.contenttype = bytes(from.contentType);
        info.scanversion = from.scanVersion;
        info.scanner = bytes(from.scanner);
        info.fileusermodified = from.fileUserModified;
        info.metausermodified = from.metaUserModified;
        info.favorite = from.favorite;
        info.caption = bytes(from.caption);
        // The picture's wall-clock time, held as if it were UTC, goes out as that UTC time
        // ("...Z"): the same digits the camera showed, whatever this computer's zone.
        info.time = from.time;
        info.timemask = &m_mask;
        info.creator = bytes(from.creator);
        info.source = bytes(from.source);
        info.copyright = bytes(from.copyright);
        info.sublocation = bytes(from.sublocation);
        info.city = bytes(from.city);
        info.province = bytes(from.province);
        info.countrycode = bytes(from.countryCode);
        info.keywords = &m_keywordArray;
        info.imagewidth = from.imageWidth;
        info.imageheight = from.imageHeight;
        info.imagerotation = from.imageRotation;
    }
    RpasFileInfoWire(const RpasFileInfoWire&) = delete;
    RpasFileInfoWire& operator=(const RpasFileInfoWire&) = delete;

    // The record a reply carries, in the program's form.
    static RpasClient_3_0::FileInfo fromWire(const WireInfo& wire)
    {
        constexpr auto* text = &Quorvel::SoapText::fromWire;
        RpasClient_3_0::FileInfo to;
        to.serverUuid = text(wire.serveruuid);
        to.clientRef = text(wire.clientref);
        to.fileModifyTime = wire.filemodifytime;
        to.metaModifyTime = wire.metamodifytime;
        to.fileName = text(wire.filename);
        to.fileSize = wire.filesize;
        to.contentType = text(wire.contenttype);
        to.scanVersion = wire.scanversion;
        to.scanner = text(wire.scanner);
        to.fileUserModified = wire.fileusermodified;
        to.metaUserModified = wire.metausermodified;
        to.favorite = wire.favorite;
        to.caption = text(wire.caption);
        to.time = wire.time;
        if (wire.timemask) {
            to.timeMask.year = wire.timemask->year;
            to.timeMask.month = wire.timemask->month;
            to.timeMask.day = wire.timemask->day;
            to.timeMask.hour = wire.timemask->hour;
            to.timeMask.minute = wire.timemask->minute;
            to.timeMask.second = wire.timemask->second;
        }
        to.creator = text(wire.creator);
        to.source = text(wire.source);
        to.copyright = text(wire.copyright);
        to.sublocation = text(wire.sublocation);
        to.city = text(wire.city);
        to.province = text(wire.province);
        to.countryCode = text(wire.countrycode);
        for (int i = 0; wire.keywords && wire.keywords->__ptr && i < wire.keywords->__size; ++i)
            to.keywords.push_back(text(wire.keywords->__ptr[i]));
        to.imageWidth = wire.imagewidth;
        to.imageHeight = wire.imageheight;
        to.imageRotation = wire.imagerotation;
        return to;
    }

    // The wire's int for a size; a picture of 2 GB or more is never sent (the clients refuse
    // it before), so the cap only keeps a bad size from wrapping.
    static int wireSize(int64_t size)
    {
        if (size < 0 || size > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
        return static_cast<int>(size);
    }

    WireInfo info;

private:
    WireMask m_mask;
    std::vector<std::string> m_keywords;
    WireArray m_keywordArray;
};

} // namespace Brenmarle
