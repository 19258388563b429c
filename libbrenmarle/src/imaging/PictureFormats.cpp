#include "imaging/PictureFormats.h"

#include <cstring>
#include <mutex>

#include <Magick++.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "imaging/ImageMagickSetup.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

struct Format {
    const char* extension;
    const char* coder;
    const char* contentType;
    PictureFormats::Family family;
};

using Family = PictureFormats::Family;

// The coders ImageMagick 6 has for them; the content types are the desktop's (shared-mime-info).
const Format FORMATS[] = {
    {"heic", "HEIC", "image/heic", Family::Heif},
    {"heif", "HEIC", "image/heif", Family::Heif},
    {"hif", "HEIC", "image/heif", Family::Heif},
    {"3fr", "3FR", "image/x-hasselblad-3fr", Family::Raw},
    {"arw", "ARW", "image/x-sony-arw", Family::Raw},
    {"cr2", "CR2", "image/x-canon-cr2", Family::Raw},
    {"cr3", "CR3", "image/x-canon-cr3", Family::Raw},
    {"crw", "CRW", "image/x-canon-crw", Family::Raw},
    {"dcr", "DCR", "image/x-kodak-dcr", Family::Raw},
    {"dng", "DNG", "image/x-adobe-dng", Family::Raw},
    {"erf", "ERF", "image/x-epson-erf", Family::Raw},
    {"iiq", "IIQ", "image/x-phaseone-iiq", Family::Raw},
    {"k25", "K25", "image/x-kodak-k25", Family::Raw},
    {"kdc", "KDC", "image/x-kodak-kdc", Family::Raw},
    {"mef", "MEF", "image/x-mamiya-mef", Family::Raw},
    {"mrw", "MRW", "image/x-minolta-mrw", Family::Raw},
    {"nef", "NEF", "image/x-nikon-nef", Family::Raw},
    {"nrw", "NRW", "image/x-nikon-nrw", Family::Raw},
    {"orf", "ORF", "image/x-olympus-orf", Family::Raw},
    {"pef", "PEF", "image/x-pentax-pef", Family::Raw},
    {"raf", "RAF", "image/x-fuji-raf", Family::Raw},
    {"rw2", "RW2", "image/x-panasonic-rw2", Family::Raw},
    {"sr2", "SR2", "image/x-sony-sr2", Family::Raw},
    {"srf", "SRF", "image/x-sony-srf", Family::Raw},
    {"x3f", "X3F", "image/x-sigma-x3f", Family::Raw},
};

const Format* formatOf(const wxString& fileName)
{
    const wxString extension = wxFileName(fileName).GetExt().Lower();
    for (const Format& format : FORMATS) {
        if (extension == format.extension)
            return &format;
    }
    return nullptr;
}

bool hasWord(const char* list, const char* word)
{
    const std::string padded = std::string(" ") + (list ? list : "") + " ";
    return padded.find(std::string(" ") + word + " ") != std::string::npos;
}

bool readable(const char* coder)
{
    try {
        const Magick::CoderInfo info(coder);
        return info.isReadable();
    } catch (const Magick::Exception&) {
        return false;
    }
}

// The program a delegate's command runs: its first word, without quotes.
wxString delegateProgram(const char* decode)
{
    MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
    const MagickCore::DelegateInfo* delegate =
        MagickCore::GetDelegateInfo(decode, static_cast<const char*>(nullptr), exception);
    const char* commands = delegate ? MagickCore::GetDelegateCommands(delegate) : nullptr;
    wxString program = commands ? wxString::FromUTF8(commands) : wxString();
    MagickCore::DestroyExceptionInfo(exception);
    program.Trim(false);
    if (program.StartsWith("\"") || program.StartsWith("'")) {
        const wxUniChar quote = program[0];
        program = program.Mid(1).BeforeFirst(quote);
    } else {
        program = program.BeforeFirst(' ');
    }
    return program;
}

bool onPath(const wxString& program)
{
    if (program.empty())
        return false;
    if (program.Contains("/"))
        return wxFileName::IsFileExecutable(program);
    wxString path;
    wxGetEnv("PATH", &path);
    for (const wxString& dir : wxSplit(path, ':')) {
        if (!dir.empty() && wxFileName::IsFileExecutable(dir + "/" + program))
            return true;
    }
    return false;
}

} // namespace

PictureFormats::Family PictureFormats::familyOf(const wxString& fileName)
{
    const Format* format = formatOf(fileName);
    return format ? format->family : Family::Other;
}

bool PictureFormats::canDecode(Family family, const Support& support)
{
    switch (family) {
    case Family::Heif:
        return support.heifCoder && support.heifBuiltIn;
    case Family::Raw:
        return support.rawCoder && (support.rawBuiltIn || support.rawConverter);
    case Family::Other:
        break;
    }
    return false;
}

bool PictureFormats::canDecode(Family family)
{
    return canDecode(family, support());
}

bool PictureFormats::isUndecodablePicture(const wxString& fileName)
{
    const Family family = familyOf(fileName);
    return family != Family::Other && !canDecode(family);
}

const char* PictureFormats::coderOf(const wxString& fileName)
{
    const Format* format = formatOf(fileName);
    return format ? format->coder : nullptr;
}

wxString PictureFormats::contentTypeOfCoder(const wxString& coder)
{
    for (const Format& format : FORMATS) {
        if (coder == format.coder)
            return format.contentType;
    }
    return wxString();
}

const char* PictureFormats::coderOfContentType(const wxString& contentType)
{
    for (const Format& format : FORMATS) {
        if (contentType == format.contentType)
            return format.coder;
    }
    return nullptr;
}

const PictureFormats::Support& PictureFormats::support()
{
    static Support support;
    static std::once_flag once;
    std::call_once(once, [] {
        ensureImageMagick();
        const char* builtIn = MagickCore::GetMagickDelegates();
        support.heifCoder = readable("HEIC");
        support.heifBuiltIn = hasWord(builtIn, "heic");
        support.rawCoder = readable("DNG");
        support.rawBuiltIn = hasWord(builtIn, "raw");
        const wxString converter = delegateProgram("dng:decode");
        support.rawConverter = onPath(converter);
        QDEBUG("[PICTUREFORMATS] HEIF pictures: %s; RAW pictures: %s (converter %s %s)",
               canDecode(Family::Heif, support) ? "readable" : "not readable",
               canDecode(Family::Raw, support) ? "readable" : "not readable",
               converter.empty() ? wxString("none") : converter,
               support.rawConverter ? "found" : "not found");
    });
    return support;
}

} // namespace Brenmarle
