#include "viewedit/PictureEdit.h"

#include "imaging/PictureSaver.h"
#include "system/Exceptions.h"

using Brenmarle::ImageData;
using Brenmarle::PictureSaver;

void PictureEdit::load(const Quorvel::Ref<Brenmarle::File>& file,
                       const Quorvel::Ref<ImageData>& shown)
{
    m_file = file;
    m_current = shown;
    m_fullSize = false;
    m_ownCopy = false;
    m_modified = false;
}

void PictureEdit::setShownImage(const Quorvel::Ref<ImageData>& shown)
{
    if (!m_fullSize)
        m_current = shown;
}

wxString PictureEdit::whyReadOnly() const
{
    if (!m_file)
        return "No picture";
    return PictureSaver::whyReadOnly(*m_file);
}

void PictureEdit::setFullSizeImage(const Quorvel::Ref<ImageData>& image)
{
    if (m_fullSize || !m_file || !image)
        return;
    m_current = image;
    m_fullSize = true;
    m_ownCopy = false;
}

void PictureEdit::ensureOwnCopy()
{
    if (m_ownCopy)
        return;
    if (!m_current)
        throw Quorvel::NotLoadedException(wxS("The picture is not loaded"));
    m_current = Quorvel::Ref<ImageData>::adopt(new ImageData(*m_current));
    m_ownCopy = true;
}

void PictureEdit::applyImage(const Quorvel::Ref<ImageData>& image)
{
    m_current = image;
    m_ownCopy = true;
    m_modified = true;
}

void PictureEdit::crop(const wxRect& rect)
{
    ensureOwnCopy();
    m_current->crop(rect.x, rect.y, rect.width, rect.height);
    m_modified = true;
}

void PictureEdit::adjust(int brightness, int contrast)
{
    ensureOwnCopy();
    m_current->adjustBrightnessContrast(brightness, contrast);
    m_modified = true;
}

void PictureEdit::save()
{
    if (!m_file || !m_current)
        throw Quorvel::NotLoadedException(wxS("The picture is not loaded"));
    // Only an edited picture is full size; a display copy must never replace the original.
    if (!m_fullSize)
        throw Quorvel::LogicException(wxS("Nothing was edited"));
    PictureSaver::saveOver(*m_file, *m_current);
    m_modified = false;
}

Quorvel::Ref<Brenmarle::File> PictureEdit::saveCopy(const wxString& folderUri, const wxString& name,
                                                    int format, int quality)
{
    if (!m_current)
        throw Quorvel::NotLoadedException(wxS("The picture is not loaded"));
    // A copy of an unedited picture is still made from the full-size one.
    Quorvel::Ref<ImageData> image = m_fullSize ? m_current : PictureSaver::loadForEditing(*m_file);
    return PictureSaver::saveCopy(*image, folderUri, name, format, quality);
}
