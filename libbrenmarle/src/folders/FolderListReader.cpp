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
                                   wxEvtHandler* handler, int serial, Mode mode)
    : m_database(database), m_folderUri(folderUri.wc_str()), m_handler(handler), m_serial(serial),
      m_mode(mode)
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

void FolderListReader::readTimes(Database& database, const wxString& folderUri, int32_t& firstTime,
                                 int32_t& lastTime, const std::atomic<bool>* cancelled)
{
    firstTime = 0;
    lastTime = 0;
    wxString after = folderUri;
    while (!(cancelled && cancelled->load())) {
        const Database::FolderTimesStep step = database.getFolderTimes(folderUri, after, LIST_STEP);
        if (step.firstTime != 0) {
            firstTime = firstTime == 0 ? step.firstTime : std::min(firstTime, step.firstTime);
            lastTime = std::max(lastTime, step.lastTime);
        }
        if (step.lastUri.empty())
            break;
        after = step.lastUri;
        // Each step reads rows, not only the key: a thread waiting for the lock gets it between.
        std::this_thread::sleep_for(PAUSE);
    }
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

bool FolderListReader::post(std::unique_ptr<FolderListEvent> event)
{
    // The library lock first, as everyone takes it before their own locks: batches and the
    // file manager's news (posted under it) reach the handler in the order they happened.
    LibraryLock library;
    std::lock_guard<std::mutex> lock(m_postMutex);
    if (m_cancelled)
        return false;
    wxQueueEvent(m_handler, event.release());
    return true;
}

void FolderListReader::postError(const wxString& error)
{
    if (m_mode == Mode::Rows)
        post(
            std::make_unique<FolderListEvent>(m_serial, std::vector<int64_t>(), 0, 0, true, error));
    else
        post(std::make_unique<FolderListEvent>(m_serial, Files(), true, error));
}

void FolderListReader::run()
{
    try {
        if (m_mode == Mode::Rows)
            runRows();
        else
            runFiles();
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[FOLDERLISTREADER] Reading %s failed: %s", m_folderUri, e.getMessage());
        postError(e.getMessage());
    } catch (const std::exception& e) {
        QDEBUG("[FOLDERLISTREADER] Reading %s failed: %s", m_folderUri, e.what());
        postError(wxString::FromUTF8(e.what()));
    }
}

void FolderListReader::runRows()
{
    std::vector<int64_t> rowids = listRowIds(m_database, m_folderUri, &m_cancelled);
    if (m_cancelled ||
        !post(std::make_unique<FolderListEvent>(m_serial, std::move(rowids), 0, 0, false)))
        return;
    int32_t firstTime = 0;
    int32_t lastTime = 0;
    readTimes(m_database, m_folderUri, firstTime, lastTime, &m_cancelled);
    if (!m_cancelled)
        post(std::make_unique<FolderListEvent>(m_serial, std::vector<int64_t>(), firstTime,
                                               lastTime, true));
}

void FolderListReader::runFiles()
{
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
                if (!post(std::make_unique<FolderListEvent>(m_serial, std::move(batch), last)))
                    return;
                batch = Files();
            }
        }
        // A waiting thread gets the lock now: the worker would otherwise take it again
        // before the other thread has woken.
        std::this_thread::sleep_for(PAUSE);
    } while (next < rowids.size());
}

} // namespace Brenmarle
