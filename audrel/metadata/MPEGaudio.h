#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "ID3v1.h"
#include "ID3v2.h"

class TFileReader;

// The first confirmed MPEG audio frame of a file.
struct FrameInfo {
    bool Found = false;
    int64_t Offset = 0; // position of the header in the search buffer
    uint16_t FrameSize = 0;
    bool ZeroSideInfo = false; // the 6 bytes behind the header are all zero
    std::array<uint8_t, 4> HeaderBytes{};
    uint8_t VersionIndex = 1;
    uint8_t LayerIndex = 0;
    bool HasCRC = false;
    uint16_t BitRateIndex = 0;
    uint16_t SampleRateIndex = 3;
    bool Padded = false;
    bool PrivateFlag = false;
    uint8_t ModeIndex = 4;
    uint8_t ModeExtension = 4;
    bool CopyrightFlag = false;
    bool OriginalFlag = false;
    uint8_t EmphasisIndex = 2;
};

// A Xing or VBRI variable-bit-rate header.
struct VBRData {
    bool Found = false;
    std::string Kind; // "Xing", "VBRI" or empty
    int32_t FrameCount = 0;
    int32_t ByteCount = 0;
    uint8_t Quality = 0;
    std::string VendorText;
};

// The description of one audio file: its first MPEG frame, VBR header, playing time,
// encoder guess and validity, with both of its tags.
class TMPEGaudio {
public:
    static constexpr size_t SearchBufferSize = 3458;

    TMPEGaudio();
    ~TMPEGaudio();
    TMPEGaudio(const TMPEGaudio&) = delete;
    TMPEGaudio& operator=(const TMPEGaudio&) = delete;

    void Reset();
    bool ReadFromFile(const std::string& fileName);

    int64_t FileLength() const { return m_fileLength; }
    const std::string& TailVendor() const { return m_tailVendor; }
    const VBRData& VBR() const { return m_vbr; }
    const FrameInfo& Frame() const { return m_frame; }

    std::string Version() const;
    std::string Layer() const;
    std::string ChannelMode() const;
    std::string Emphasis() const;
    uint16_t BitRate() const;
    uint16_t SampleRate() const;
    double Duration() const;
    uint8_t EncoderID() const;
    std::string Encoder() const;
    bool Valid() const;

    TID3v1& ID3v1() { return *m_id3v1; }
    const TID3v1& ID3v1() const { return *m_id3v1; }
    TID3v2& ID3v2() { return *m_id3v2; }
    const TID3v2& ID3v2() const { return *m_id3v2; }

private:
    // The frame searches and the tail read over the open file; false on a failed read.
    bool Analyse(TFileReader& reader);
    uint8_t VBREncoder() const;
    uint8_t CBREncoder() const;

    int64_t m_fileLength = 0;
    std::string m_tailVendor;
    VBRData m_vbr;
    FrameInfo m_frame;
    std::unique_ptr<TID3v1> m_id3v1;
    std::unique_ptr<TID3v2> m_id3v2;
    std::unique_ptr<TFileReader> m_reader;
};
