#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ID3v2.h"

// What saving the editor's fields would drop from a file's ID3v2 tag. A save keeps every frame
// it does not set; what it cannot keep is a version 2.2 frame without a version 2.3 form (the
// tag becomes a 2.3 one), and a tag of a version whose frames cannot be read at all, which is
// replaced whole. Read-only: nothing here writes.
struct TID3v2Loss {
    uint8_t Version = 0;        // the tag's major version; 0 without a tag the save replaces
    bool ReplacedWhole = false; // a tag whose frames cannot be read (another version)
    int DroppedFrames = 0;      // frames of a version 2.2 tag without a version 2.3 form

    // True when the save loses anything the file's tag holds.
    bool LosesData() const { return ReplacedWhole || DroppedFrames > 0; }
};

// The loss for a file of fileSize bytes read through read (the tag and a little behind it).
TID3v2Loss SurveyID3v2Loss(const TID3v2::ReadAt& read, int64_t fileSize);
// The same over the bytes of a whole file, or of its head with the file's size.
TID3v2Loss SurveyID3v2Loss(std::string_view bytes, int64_t fileSize);
// The same for a file; an unreadable file gives no loss (its save fails on its own).
TID3v2Loss SurveyID3v2Loss(const std::string& fileName);
