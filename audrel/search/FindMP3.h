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

// Runs `call` wherever the owner wants its notifications to run and returns only after it
// has run. The window's hand-off runs it on the user-interface thread
// (Qt::BlockingQueuedConnection); without a hand-off the worker calls directly.
using THandOff = std::function<void(const std::function<void()>& call)>;

// Blocks the owner's thread until `done` is true while it keeps running the calls that the
// hand-off passes to that thread; `done` turns true only inside such a call, so asking it after
// each call is enough (the window runs a local event loop here).
using TWait = std::function<void(const std::function<bool()>& done)>;

// The folder walk of one search on its own worker thread.
//
// Life cycle: the owner creates the engine, configures it (setters and public members, only
// before Start), and calls Start. The worker walks the tree and calls OnFolder, OnFound and
// finally OnFinished through the hand-off, waiting for each. The owner keeps the engine in a
// std::unique_ptr and releases it once OnFinished has returned (the window at its next Start
// or its close; the tool after WaitUntilFinished). The destructor stops the walk and waits for
// the worker (serving notifications through the owner's wait), then joins it, so destroying
// the engine early is safe too. Never destroy the engine from inside one of its notifications. The
// worker thread has a current folder of its own (the folder being searched), so notifications
// called directly on it must not rely on relative paths.
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
    // How notifications reach the owner and how the owner serves them while it waits. With a
    // hand-off the worker's last act is one more hand-off (of OnFinished, or of nothing),
    // which ends the owner's wait.
    void SetHandOff(THandOff handOff, TWait wait = {});

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
    int32_t FileCount() const { return m_fileCount; }
    int32_t FolderCount() const { return m_folderCount; }
    const std::string& CurrentFolder() const { return m_currentFolder; }
    const TFindMP3Info& Info() const { return m_info; }
    TFindStatus Status() const { return m_status; }
    // The message of an error that ended the walk early (an invalid mask, say); empty after
    // a normal end or a stop. The window shows nothing; the tool reports it.
    const std::string& ErrorText() const { return m_errorText; }

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

private:
    struct Walker;

    void Execute();
    void Walk();
    void EnterFolder();
    void Notify(const std::function<void()>& call) { m_handOff ? m_handOff(call) : call(); }
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

    THandOff m_handOff;
    TWait m_wait;
    std::function<void()> m_foundCall;
    std::atomic<bool> m_stopRequested{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_ended = false;
    std::atomic<bool> m_lastHandOffRun{false};
};
