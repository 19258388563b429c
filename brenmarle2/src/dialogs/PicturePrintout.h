#pragma once
// Prints pictures through the toolkit's print dialog: one picture per page, as large as the
// page's printable area allows, upright by its stored rotation, with its caption (or file name)
// below it.
//
// GUI thread only.

#include <vector>

#include <wx/print.h>

#include "files/File.h"

class PicturePrintout : public wxPrintout {
public:
    explicit PicturePrintout(std::vector<Quorvel::Ref<Brenmarle::File>> files);

    bool HasPage(int page) override;
    void GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) override;
    bool OnPrintPage(int page) override;

private:
    std::vector<Quorvel::Ref<Brenmarle::File>> m_files;
};
