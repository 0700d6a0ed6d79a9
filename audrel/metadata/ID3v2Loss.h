#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ID3v2.h"

// What saving the editor's fields would drop from a file's ID3v2 tag. The save writes a
// version 2.3.0 tag holding only the twelve fields, so every other frame goes, and so does a
// repeated frame of the twelve (the reader shows the last one only); a tag of another version
// is replaced whole. Read-only: nothing here writes.
struct TID3v2Loss {
    uint8_t Version = 0;         // the tag's major version; 0 without a tag the save replaces
    int DroppedFrames = 0;       // frames of a version 2.3 tag that the fields do not carry
    bool DroppedPicture = false; // an attached picture is among them

    // True when the save loses anything the file's tag holds.
    bool LosesData() const { return Version != 0 && (Version != 3 || DroppedFrames > 0); }
};

// The loss for a file of fileSize bytes read through read (the tag and a little behind it).
TID3v2Loss SurveyID3v2Loss(const TID3v2::ReadAt& read, int64_t fileSize);
// The same over the bytes of a whole file, or of its head with the file's size.
TID3v2Loss SurveyID3v2Loss(std::string_view bytes, int64_t fileSize);
// The same for a file; an unreadable file gives no loss (its save fails on its own).
TID3v2Loss SurveyID3v2Loss(const std::string& fileName);
