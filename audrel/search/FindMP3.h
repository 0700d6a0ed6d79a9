#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FastTagSearch.h"
#include "Masks.h"
#include "ReadAhead.h"

class TMPEGaudio;

// One directory entry as readdir reported it. Size and time stamp are left out on purpose:
// readdir does not deliver them and a stat per entry would double the cost of a walk.
struct TDirEntry {
    std::string Name;       // bytes as the file system holds them, without path
    unsigned char Type = 0; // the DT_* value (DT_UNKNOWN already resolved by fstatat)
    uint64_t Inode = 0;
    bool IsFolder() const;
};

// The description of the entry being processed; overwritten for every entry.
struct TFindMP3Info {
    TDirEntry Entry;
    std::string FullPath; // Folder + relative folder path + name
    int32_t Duration = 0; // whole seconds
    std::string TitleV1;
    std::string TitleV2;
    std::string AlbumV1;
    std::string AlbumV2;
    std::string ArtistV1;
    std::string ArtistV2;
    // The same six fields whole, in UTF-8 (ID3v1 through the code page): what the window shows
    // and writes, with nothing the code page lacks turned into "?". Filled for hits only.
    std::string ArtistV1Text;
    std::string TitleV1Text;
    std::string AlbumV1Text;
    std::string ArtistV2Text;
    std::string TitleV2Text;
    std::string AlbumV2Text;
};

// Verdict on the current entry (the stored numbers; 2 is not used).
enum TFindStatus : uint8_t {
    fsHit = 0,
    fsNoHit = 1,
    fsNotAudio = 3,
    fsStarted = 4,
};

class TFindMP3;
using TFindNotify = std::function<void(TFindMP3& sender)>;
using TFindFound = std::function<void(TFindMP3& sender, const TFindMP3Info& info)>;

// Hands `call` to the owner's thread to run there later, and returns at once. With `soon` the
// owner runs it at its next chance; otherwise it may wait a few milliseconds, so that calls
// posted close together run in one turn of its event loop.
using TPost = std::function<void(std::function<void()> call, bool soon)>;

// Blocks the owner's thread until `done` is true while it keeps running the calls posted to
// that thread; `done` turns true only inside such a call, so asking it after each call is
// enough (the window runs a local event loop here).
using TWait = std::function<void(const std::function<bool()>& done)>;

// The folder walk of one search on its own worker thread.
//
// Life cycle: the owner creates the engine, configures it (setters and public members, only
// before Start), and calls Start. The worker walks the tree and calls OnFolder, OnFound and
// finally OnFinished. The owner keeps the engine in a std::unique_ptr and releases it once
// OnFinished has returned (the window at its next Start or its close; the tool after
// WaitUntilFinished). The destructor stops the walk and waits for the worker (serving
// notifications through the owner's wait), then joins it, so destroying the engine early is
// safe too. Never destroy the engine from inside one of its notifications.
//
// Without a hand-off the notifications run on the worker thread, which has a current folder of
// its own (the folder being searched), so they must not rely on relative paths. With a
// hand-off (SetHandOff) they run on the owner's thread, each with the engine showing exactly
// the state in which the worker reached it: FileCount, FolderCount, CurrentFolder, Status and
// Info are those of that moment of the walk, as if the worker had stopped there until the
// notification returned. The worker does not stop there: it records that state in a queue of
// bounded length and walks on, and the owner's thread takes the records in walk order, a batch
// at a time. A Stop drops the records behind it, and OnFinished then shows the counters of the
// last notification that ran (or the worker's own, when none was dropped); so nothing is
// reported once Stop has returned, and the counters stay exact. A notification that throws
// ends the search the same way, with its message as ErrorText.
class TFindMP3 {
public:
    TFindMP3();
    ~TFindMP3();
    TFindMP3(const TFindMP3&) = delete;
    TFindMP3& operator=(const TFindMP3&) = delete;

    // Mask: the given one when it is at least 5 characters long and ends in ".mp3" (any case),
    // normalised; anything else becomes "*.mp3".
    void SetMask(const std::string& mask);
    // Folder: an empty text becomes the user's home folder; a "/" is appended when missing.
    void SetFolder(const std::string& folder);
    void SetSubFolders(bool on) { m_subFolders = on; }
    // How notifications reach the owner and how the owner serves them while it waits. The
    // worker's last record is always posted (it runs OnFinished, if set), and ends the owner's
    // wait.
    void SetHandOff(TPost post, TWait wait = {});

    // Collapses every run of wildcards holding a '*' into one '*'; runs of '?' stay.
    static std::string NormalizeMask(const std::string& mask);
    // The user's home folder, ending in "/".
    static std::string HomeFolder();

    const std::string& Mask() const { return m_mask; }
    const std::string& Folder() const { return m_folder; }
    bool SubFolders() const { return m_subFolders; }

    // Lets the worker run; returns at once. A second call does nothing.
    void Start();
    // Asks the walk to end before its next entry; callable from any thread.
    void Stop() { m_stopRequested.store(true, std::memory_order_relaxed); }
    // Blocks until the worker has ended (OnFinished included), serving its notifications
    // through the owner's wait meanwhile. Returns at once when Start was never called.
    void WaitUntilFinished();
    bool Finished() const;

    // Readable from inside the notifications (and by the owner once the worker has ended).
    int32_t FileCount() const { return m_post ? m_shown.fileCount : m_fileCount; }
    int32_t FolderCount() const { return m_post ? m_shown.folderCount : m_folderCount; }
    const std::string& CurrentFolder() const { return m_post ? m_shown.folder : m_currentFolder; }
    const TFindMP3Info& Info() const { return m_post ? *m_shown.info : m_info; }
    TFindStatus Status() const { return m_post ? m_shown.status : m_status; }
    // The message of an error that ended the walk early (an invalid mask, say); empty after
    // a normal end or a stop. The window shows nothing; the tool reports it.
    const std::string& ErrorText() const { return m_post ? m_shown.errorText : m_errorText; }

    bool FastSearch = true;
    std::string FastText;
    // The fast-search text as typed, whole in UTF-8; when set it stands for FastText, which
    // then only tells whether there is one.
    std::string FastUnicode;
    std::string ArtistText;
    std::string TitleText;
    std::string AlbumText;
    // A detail criterion as typed, whole in UTF-8; when set it stands for the code-page one
    // above. It is looked for in the Unicode text of the ID3v2 fields, and its code-page form
    // in the ID3v1 fields unless the code page cannot hold it (a "?" in its place would find
    // every "?" of an ID3v1 tag).
    std::string ArtistUnicode;
    std::string TitleUnicode;
    std::string AlbumUnicode;
    TFindFound OnFound;
    TFindNotify OnFolder;
    TFindNotify OnFinished;
    // Whether a helper thread asks the kernel for the next files ahead of the walk.
    TReadAheadMode ReadAhead = TReadAheadMode::Auto;

    // How many notifications the worker may be ahead of the owner's thread.
    static constexpr size_t QueueLength = 1024;

private:
    struct Walker;

    // The state one notification shows; see the class comment.
    struct Record {
        enum Kind : uint8_t { Folder, Found, Last };
        Kind kind = Last;
        int32_t fileCount = 0;
        int32_t folderCount = 0;
        TFindStatus status = fsStarted;
        std::string folder;                 // Folder records
        std::unique_ptr<TFindMP3Info> info; // Found records
        std::string errorText;              // the Last record
    };

    void Execute();
    void Walk();
    void EnterFolder();
    void Notify(Record::Kind kind);
    void Emit(Record::Kind kind);
    void PostDrain(bool soon);
    void Drain();
    void Finish(Record& last);
    void ProcessFile(int dirFd, const TDirEntry& entry);
    void PrepareCriteria();
    bool DetailHit() const;
    void FillTexts();

    int32_t m_fileCount = 0;
    int32_t m_folderCount = 0;
    bool m_subFolders = true;
    std::unique_ptr<TMPEGaudio> m_analyser;
    std::string m_mask = "*.*";
    std::string m_folder;
    std::unique_ptr<TFastTAGSearch> m_fastTagSearch;
    std::string m_currentFolder;
    TFindMP3Info m_info;
    // One detail criterion as the walk compares it: the code-page form against ID3v1 (empty
    // when the code page cannot hold the text), the UTF-8 form against ID3v2.
    struct Criterion {
        std::string codePage;
        std::string utf8;
    };
    std::array<Criterion, 3> m_criteria; // title, album, artist
    TFindStatus m_status = fsStarted;
    std::string m_errorText;

    std::optional<TMask> m_compiledMask;
    std::exception_ptr m_maskError;
    std::unique_ptr<Walker> m_walker;
    std::unique_ptr<TReadAhead> m_readAhead;

    TPost m_post;
    TWait m_wait;
    std::atomic<bool> m_stopRequested{false};
    // The queue of records: written by the worker at m_tail, read by the owner at m_head.
    std::vector<Record> m_queue;
    std::atomic<uint64_t> m_head{0};
    std::atomic<uint64_t> m_tail{0};
    std::atomic<bool> m_workerWaitsForRoom{false};
    std::condition_variable m_room;
    std::atomic<int> m_drainPosted{0}; // 0 none, 1 posted, 2 posted to run soon
    // The state the notifications show, on the owner's thread.
    struct Shown {
        int32_t fileCount = 0;
        int32_t folderCount = 0;
        TFindStatus status = fsStarted;
        std::string folder;
        std::unique_ptr<TFindMP3Info> info = std::make_unique<TFindMP3Info>();
        std::string errorText;
        bool dropped = false; // a stop dropped records
        std::exception_ptr handlerError;
    } m_shown;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_ended = false;
    std::atomic<bool> m_lastShown{false};
    // What a posted call reaches: this engine until it is destroyed, then nothing.
    std::shared_ptr<TFindMP3*> m_self;
};
