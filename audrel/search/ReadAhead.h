#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "Masks.h"

// When the helper thread runs: once the files keep waiting on the disk (a cold cache), from
// the start, or never.
enum class TReadAheadMode : uint8_t { Auto, Always, Never };

// Tells the kernel which file bytes a search will want next, so that the disk fetches several
// files at once while the search analyses one. A helper thread walks the same tree in the same
// order a little ahead of the search and, for each regular file matching the mask, asks for
// its head and tail with posix_fadvise. It only asks: the search reads exactly the bytes it
// read before, and no result depends on the helper. It opens nothing the search would not:
// folders it enters (never through a link) and regular files matching the mask; FIFOs,
// devices and sockets are skipped by their type, before any open.
class TReadAhead {
public:
    // At most this many matching files ahead of the search, each asked for the stretches the
    // analyser's reader fetches first (its 16 KiB head and 4 KiB tail): 640 KiB at most in
    // flight. Asking for more of the head (to cover large tags) measured slower on a cold
    // cache: the disk then also reads the pictures.
    static constexpr uint32_t WindowFiles = 32;
    // In Auto mode the helper starts after this many files in a row took this long each:
    // far more than a file served from the page cache, far less than one read from a disk.
    static constexpr std::chrono::microseconds SlowFile{150};
    static constexpr int SlowRun = 3;
    // Beyond this many open folders the helper gives up; the search goes on alone.
    static constexpr size_t MaxDepth = 64;

    TReadAhead(std::string folder, bool subFolders, const std::string& mask, TReadAheadMode mode);
    ~TReadAhead();
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The search has finished its next file matching the mask, in walk order, after `spent`.
    void Passed(std::chrono::nanoseconds spent);
    // Starts the helper now (nothing when it runs already, was stopped, or the mode is Never).
    void Start();
    // Ends the helper and waits for it. The search calls it when its walk ends, so no helper
    // outlives a search.
    void Stop();
    // The helper has walked the whole tree, or given up.
    bool WalkEnded() const { return m_walkEnded.load(std::memory_order_acquire); }

private:
    struct Walk;

    void Run();
    void WalkAhead();
    // Waits until file `index` is within the window; false when the helper must end.
    bool WaitForWindow(uint32_t index);
    static void Hint(int dirFd, const char* name, unsigned char type);

    std::string m_folder;
    bool m_subFolders;
    std::optional<TMask> m_mask;
    TReadAheadMode m_mode;
    int m_slowRun = 0;
    bool m_stopped = false;
    // Files the search has finished; Stop also bumps it to wake a waiting helper.
    std::atomic<uint32_t> m_passed{0};
    // The count of m_passed at which a waiting helper wants to be woken.
    std::atomic<uint32_t> m_wakeAt{0};
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_walkEnded{false};
    std::thread m_thread;
};
