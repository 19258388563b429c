#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/html/htmlwin.h>
#include <wx/stattext.h>

#include "widgets/AlertDialog.h"
#include "widgets/LogViewFrame.h"

namespace {
bool hasText(wxWindow* parent, const wxString& text)
{
    for (wxWindow* child : parent->GetChildren()) {
        if (auto* label = dynamic_cast<wxStaticText*>(child); label && label->GetLabel() == text)
            return true;
    }
    return false;
}
} // namespace

TEST(AlertDialog, ShowsHeadingMessageAndOk)
{
    Quorvel::AlertDialog dialog(nullptr, "No pictures are selected", "Order prints");
    EXPECT_TRUE(hasText(&dialog, "Order prints"));
    EXPECT_TRUE(hasText(&dialog, "No pictures are selected"));
    auto* ok = dynamic_cast<wxButton*>(dialog.FindWindow(wxID_OK));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->IsEnabled());
}

TEST(LogViewFrame, ShowsThePageInTheNamedHtmlWindow)
{
    auto* frame = new Quorvel::LogViewFrame(nullptr, "Import Log", "<p>3 pictures imported</p>");
    auto* html = dynamic_cast<wxHtmlWindow*>(frame->FindWindow("htmlWindow"));
    ASSERT_NE(html, nullptr);
    EXPECT_NE(html->ToText().Find("3 pictures imported"), wxNOT_FOUND);
    frame->Destroy();
}
