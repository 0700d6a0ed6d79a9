#include "MPEGaudio.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

#include "FileReader.h"

namespace {

constexpr std::array<const char*, 4> VersionNames = {"MPEG 2.5", "MPEG ?", "MPEG 2", "MPEG 1"};
constexpr std::array<const char*, 4> LayerNames = {"Layer ?", "Layer III", "Layer II", "Layer I"};
constexpr std::array<const char*, 5> ModeNames = {"Stereo", "Joint Stereo", "Dual Channel", "Mono",
                                                  "Unknown"};
constexpr std::array<const char*, 4> EmphasisNames = {"None", "50/15 ms", "Unknown", "CCIT J.17"};
constexpr std::array<const char*, 7> EncoderNames = {"Unknown", "Xing", "FhG",  "LAME",
                                                     "Blade",   "GoGo", "Shine"};

constexpr uint8_t MPEG1 = 3;
constexpr uint8_t LayerIII = 1, LayerI = 3;

// kbit/s by [MPEG 1?][layer index][bit-rate index]; MPEG 2.5 uses the MPEG 2 rows.
constexpr uint16_t BitRates[2][4][16] = {
    {
        {},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    },
    {
        {},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    },
};

// Hz by [version index][sampling-rate index].
constexpr uint16_t SampleRates[4][4] = {
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
};

constexpr size_t BufferSize = TMPEGaudio::SearchBufferSize;
constexpr size_t CandidatePositions = 1730;
constexpr size_t TailWindowStart = 3450;
using SearchBuffer = std::array<uint8_t, BufferSize>;

bool IsFrameHeader(const uint8_t* b) {
    return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && ((b[1] >> 3) & 3) != 1 &&
           ((b[1] >> 1) & 3) != 0 && (b[2] >> 4) != 15 && (b[2] >> 4) != 0 &&
           ((b[2] >> 2) & 3) != 3 && (b[3] & 3) != 2;
}

// The header at pos, when all 4 of its bytes lie inside the buffer.
bool IsFrameHeaderAt(const SearchBuffer& buffer, int64_t pos) {
    return pos >= 0 && pos + 4 <= static_cast<int64_t>(buffer.size()) &&
           IsFrameHeader(buffer.data() + pos);
}

void DecodeHeader(const uint8_t* b, FrameInfo& frame) {
    std::memcpy(frame.HeaderBytes.data(), b, 4);
    frame.VersionIndex = (b[1] >> 3) & 3;
    frame.LayerIndex = (b[1] >> 1) & 3;
    frame.HasCRC = (b[1] & 1) == 0;
    frame.BitRateIndex = b[2] >> 4;
    frame.SampleRateIndex = (b[2] >> 2) & 3;
    frame.Padded = (b[2] & 2) != 0;
    frame.PrivateFlag = (b[2] & 1) != 0;
    frame.ModeIndex = b[3] >> 6;
    frame.ModeExtension = (b[3] >> 4) & 3;
    frame.CopyrightFlag = (b[3] & 8) != 0;
    frame.OriginalFlag = (b[3] & 4) != 0;
    frame.EmphasisIndex = b[3] & 3;
}

int TableBitRate(const FrameInfo& frame) {
    if (frame.VersionIndex == 1 || frame.LayerIndex == 0 || frame.BitRateIndex > 15)
        return 0;
    return BitRates[frame.VersionIndex == MPEG1 ? 1 : 0][frame.LayerIndex][frame.BitRateIndex];
}

int TableSampleRate(const FrameInfo& frame) {
    if (frame.VersionIndex > 3 || frame.SampleRateIndex > 3)
        return 0;
    return SampleRates[frame.VersionIndex][frame.SampleRateIndex];
}

// Bytes per frame for each kbit/s per Hz: an eighth of the samples a frame holds. Layer I and
// II frames hold 384 and 1152 samples in every version; only MPEG 2 and 2.5 Layer III halve it.
int SampleCoefficient(const FrameInfo& frame) {
    if (frame.LayerIndex == LayerI)
        return 48;
    if (frame.LayerIndex == LayerIII && frame.VersionIndex != MPEG1)
        return 72;
    return 144;
}

int PaddingSize(const FrameInfo& frame) {
    if (!frame.Padded)
        return 0;
    return frame.LayerIndex == LayerI ? 4 : 1;
}

int64_t FrameLength(const FrameInfo& frame) {
    const int64_t rate = TableSampleRate(frame);
    if (rate == 0)
        return 0;
    const int64_t bits = int64_t{TableBitRate(frame)} * 1000;
    // Layer I frames are counted in 4-byte slots.
    if (frame.LayerIndex == LayerI)
        return (12 * bits / rate + (frame.Padded ? 1 : 0)) * 4;
    return SampleCoefficient(frame) * bits / rate + PaddingSize(frame);
}

int XingOffset(const FrameInfo& frame) {
    const bool mono = frame.ModeIndex == 3;
    if (frame.VersionIndex == MPEG1)
        return mono ? 21 : 36;
    return mono ? 13 : 21;
}

int32_t BigEndian32(const uint8_t* b) {
    const uint32_t v =
        (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    return static_cast<int32_t>(v);
}

void ReadXing(const uint8_t* h, VBRData& vbr) {
    vbr.Found = true;
    vbr.Kind = "Xing";
    vbr.FrameCount = BigEndian32(h + 8);
    vbr.ByteCount = BigEndian32(h + 12);
    vbr.Quality = h[119];
    vbr.VendorText.assign(reinterpret_cast<const char*>(h + 120), 8);
}

void ReadVBRI(const uint8_t* h, VBRData& vbr) {
    vbr.Found = true;
    vbr.Kind = "VBRI";
    vbr.Quality = h[9];
    vbr.ByteCount = BigEndian32(h + 10);
    vbr.FrameCount = BigEndian32(h + 14);
    vbr.VendorText.clear();
}

// The header lies within the first 1730 + 36 + 128 bytes of the buffer, so all of it is inside.
static_assert(CandidatePositions + 36 + 128 <= BufferSize);
VBRData DetectVBRHeader(const uint8_t* h) {
    VBRData vbr;
    if (std::memcmp(h, "Xing", 4) == 0)
        ReadXing(h, vbr);
    else if (std::memcmp(h, "VBRI", 4) == 0)
        ReadVBRI(h, vbr);
    return vbr;
}

// Looks for a header whose successor one frame length further on is a header too.
FrameInfo FindFrame(const SearchBuffer& buffer, VBRData& vbr) {
    for (size_t p = 0; p < CandidatePositions; ++p) {
        // Every header starts with 0xFF: go straight to the next one (a file that is not
        // audio is searched through twice).
        const void* sync = std::memchr(buffer.data() + p, 0xFF, CandidatePositions - p);
        if (!sync)
            break;
        const auto* at = static_cast<const uint8_t*>(sync);
        p = static_cast<size_t>(at - buffer.data());
        if (!IsFrameHeader(at))
            continue;
        FrameInfo candidate;
        DecodeHeader(at, candidate);
        const int64_t length = FrameLength(candidate);
        if (!IsFrameHeaderAt(buffer, static_cast<int64_t>(p) + length))
            continue;
        candidate.Found = true;
        candidate.Offset = static_cast<int64_t>(p);
        candidate.FrameSize = static_cast<uint16_t>(length);
        candidate.ZeroSideInfo = std::all_of(at + 4, at + 10, [](uint8_t b) { return b == 0; });
        vbr = DetectVBRHeader(at + XingOffset(candidate));
        return candidate;
    }
    return FrameInfo{};
}

// "LAME" and the 4 bytes behind it fit in the buffer even at the window's start.
static_assert(TailWindowStart + 8 <= BufferSize);
// The last position in [low, high] where the four bytes of word start, or -1. memrchr finds
// candidates for the first letter quickly; this runs for every constant-bit-rate file.
int64_t LastWordAt(const SearchBuffer& buffer, int64_t low, int64_t high, const char* word) {
    int64_t end = high + 1;
    while (end > low) {
        const void* hit = ::memrchr(buffer.data() + low, word[0], static_cast<size_t>(end - low));
        if (!hit)
            return -1;
        const int64_t pos = static_cast<const uint8_t*>(hit) - buffer.data();
        if (std::memcmp(buffer.data() + pos, word, 4) == 0)
            return pos;
        end = pos;
    }
    return -1;
}

// The window moves from TailWindowStart towards the buffer start for 2 x frameSize steps; the
// first "LAME" or "GOGO" it meets wins.
std::string FindTailVendor(const SearchBuffer& buffer, int64_t frameSize) {
    const int64_t high = static_cast<int64_t>(TailWindowStart);
    const int64_t low = std::max<int64_t>(0, high - 2 * frameSize);
    const int64_t lame = LastWordAt(buffer, low, high, "LAME");
    const int64_t gogo = LastWordAt(buffer, low, high, "GOGO");
    if (lame >= 0 && lame > gogo)
        return std::string(reinterpret_cast<const char*>(buffer.data() + lame), 8);
    if (gogo >= 0)
        return "GOGO";
    return {};
}

// Reads up to a buffer's worth at offset; bytes not filled count as zero. -1 on failure.
int64_t FillBuffer(TFileReader& reader, int64_t offset, SearchBuffer& buffer) {
    if (offset < 0)
        return -1;
    const int64_t got = reader.ReadAt(offset, buffer.data(), buffer.size());
    std::fill(buffer.begin() + std::max<int64_t>(got, 0), buffer.end(), uint8_t{0});
    return got;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

TMPEGaudio::TMPEGaudio()
    : m_id3v1(std::make_unique<TID3v1>()), m_id3v2(std::make_unique<TID3v2>()),
      m_reader(std::make_unique<TFileReader>()) {}

TMPEGaudio::~TMPEGaudio() = default;

void TMPEGaudio::Reset() {
    m_fileLength = 0;
    m_tailVendor.clear();
    m_vbr = VBRData{};
    m_frame = FrameInfo{};
    m_id3v1->Reset();
    m_id3v2->Reset();
}

bool TMPEGaudio::ReadFromFile(const std::string& fileName) {
    Reset();
    // One open file serves both tags and the frame search; the reader fetches the head and
    // the tail of the file once each, into buffers kept for the next file.
    TFileReader& reader = *m_reader;
    bool result = false;
    if (reader.Open(fileName) && m_id3v1->ReadFromFile(reader) && m_id3v2->ReadFromFile(reader))
        result = Analyse(reader);
    reader.Close();
    if (!m_frame.Found)
        Reset();
    return result;
}

bool TMPEGaudio::Analyse(TFileReader& reader) {
    m_fileLength = reader.Size();
    const int64_t audioStart = m_id3v2->Size();

    SearchBuffer buffer;
    const int64_t got = FillBuffer(reader, audioStart, buffer);
    if (got < 0)
        return false;
    m_frame = FindFrame(buffer, m_vbr);

    // Junk before the audio: try once more from the middle of the file.
    if (!m_frame.Found && got == static_cast<int64_t>(buffer.size())) {
        if (FillBuffer(reader, (m_fileLength - audioStart) / 2, buffer) < 0)
            return false;
        m_frame = FindFrame(buffer, m_vbr);
    }

    if (m_frame.Found && !m_vbr.Found) {
        int64_t tail = m_fileLength - static_cast<int64_t>(buffer.size());
        if (m_id3v1->Exists())
            tail -= static_cast<int64_t>(TID3v1::RecordSize);
        if (FillBuffer(reader, tail, buffer) < 0)
            return false;
        m_tailVendor = FindTailVendor(buffer, m_frame.FrameSize);
    }
    return true;
}

std::string TMPEGaudio::Version() const {
    return m_frame.VersionIndex < VersionNames.size() ? VersionNames[m_frame.VersionIndex]
                                                      : VersionNames[1];
}

std::string TMPEGaudio::Layer() const {
    return m_frame.LayerIndex < LayerNames.size() ? LayerNames[m_frame.LayerIndex] : LayerNames[0];
}

std::string TMPEGaudio::ChannelMode() const {
    return m_frame.ModeIndex < ModeNames.size() ? ModeNames[m_frame.ModeIndex] : ModeNames[4];
}

std::string TMPEGaudio::Emphasis() const {
    return m_frame.EmphasisIndex < EmphasisNames.size() ? EmphasisNames[m_frame.EmphasisIndex]
                                                        : EmphasisNames[2];
}

uint16_t TMPEGaudio::BitRate() const {
    if (!(m_vbr.Found && m_vbr.FrameCount > 0))
        return static_cast<uint16_t>(TableBitRate(m_frame));
    const double frameBytes =
        static_cast<double>(m_vbr.ByteCount) / static_cast<double>(m_vbr.FrameCount);
    const double rate = (frameBytes - PaddingSize(m_frame)) * TableSampleRate(m_frame) /
                        SampleCoefficient(m_frame) / 1000;
    // Halves go to the even neighbour (the default rounding mode).
    const double rounded = std::nearbyint(rate);
    // A byte count with its top bit set, or an absurd one, must not wrap into the valid range.
    if (!(rounded >= 0))
        return 0;
    if (rounded > 65535)
        return 65535;
    return static_cast<uint16_t>(rounded);
}

uint16_t TMPEGaudio::SampleRate() const {
    return static_cast<uint16_t>(TableSampleRate(m_frame));
}

double TMPEGaudio::Duration() const {
    if (!m_frame.Found)
        return 0;
    const int rate = TableSampleRate(m_frame);
    if (m_vbr.Found && m_vbr.FrameCount > 0) {
        if (rate == 0)
            return 0;
        return static_cast<double>(SampleCoefficient(m_frame)) *
               static_cast<double>(m_vbr.FrameCount) * 8 / rate;
    }
    const int bitRate = TableBitRate(m_frame);
    if (bitRate == 0)
        return 0;
    const int64_t audioBytes = m_fileLength - m_id3v2->Size() - m_frame.Offset;
    return static_cast<double>(audioBytes) * 8 / bitRate / 1000;
}

uint8_t TMPEGaudio::EncoderID() const {
    if (!m_frame.Found)
        return 0;
    return m_vbr.Found ? VBREncoder() : CBREncoder();
}

uint8_t TMPEGaudio::VBREncoder() const {
    const std::string_view v = std::string_view(m_vbr.VendorText).substr(0, 4);
    const bool lame = v == "LAME", gogo = v == "GOGO" || v == "MPGE";
    uint8_t result = 0;
    if (lame)
        result = 3;
    if (gogo)
        result = 5;
    if (m_vbr.Kind == "Xing" && !lame && !gogo)
        result = 1;
    if (m_vbr.Kind == "VBRI")
        result = 2;
    return result;
}

uint8_t TMPEGaudio::CBREncoder() const {
    const FrameInfo& f = m_frame;
    uint8_t result = 2;
    if (f.OriginalFlag && f.HasCRC)
        result = 3;
    if (TableBitRate(f) <= 160 && f.ModeIndex == 0)
        result = 4;
    if (f.CopyrightFlag && f.OriginalFlag && !f.HasCRC)
        result = 1;
    if (f.ZeroSideInfo && f.OriginalFlag)
        result = 1;
    if (f.ModeIndex == 2 && f.HasCRC)
        result = 6;
    const std::string_view v = std::string_view(m_tailVendor).substr(0, 4);
    if (v == "LAME")
        result = 3;
    else if (v == "GOGO")
        result = 5;
    return result;
}

std::string TMPEGaudio::Encoder() const {
    const uint8_t id = EncoderID();
    std::string result = id < EncoderNames.size() ? EncoderNames[id] : EncoderNames[0];
    const std::string& vendor = m_tailVendor.empty() ? m_vbr.VendorText : m_tailVendor;
    if (id == 3 && vendor.size() >= 8 && IsDigit(vendor[4]) && vendor[5] == '.' &&
        IsDigit(vendor[6]) && IsDigit(vendor[7])) {
        result += ' ';
        result += vendor.substr(4, 4);
    }
    return result;
}

bool TMPEGaudio::Valid() const {
    const uint16_t bitRate = BitRate();
    return m_frame.Found && bitRate >= 8 && bitRate <= 448 && Duration() >= 0.1;
}
