#include "myalbums/MyAlbumsPage.h"

#include <algorithm>

#include <wx/listctrl.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "database/Database.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "filemanager/FolderEvent.h"
#include "myalbums/AlbumDropTarget.h"
#include "safestorage/SafeStorageAccount.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "ui/Accessibility.h"
#include "ui/AccessibleRows.h"
#include "widgets/PictureDropTarget.h"
#include "widgets/ThumbnailView.h"

using Brenmarle::AlbumFolder;

// Counts an album's pictures not in safe storage under an account, on the page's runner.
class MyAlbumsPage::UnsafeCountTask : public Quorvel::Task {
public:
    UnsafeCountTask(const wxString& albumUri, const wxString& accountId)
        : albumUri(albumUri), accountId(accountId)
    {
    }
    void run() override
    {
        count = Brenmarle::Database::getInstance().countNotSafelyStored(albumUri, accountId);
    }

    const wxString albumUri;
    const wxString accountId;
    int count = 0;
};

MyAlbumsPage::MyAlbumsPage(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SetName("MyAlbumsPage");
    if (auto* configuration = Quorvel::Configuration::get())
        configuration->getUserConfig().readBool("AlbumListView/SortAscending", m_ascending, true);
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxSize(230, -1),
                            wxLC_REPORT | wxLC_SINGLE_SEL);
    m_list->SetName("AlbumList");
    Quorvel::setAccessibleName(*m_list, _("Albums"));
    m_list->AppendColumn(_("Album"), wxLIST_FORMAT_LEFT, 160);
    m_list->AppendColumn(_("Pictures"), wxLIST_FORMAT_RIGHT, 64);
    Quorvel::AccessibleRows::expose(*m_list, _("Albums"));
    sizer->Add(m_list, 0, wxEXPAND);
    auto* right = new wxBoxSizer(wxVERTICAL);
    m_header = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                wxST_ELLIPSIZE_END);
    m_header->SetName("AlbumHeader");
    m_header->SetFont(m_header->GetFont().Bold());
    right->Add(m_header, 0, wxEXPAND | wxALL, 6);
    m_warning = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                 wxST_ELLIPSIZE_END);
    m_warning->SetName("SafeStorageWarning");
    m_warning->SetForegroundColour(*wxRED);
    m_warning->Hide();
    right->Add(m_warning, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    m_view = new ThumbnailView(this);
    m_view->setAccessibleLabel(_("Pictures of the album"));
    right->Add(m_view, 1, wxEXPAND);
    sizer->Add(right, 1, wxEXPAND);
    SetSizer(sizer);

    m_list->SetDropTarget(
        new AlbumDropTarget(m_list, [this](long row, const std::vector<wxString>& uris,
                                           const std::vector<wxString>& paths, bool move) {
            if (row < 0 || row >= static_cast<long>(m_albums.size()) || !m_onDrop)
                return false;
            return m_onDrop(m_albums[row], uris, paths, move);
        }));
    // Pictures dropped on the pictures shown go into the chosen album.
    m_view->SetDropTarget(new PictureDropTarget(
        [this](const std::vector<wxString>& uris, const std::vector<wxString>& paths, bool move) {
            Quorvel::Ref<AlbumFolder> album = getChosenAlbum();
            return album && m_onDrop && m_onDrop(album, uris, paths, move);
        }));
    // The header counts the pictures the view shows, which follow the news a moment later.
    m_view->Bind(THUMBNAIL_LIST_CHANGED, [this](wxCommandEvent& event) {
        updateHeader();
        event.Skip();
    });
    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, &MyAlbumsPage::onSelected, this);
    m_list->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &MyAlbumsPage::onRightClick, this);
    m_list->Bind(wxEVT_LIST_COL_CLICK, &MyAlbumsPage::onColumnClick, this);
    Bind(Brenmarle::FOLDER_ADDED, &MyAlbumsPage::onFolderEvent, this);
    Bind(Brenmarle::FOLDER_CHANGED, &MyAlbumsPage::onFolderEvent, this);
    Bind(Brenmarle::FOLDER_DELETED, &MyAlbumsPage::onFolderEvent, this);
    Bind(Brenmarle::FILE_ADDED, &MyAlbumsPage::onFileEvent, this);
    Bind(Brenmarle::FILE_REMOVED, &MyAlbumsPage::onFileEvent, this);
    // A picture put into or out of safe storage changes the album's warning.
    Bind(Brenmarle::FILE_CHANGED, [this](Brenmarle::FileEvent&) {
        if (m_headerDue)
            return;
        m_headerDue = true;
        CallAfter([this] {
            m_headerDue = false;
            updateHeader();
            requestUnsafeCount();
        });
    });
    Bind(Quorvel::EVT_TASK_FINISHED, &MyAlbumsPage::onUnsafeCounted, this);
    Bind(Quorvel::EVT_TASK_FAILED, &MyAlbumsPage::onUnsafeCountFailed, this);
    Bind(Quorvel::EVT_TASK_ABORTED, &MyAlbumsPage::onUnsafeCountFailed, this);
    if (Brenmarle::FileManager::exists())
        Brenmarle::FileManager::get().addListener(this, GetId());
    m_view->setEmptyText(_("Choose an album on the left, or make one with New Album."));
    // The first album's pictures are read when the page is first shown, not at start-up.
    refreshAlbums(false);
}

MyAlbumsPage::~MyAlbumsPage()
{
    if (Brenmarle::FileManager::exists())
        Brenmarle::FileManager::get().removeListener(this);
    // A count under way ends first (one query); nothing more reaches this page.
    if (m_runner)
        m_runner->removeListener(this);
    m_runner.reset();
}

void MyAlbumsPage::refreshAlbums(bool chooseFirst)
{
    m_albums.clear();
    for (const auto& [uri, album] : AlbumFolder::getAlbums())
        m_albums.push_back(album);
    std::stable_sort(m_albums.begin(), m_albums.end(), [this](const auto& a, const auto& b) {
        const int order = a->getName().CmpNoCase(b->getName());
        return m_ascending ? order < 0 : order > 0;
    });
    m_list->Freeze();
    m_list->DeleteAllItems();
    long chosenRow = -1;
    for (std::size_t i = 0; i < m_albums.size(); ++i) {
        const auto& album = m_albums[i];
        const long row = m_list->InsertItem(static_cast<long>(i), album->getName());
        // A hidden album the user asked to see again is greyed.
        if (album->isHidden())
            m_list->SetItemTextColour(row, wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
        if (album->getURI() == m_chosen)
            chosenRow = row;
    }
    updateCounts();
    m_list->Thaw();
    // Something to look at from the start: the first album when none is chosen.
    if (chooseFirst && chosenRow < 0 && !m_albums.empty() &&
        (m_chosen.empty() || !getChosenAlbum())) {
        m_chosen.clear();
        chooseAlbum(m_albums.front()->getURI());
        return;
    }
    if (chosenRow >= 0) {
        m_list->SetItemState(chosenRow, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    } else if (!m_chosen.empty()) {
        chooseAlbum(wxString());
        return;
    }
    updateHeader();
    // The album may have been asked to warn, or no longer to.
    requestUnsafeCount();
}

std::vector<wxString> MyAlbumsPage::getListedNames() const
{
    std::vector<wxString> names;
    for (long i = 0; i < m_list->GetItemCount(); ++i)
        names.push_back(m_list->GetItemText(i));
    return names;
}

Quorvel::Ref<AlbumFolder> MyAlbumsPage::getChosenAlbum() const
{
    for (const auto& album : m_albums) {
        if (album->getURI() == m_chosen)
            return album;
    }
    return nullptr;
}

void MyAlbumsPage::chooseAlbum(const wxString& uri)
{
    const bool changed = uri != m_chosen;
    m_chosen = uri;
    Quorvel::Ref<AlbumFolder> album = getChosenAlbum();
    if (!album)
        m_chosen.clear();
    for (std::size_t i = 0; i < m_albums.size(); ++i) {
        if (m_albums[i]->getURI() == m_chosen)
            m_list->SetItemState(static_cast<long>(i), wxLIST_STATE_SELECTED,
                                 wxLIST_STATE_SELECTED);
    }
    if (changed || !album) {
        m_view->setEmptyText(album ? _("This album is empty. Drag pictures here, or use Get "
                                       "Photos.")
                                   : _("Choose an album on the left, or make one with New "
                                       "Album."));
        try {
            m_view->setFolder(album ? Brenmarle::FolderRef(album) : Brenmarle::FolderRef());
        } catch (const Quorvel::Exception& e) {
            wxLogError(_("Could not show the album: %s"), e.getMessage());
        }
        if (album)
            QDEBUG("[MAINFRAME] Set folder %s", album->getURI());
    }
    updateHeader();
    if (changed)
        showWarning(false, wxString());
    requestUnsafeCount();
    if (changed && m_onChosen)
        m_onChosen();
}

wxString MyAlbumsPage::getHeader() const
{
    return m_header->GetLabel();
}

wxString MyAlbumsPage::getSafeStorageWarning() const
{
    return m_warning->IsShown() ? m_warning->GetLabel() : wxString();
}

void MyAlbumsPage::updateHeader()
{
    Quorvel::Ref<AlbumFolder> album = getChosenAlbum();
    if (!album) {
        m_header->SetLabel(wxString());
        return;
    }
    // A large album's times come from the view's reader, off this thread; its files are not
    // all made.
    int32_t first = 0;
    int32_t last = 0;
    m_view->getTimeRange(first, last);
    const int count = static_cast<int>(m_view->getCount());
    wxString text = album->getName() + wxString::FromUTF8(" \u2014 ") +
                    wxString::Format(wxPLURAL("%d picture", "%d pictures", count), count);
    if (first != 0) {
        const wxString from = wxDateTime(static_cast<time_t>(first)).ToUTC().Format("%b %Y");
        const wxString to = wxDateTime(static_cast<time_t>(last)).ToUTC().Format("%b %Y");
        text += from == to ? ", " + from : wxString::Format(_(", %s to %s"), from, to);
    }
    m_header->SetLabel(text);
}

void MyAlbumsPage::requestUnsafeCount()
{
    Quorvel::Ref<AlbumFolder> album = getChosenAlbum();
    if (!album || !album->hasSafeStorageWarning()) {
        showWarning(false, wxString());
        // A count under way for an album that warned is of no use now.
        m_unsafeCountAgain = false;
        return;
    }
    if (m_unsafeCounting) {
        m_unsafeCountAgain = true;
        return;
    }
    wxString accountId;
    if (auto* configuration = Quorvel::Configuration::get())
        accountId = SafeStorageAccount::accountId(*configuration);
    try {
        if (!m_runner)
            m_runner = std::make_unique<Quorvel::TaskRunnerThread>();
        m_runner->addTask(Quorvel::makeRef<UnsafeCountTask>(album->getURI(), accountId), this);
        m_unsafeCounting = true;
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[MYALBUMSPAGE] %s", e.getMessage());
    }
}

void MyAlbumsPage::onUnsafeCounted(Quorvel::TaskEvent& event)
{
    auto* counted = dynamic_cast<UnsafeCountTask*>(event.getTask().get());
    if (!counted) {
        event.Skip();
        return;
    }
    // Only the answer for the album still chosen, with no news since, is shown.
    Quorvel::Ref<AlbumFolder> album = getChosenAlbum();
    if (!m_unsafeCountAgain && album && album->getURI() == counted->albumUri &&
        album->hasSafeStorageWarning())
        showWarning(counted->count > 0, counted->accountId);
    unsafeCountEnded();
}

void MyAlbumsPage::onUnsafeCountFailed(Quorvel::TaskEvent& event)
{
    if (!dynamic_cast<UnsafeCountTask*>(event.getTask().get())) {
        event.Skip();
        return;
    }
    QDEBUG("[MYALBUMSPAGE] %s", event.getErrorMessage());
    unsafeCountEnded();
}

void MyAlbumsPage::unsafeCountEnded()
{
    m_unsafeCounting = false;
    if (m_unsafeCountAgain) {
        m_unsafeCountAgain = false;
        requestUnsafeCount();
    }
}

void MyAlbumsPage::showWarning(bool warn, const wxString& accountId)
{
    if (warn != m_warning->IsShown()) {
        m_warning->SetLabel(warn ? _("Some of your pictures in this album are not safely stored. "
                                     "The pictures in question are marked red below for your "
                                     "attention.")
                                 : wxString());
        m_warning->SetToolTip(m_warning->GetLabel());
        m_warning->Show(warn);
        Layout();
    }
    // The pictures not stored are framed in red while the warning shows; a picture that
    // became stored loses its frame at once.
    m_view->setMarkNotSafelyStored(warn, accountId);
    if (warn)
        m_view->Refresh();
}

void MyAlbumsPage::onSelected(wxListEvent& event)
{
    const long row = event.GetIndex();
    if (row >= 0 && row < static_cast<long>(m_albums.size()))
        chooseAlbum(m_albums[row]->getURI());
}

void MyAlbumsPage::onRightClick(wxListEvent& event)
{
    const long row = event.GetIndex();
    if (row >= 0 && row < static_cast<long>(m_albums.size())) {
        chooseAlbum(m_albums[row]->getURI());
        if (m_onAlbumMenu)
            m_onAlbumMenu();
    }
}

void MyAlbumsPage::onColumnClick(wxListEvent& event)
{
    if (event.GetColumn() != 0)
        return;
    m_ascending = !m_ascending;
    if (auto* configuration = Quorvel::Configuration::get())
        configuration->getUserConfig().writeBool("AlbumListView/SortAscending", m_ascending);
    refreshAlbums();
}

void MyAlbumsPage::onFolderEvent(Brenmarle::FolderEvent& event)
{
    if (dynamic_cast<AlbumFolder*>(event.getFolder().get()))
        refreshAlbums();
}

void MyAlbumsPage::onFileEvent(Brenmarle::FileEvent&)
{
    // Deleting 10,000 pictures is 10,000 pieces of news: the counts are set once for them, after
    // the album views have heard of it too.
    if (m_countsDue)
        return;
    m_countsDue = true;
    CallAfter([this] {
        m_countsDue = false;
        updateCounts();
        updateHeader();
        requestUnsafeCount();
    });
}

void MyAlbumsPage::updateCounts()
{
    for (std::size_t i = 0; i < m_albums.size() && i < size_t(m_list->GetItemCount()); ++i) {
        int count = 0;
        try {
            count = m_albums[i]->getFileCount();
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[MYALBUMSPAGE] %s", e.getMessage());
        }
        const wxString text = wxString::Format("%d", count);
        const long row = static_cast<long>(i);
        if (m_list->GetItemText(row, 1) != text)
            m_list->SetItem(row, 1, text);
    }
}
