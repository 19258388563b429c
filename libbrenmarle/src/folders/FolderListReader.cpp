#include "folders/FolderListReader.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/FolderListEvent.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

FolderListReader::FolderListReader(Database& database, const wxString& folderUri,
                                   wxEvtHandler* handler, int serial)
    : m_database(database), m_folderUri(folderUri.wc_str()), m_handler(handler), m_serial(serial)
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        throw Quorvel::RuntimeException(
            wxString::Format("Could not start reading %s: %s", folderUri, e.what()));
    }
}

FolderListReader::~FolderListReader()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void FolderListReader::cancel()
{
    std::lock_guard<std::mutex> lock(m_postMutex);
    m_cancelled = true;
}

std::vector<int64_t> FolderListReader::listRowIds(Database& database, const wxString& folderUri,
                                                  const std::atomic<bool>* cancelled)
{
    std::vector<int64_t> rowids;
    wxString after = folderUri;
    while (!(cancelled && cancelled->load())) {
        Database::FolderRowsStep step = database.getFolderRowIds(folderUri, after, LIST_STEP);
        rowids.insert(rowids.end(), step.rowids.begin(), step.rowids.end());
        if (step.lastUri.empty())
            break;
        after = step.lastUri;
    }
    // Rowids grow as files arrive: sorted, they give the folder's order.
    std::sort(rowids.begin(), rowids.end());
    return rowids;
}

FolderListReader::Files FolderListReader::readFiles(Database& database, const wxString& folderUri,
                                                    const std::vector<int64_t>& rowids)
{
    LibraryLock lock;
    FileManager& manager = FileManager::get();
    Files fresh;
    Files files = database.loadFolderFiles(
        folderUri, rowids,
        [&manager](const Quorvel::CompactString& uri) { return manager.findFile(uri); }, fresh);
    manager.registerFiles(fresh);
    return files;
}

bool FolderListReader::post(Files files, bool last, const wxString& error)
{
    // The library lock first, as everyone takes it before their own locks: batches and the
    // file manager's news (posted under it) reach the handler in the order they happened.
    LibraryLock library;
    std::lock_guard<std::mutex> lock(m_postMutex);
    if (m_cancelled)
        return false;
    wxQueueEvent(m_handler, new FolderListEvent(m_serial, std::move(files), last, error));
    return true;
}

void FolderListReader::run()
{
    try {
        const std::vector<int64_t> rowids = listRowIds(m_database, m_folderUri, &m_cancelled);
        Files batch;
        std::size_t next = 0;
        do {
            const std::size_t wanted = m_batches == 0 ? FIRST_BATCH : BATCH;
            const std::size_t end =
                std::min({rowids.size(), next + STEP, next + (wanted - batch.size())});
            const std::vector<int64_t> step(rowids.begin() + static_cast<long>(next),
                                            rowids.begin() + static_cast<long>(end));
            next = end;
            {
                // Read and posted under one hold of the lock: no news about these files can
                // come between their reading and their batch.
                LibraryLock lock;
                if (m_cancelled)
                    return;
                Files files = readFiles(m_database, m_folderUri, step);
                batch.insert(batch.end(), files.begin(), files.end());
                const bool last = next == rowids.size();
                if (last || batch.size() >= wanted) {
                    ++m_batches;
                    if (!post(std::move(batch), last))
                        return;
                    batch = Files();
                }
            }
            // A waiting thread gets the lock now: the worker would otherwise take it again
            // before the other thread has woken.
            std::this_thread::sleep_for(PAUSE);
        } while (next < rowids.size());
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[FOLDERLISTREADER] Reading %s failed: %s", m_folderUri, e.getMessage());
        post(Files(), true, e.getMessage());
    } catch (const std::exception& e) {
        QDEBUG("[FOLDERLISTREADER] Reading %s failed: %s", m_folderUri, e.what());
        post(Files(), true, wxString::FromUTF8(e.what()));
    }
}

} // namespace Brenmarle
