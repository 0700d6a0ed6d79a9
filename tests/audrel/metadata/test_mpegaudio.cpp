#include "MPEGaudio.h"

#include <chrono>
#include <future>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/MpegBytes.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// MPEG 1 Layer III, 128 kbit/s, 44100 Hz, stereo: 417-byte frames.
const MpegHeaderFields Cbr128{};
constexpr size_t Cbr128Length = 417;

class MpegAudioTest : public ::testing::Test {
protected:
    // Writes bytes to a new file in the test's folder and analyses it.
    bool Analyse(const std::string& bytes, const std::string& name = "a.mp3") {
        path = dir / name;
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return audio.ReadFromFile(path);
    }

    void ExpectEmpty() const {
        EXPECT_EQ(audio.FileLength(), 0);
        EXPECT_FALSE(audio.Frame().Found);
        EXPECT_FALSE(audio.VBR().Found);
        EXPECT_EQ(audio.TailVendor(), "");
        EXPECT_EQ(audio.Version(), "MPEG ?");
        EXPECT_EQ(audio.Layer(), "Layer ?");
        EXPECT_EQ(audio.ChannelMode(), "Unknown");
        EXPECT_EQ(audio.Emphasis(), "Unknown");
        EXPECT_EQ(audio.BitRate(), 0);
        EXPECT_EQ(audio.SampleRate(), 0);
        EXPECT_EQ(audio.Duration(), 0.0);
        EXPECT_EQ(audio.EncoderID(), 0);
        EXPECT_EQ(audio.Encoder(), "Unknown");
        EXPECT_FALSE(audio.Valid());
        EXPECT_FALSE(audio.ID3v1().Exists());
        EXPECT_EQ(audio.ID3v1().GenreIndex(), 255);
        EXPECT_FALSE(audio.ID3v2().Exists());
        EXPECT_EQ(audio.ID3v2().Size(), 0);
    }

    // A stream whose first frame carries a VBR header, followed by plain frames.
    static std::string VbrStream(const MpegHeaderFields& fields, size_t length, size_t offset,
                                 const std::string& header, size_t frames = 12) {
        return MpegFrameWithVbr(fields, length, offset, header) +
               MpegFrames(fields, length, frames);
    }

    TempDir dir;
    std::string path;
    TMPEGaudio audio;
};

TEST_F(MpegAudioTest, EmptyStateBeforeAndAfterFailedReads) {
    ExpectEmpty();
    EXPECT_FALSE(audio.ReadFromFile(dir / "missing.mp3"));
    ExpectEmpty();
    // Shorter than an ID3v1 record: the read fails even though it holds frames.
    EXPECT_FALSE(Analyse(MpegFrames(Cbr128, 40, 3)));
    ExpectEmpty();
    EXPECT_FALSE(audio.ReadFromFile(dir.Path()));
    ExpectEmpty();
}

TEST_F(MpegAudioTest, FrameRightAfterTagGivesPlayingTimeFromFileLength) {
    // A 4096-byte tag, then 4,000,000 bytes of 128 kbit/s audio.
    std::string file = Id3v2Tag({TextFrame23("TIT2", "Song")}, 4096 - 10 - 15);
    ASSERT_EQ(file.size(), 4096u);
    file += MpegFrames(Cbr128, Cbr128Length, 10);
    file.resize(4'004'096, '\0');
    EXPECT_TRUE(Analyse(file));

    EXPECT_EQ(audio.FileLength(), 4'004'096);
    EXPECT_EQ(audio.ID3v2().Size(), 4096);
    EXPECT_EQ(audio.ID3v2().Title(), "Song");
    EXPECT_TRUE(audio.Frame().Found);
    EXPECT_EQ(audio.Frame().Offset, 0);
    EXPECT_EQ(audio.Frame().FrameSize, 417);
    EXPECT_EQ(audio.Duration(), 250.0);
    EXPECT_EQ(audio.BitRate(), 128);
    EXPECT_EQ(audio.SampleRate(), 44100);
    EXPECT_EQ(audio.Version(), "MPEG 1");
    EXPECT_EQ(audio.Layer(), "Layer III");
    EXPECT_EQ(audio.ChannelMode(), "Stereo");
    EXPECT_EQ(audio.Emphasis(), "None");
    EXPECT_TRUE(audio.Valid());
}

TEST_F(MpegAudioTest, HeaderFieldsAndNamesAreDecoded) {
    MpegHeaderFields fields;
    fields.version = 0; // MPEG 2.5, 40 kbit/s, 12000 Hz: 72 * 40000 / 12000 + 1 = 241 bytes
    fields.crc = true;
    fields.bitRateIndex = 5;
    fields.sampleRateIndex = 1;
    fields.padded = true;
    fields.privateBit = true;
    fields.mode = 3;
    fields.modeExtension = 2;
    fields.copyright = true;
    fields.original = true;
    fields.emphasis = 3;
    EXPECT_TRUE(Analyse(MpegFrames(fields, 241, 20)));

    const FrameInfo& f = audio.Frame();
    ASSERT_TRUE(f.Found);
    EXPECT_EQ(f.FrameSize, 241);
    const std::string header = MpegHeader(fields);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f.HeaderBytes[i], static_cast<uint8_t>(header[i]));
    EXPECT_EQ(f.VersionIndex, 0);
    EXPECT_EQ(f.LayerIndex, 1);
    EXPECT_TRUE(f.HasCRC);
    EXPECT_EQ(f.BitRateIndex, 5);
    EXPECT_EQ(f.SampleRateIndex, 1);
    EXPECT_TRUE(f.Padded);
    EXPECT_TRUE(f.PrivateFlag);
    EXPECT_EQ(f.ModeIndex, 3);
    EXPECT_EQ(f.ModeExtension, 2);
    EXPECT_TRUE(f.CopyrightFlag);
    EXPECT_TRUE(f.OriginalFlag);
    EXPECT_EQ(f.EmphasisIndex, 3);
    EXPECT_FALSE(f.ZeroSideInfo);
    EXPECT_EQ(audio.Version(), "MPEG 2.5");
    EXPECT_EQ(audio.ChannelMode(), "Mono");
    EXPECT_EQ(audio.Emphasis(), "CCIT J.17");
    EXPECT_EQ(audio.SampleRate(), 12000);
    EXPECT_EQ(audio.BitRate(), 40);

    fields = {};
    fields.version = 2; // MPEG 2 Layer II 64 kbit/s, 22050 Hz: 144 * 64000 / 22050 = 417
    fields.layer = 2;
    fields.bitRateIndex = 8;
    fields.mode = 2;
    fields.emphasis = 1;
    EXPECT_TRUE(Analyse(MpegFrames(fields, 417, 20)));
    EXPECT_EQ(audio.Version(), "MPEG 2");
    EXPECT_EQ(audio.Layer(), "Layer II");
    EXPECT_EQ(audio.ChannelMode(), "Dual Channel");
    EXPECT_EQ(audio.Emphasis(), "50/15 ms");
    EXPECT_EQ(audio.BitRate(), 64);

    fields = {};
    fields.layer = 3; // MPEG 1 Layer I 32 kbit/s
    fields.bitRateIndex = 1;
    fields.mode = 1;
    EXPECT_TRUE(Analyse(MpegFrames(fields, 32, 200)));
    EXPECT_EQ(audio.Layer(), "Layer I");
    EXPECT_EQ(audio.ChannelMode(), "Joint Stereo");
}

TEST_F(MpegAudioTest, FrameLengthsFollowTheStandardForEveryLayer) {
    struct Case {
        uint8_t version, layer, bitRateIndex, sampleRateIndex;
        bool padded;
        size_t length;
    };
    const Case cases[] = {
        {3, 1, 9, 0, false, 417},                             // MPEG 1 Layer III 128k 44.1k
        {3, 1, 9, 0, true, 418},  {3, 1, 14, 2, false, 1440}, // 320k 32k
        {2, 1, 8, 0, false, 208}, // MPEG 2 Layer III 64k 22.05k: 576 samples a frame
        {0, 1, 1, 2, true, 73},   // MPEG 2.5 Layer III 8k 8k
        {3, 2, 8, 0, false, 417}, // MPEG 1 Layer II 128k
        {2, 2, 8, 0, false, 417}, // MPEG 2 Layer II 64k: 1152 samples, not 576
        {0, 2, 1, 2, true, 145},  // MPEG 2.5 Layer II 8k 8k
        {3, 3, 1, 0, false, 32},  // MPEG 1 Layer I 32k 44.1k: 4-byte slots, (8 + 0) * 4
        {3, 3, 1, 0, true, 36},   {3, 3, 14, 1, false, 448}, // 448k 48k
        {2, 3, 1, 0, false, 68}, // MPEG 2 Layer I 32k 22.05k: 384 samples, (17 + 0) * 4
    };
    for (const Case& c : cases) {
        MpegHeaderFields fields;
        fields.version = c.version;
        fields.layer = c.layer;
        fields.bitRateIndex = c.bitRateIndex;
        fields.sampleRateIndex = c.sampleRateIndex;
        fields.padded = c.padded;
        SCOPED_TRACE(testing::Message() << "version " << int(c.version) << " layer " << int(c.layer)
                                        << " length " << c.length);
        Analyse(MpegFrames(fields, c.length, 4000 / c.length + 10));
        EXPECT_TRUE(audio.Frame().Found);
        EXPECT_EQ(audio.Frame().FrameSize, c.length);
        EXPECT_EQ(audio.Frame().Offset, 0);
    }
}

TEST_F(MpegAudioTest, XingHeaderGivesFrameCountDurationAndLameVersion) {
    MpegHeaderFields fields;
    fields.mode = 1;
    EXPECT_TRUE(Analyse(VbrStream(fields, 417, 36, XingHeader(1000, 417000, 78, "LAME3.99"))));

    const VBRData& vbr = audio.VBR();
    ASSERT_TRUE(vbr.Found);
    EXPECT_EQ(vbr.Kind, "Xing");
    EXPECT_EQ(vbr.FrameCount, 1000);
    EXPECT_EQ(vbr.ByteCount, 417000);
    EXPECT_EQ(vbr.Quality, 78);
    EXPECT_EQ(vbr.VendorText, "LAME3.99");
    EXPECT_DOUBLE_EQ(audio.Duration(), 1152000.0 / 44100);
    // 417 bytes a frame * 44100 / 144 / 1000 = 127.7
    EXPECT_EQ(audio.BitRate(), 128);
    EXPECT_EQ(audio.EncoderID(), 3);
    EXPECT_EQ(audio.Encoder(), "LAME 3.99");
    EXPECT_EQ(audio.TailVendor(), "");
    EXPECT_TRUE(audio.Valid());
}

TEST_F(MpegAudioTest, VbrHeaderIsLookedForOnlyWhereVersionAndChannelsPutIt) {
    struct Case {
        uint8_t version, mode, bitRateIndex;
        size_t length, offset;
    };
    const Case cases[] = {
        {3, 0, 9, 417, 36}, {3, 1, 9, 417, 36}, {3, 3, 9, 417, 21}, {2, 0, 8, 208, 21},
        {2, 3, 8, 208, 13}, {0, 2, 8, 208, 21}, {0, 3, 8, 208, 13},
    };
    for (const Case& c : cases) {
        MpegHeaderFields fields;
        fields.version = c.version;
        fields.mode = c.mode;
        fields.bitRateIndex = c.bitRateIndex;
        fields.sampleRateIndex = 0;
        SCOPED_TRACE(testing::Message() << "version " << int(c.version) << " mode " << int(c.mode));
        const size_t length = c.version == 0 ? 417 : c.length; // MPEG 2.5 64k 11025 Hz
        Analyse(VbrStream(fields, length, c.offset, XingHeader(100, 20000)));
        ASSERT_TRUE(audio.Frame().Found);
        EXPECT_TRUE(audio.VBR().Found);
        Analyse(VbrStream(fields, length, c.offset + 1, XingHeader(100, 20000)));
        EXPECT_FALSE(audio.VBR().Found);
        Analyse(VbrStream(fields, length, c.offset, VbriHeader(100, 20000)));
        EXPECT_EQ(audio.VBR().Kind, "VBRI");
    }
}

TEST_F(MpegAudioTest, VbriHeaderMeansFhG) {
    EXPECT_TRUE(Analyse(VbrStream(Cbr128, 417, 36, VbriHeader(500, 200000, 75))));
    const VBRData& vbr = audio.VBR();
    ASSERT_TRUE(vbr.Found);
    EXPECT_EQ(vbr.Kind, "VBRI");
    EXPECT_EQ(vbr.FrameCount, 500);
    EXPECT_EQ(vbr.ByteCount, 200000);
    EXPECT_EQ(vbr.Quality, 75);
    EXPECT_EQ(vbr.VendorText, "");
    EXPECT_DOUBLE_EQ(audio.Duration(), 144.0 * 500 * 8 / 44100);
    EXPECT_EQ(audio.EncoderID(), 2);
    EXPECT_EQ(audio.Encoder(), "FhG");
}

TEST_F(MpegAudioTest, XingVendorNamesTheEncoder) {
    struct Case {
        const char* vendor;
        int id;
        const char* encoder;
    };
    const Case cases[] = {
        {"LAME3.100", 3, "LAME 3.10"},
        {"LAME3.9x", 3, "LAME"},
        {"LAMEbeta", 3, "LAME"},
        {"GOGO1.23", 5, "GoGo"},
        {"MPGE1.00", 5, "GoGo"},
        {"Lavf58.7", 1, "Xing"},
        {"", 1, "Xing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vendor);
        Analyse(VbrStream(Cbr128, 417, 36, XingHeader(100, 41700, 50, c.vendor)));
        EXPECT_EQ(audio.EncoderID(), c.id);
        EXPECT_EQ(audio.Encoder(), c.encoder);
    }
}

TEST_F(MpegAudioTest, VbrBitRateRoundsHalvesToEvenAndBoundsValidity) {
    MpegHeaderFields fields;
    fields.sampleRateIndex = 1; // 48000 Hz: bit rate = bytes per frame / 3
    struct Case {
        uint32_t frames, bytes;
        uint16_t bitRate;
        bool valid;
    };
    const Case cases[] = {
        {1000, 21000, 7, false},       {1000, 24000, 8, true},        {1000, 1344000, 448, true},
        {1000, 1347000, 449, false},   {2000, 51000, 8, true},        {2000, 57000, 10, true},
        {1, 0x7FFFFFFF, 65535, false}, {1000, 0x80000000u, 0, false}, {1000, 0, 0, false},
        {4, 1536, 128, false},         {5, 1920, 128, true}, // 0.096 s and 0.12 s
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << " frames " << c.bytes << " bytes");
        Analyse(VbrStream(fields, 384, 36, XingHeader(c.frames, c.bytes)));
        ASSERT_TRUE(audio.VBR().Found);
        EXPECT_EQ(audio.BitRate(), c.bitRate);
        EXPECT_EQ(audio.Valid(), c.valid);
    }
}

TEST_F(MpegAudioTest, VbrWithoutFramesFallsBackToTableRate) {
    const std::string file = VbrStream(Cbr128, 417, 36, XingHeader(0, 1000), 20);
    EXPECT_TRUE(Analyse(file));
    ASSERT_TRUE(audio.VBR().Found);
    EXPECT_EQ(audio.BitRate(), 128);
    EXPECT_DOUBLE_EQ(audio.Duration(), file.size() * 8.0 / 128 / 1000);
}

TEST_F(MpegAudioTest, VbrDurationAndBitRateCountTheSamplesOfEachLayer) {
    // Layer I and II frames hold 384 and 1152 samples in every version; only MPEG 2 and 2.5
    // Layer III frames hold 576.
    struct Case {
        uint8_t version, layer, bitRateIndex;
        size_t length;
        double samples;
        uint16_t bitRate;
    };
    const Case cases[] = {
        {3, 1, 9, 417, 1152, 128}, {2, 1, 8, 208, 576, 64},  {2, 2, 8, 417, 1152, 64},
        {3, 2, 8, 417, 1152, 128}, {2, 3, 8, 276, 384, 127},
    };
    for (const Case& c : cases) {
        MpegHeaderFields fields;
        fields.version = c.version;
        fields.layer = c.layer;
        fields.bitRateIndex = c.bitRateIndex;
        SCOPED_TRACE(testing::Message()
                     << "version " << int(c.version) << " layer " << int(c.layer));
        const double rate = c.version == 3 ? 44100 : 22050;
        const size_t offset = c.version == 3 ? 36 : 21;
        Analyse(VbrStream(fields, c.length, offset, XingHeader(100, uint32_t(100 * c.length)), 20));
        ASSERT_TRUE(audio.VBR().Found);
        EXPECT_EQ(audio.Frame().FrameSize, c.length);
        EXPECT_DOUBLE_EQ(audio.Duration(), c.samples * 100 / rate);
        EXPECT_EQ(audio.BitRate(), c.bitRate);
    }
}

TEST_F(MpegAudioTest, JunkBeforeTheAudioIsSearchedAgainFromTheMiddle) {
    // A 1000-byte tag, 2000 bytes of junk, then 100 frames.
    std::string file = Id3v2Tag({}, 990);
    file += std::string(2000, '\0');
    file += MpegFrames(Cbr128, 417, 100);
    ASSERT_EQ(file.size(), 44700u);
    EXPECT_TRUE(Analyse(file));
    ASSERT_TRUE(audio.Frame().Found);
    // The second search starts at (44700 - 1000) / 2 = 21850, counted from the file start; the
    // next frame begins at 3000 + 46 * 417 = 22182.
    EXPECT_EQ(audio.Frame().Offset, 332);
    EXPECT_DOUBLE_EQ(audio.Duration(), (44700.0 - 1000 - 332) * 8 / 128 / 1000);

    // Too short for a full first buffer: no second search.
    file = std::string(2000, '\0') + MpegFrames(Cbr128, 417, 3);
    EXPECT_TRUE(Analyse(file));
    ExpectEmpty();
}

TEST_F(MpegAudioTest, SyncWhoseNextFrameDoesNotCheckOutIsSkipped) {
    std::string file = MpegHeader(Cbr128) + '\0' + MpegFrames(Cbr128, 417, 20);
    EXPECT_TRUE(Analyse(file));
    EXPECT_EQ(audio.Frame().Offset, 5);
}

TEST_F(MpegAudioTest, NextHeaderMustLieWhollyInsideTheBuffer) {
    // MPEG 1 Layer II 384 kbit/s 32000 Hz: 1728-byte frames. The frame at 1727 has its
    // successor's header at 3455..3458, one byte past the first buffer, so only the second
    // search, from (1727 + 3 * 1728) / 2 = 3455, finds a frame.
    MpegHeaderFields fields;
    fields.layer = 2;
    fields.bitRateIndex = 14;
    fields.sampleRateIndex = 2;
    EXPECT_TRUE(Analyse(std::string(1727, '\0') + MpegFrames(fields, 1728, 3)));
    ASSERT_TRUE(audio.Frame().Found);
    EXPECT_EQ(audio.Frame().Offset, 0);
    EXPECT_EQ(audio.Frame().FrameSize, 1728);
}

TEST_F(MpegAudioTest, ReservedOrFreeFormatHeadersAreNeverFrames) {
    auto with = [](auto change) {
        MpegHeaderFields fields;
        change(fields);
        return fields;
    };
    const MpegHeaderFields bad[] = {
        with([](MpegHeaderFields& s) { s.emphasis = 2; }),
        with([](MpegHeaderFields& s) { s.bitRateIndex = 0; }),
        with([](MpegHeaderFields& s) { s.bitRateIndex = 15; }),
        with([](MpegHeaderFields& s) { s.sampleRateIndex = 3; }),
        with([](MpegHeaderFields& s) { s.version = 1; }),
        with([](MpegHeaderFields& s) { s.layer = 0; }),
    };
    for (const MpegHeaderFields& fields : bad) {
        // Tags around the frames are discarded with the rest.
        const std::string file = Id3v2Tag({TextFrame23("TIT2", "x")}) +
                                 MpegFrames(fields, 417, 20) + Id3v1Record("title");
        EXPECT_TRUE(Analyse(file));
        ExpectEmpty();
        EXPECT_EQ(audio.ID3v1().Title(), "");
        EXPECT_EQ(audio.ID3v2().Title(), "");
    }
}

TEST_F(MpegAudioTest, BothTagsAreReadFromTheSameAnalysis) {
    const std::string file =
        Id3v2Tag({TextFrame23("TIT2", "Two"), TextFrame23("TPE1", "Artist")}, 100) +
        MpegFrames(Cbr128, 417, 20) + Id3v1Record("One", "", "", "2001", "", 7, 17);
    EXPECT_TRUE(Analyse(file));
    EXPECT_TRUE(audio.Valid());
    EXPECT_EQ(audio.FileLength(), static_cast<int64_t>(file.size()));
    EXPECT_EQ(audio.ID3v2().Title(), "Two");
    EXPECT_EQ(audio.ID3v2().Artist(), "Artist");
    EXPECT_EQ(audio.ID3v1().Title(), "One");
    EXPECT_EQ(audio.ID3v1().Track(), 7);
    EXPECT_EQ(audio.ID3v1().Genre(), "Rock");
    // The ID3v1 record is not taken off the playing time.
    EXPECT_DOUBLE_EQ(audio.Duration(), double(file.size() - audio.ID3v2().Size()) * 8 / 128 / 1000);
}

TEST_F(MpegAudioTest, CbrEncoderIsGuessedFromHeaderFlags) {
    struct Case {
        const char* name;
        uint8_t mode, bitRateIndex;
        bool crc, copyright, original, zeroSideInfo;
        int id;
    };
    const Case cases[] = {
        {"plain joint stereo", 1, 11, false, false, false, false, 2},
        {"original with CRC", 1, 11, true, false, true, false, 3},
        {"stereo at 160k or less", 0, 10, false, false, false, false, 4},
        {"stereo at 192k", 0, 11, false, false, false, false, 2},
        {"stereo wins over original with CRC", 0, 9, true, false, true, false, 4},
        {"copyright and original without CRC", 1, 11, false, true, true, false, 1},
        {"zero side info and original", 1, 11, true, false, true, true, 1},
        {"zero side info alone", 1, 11, false, false, false, true, 2},
        {"dual channel with CRC", 2, 11, true, false, false, false, 6},
        {"dual channel wins over zero side info", 2, 11, true, false, true, true, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MpegHeaderFields fields;
        fields.mode = c.mode;
        fields.bitRateIndex = c.bitRateIndex;
        fields.crc = c.crc;
        fields.copyright = c.copyright;
        fields.original = c.original;
        const size_t length = c.bitRateIndex == 11 ? 626 : c.bitRateIndex == 10 ? 522 : 417;
        EXPECT_TRUE(Analyse(MpegFrames(fields, length, 10, c.zeroSideInfo ? '\0' : '\x55')));
        EXPECT_EQ(audio.Frame().ZeroSideInfo, c.zeroSideInfo);
        EXPECT_EQ(audio.EncoderID(), c.id);
    }
}

TEST_F(MpegAudioTest, TailVendorIsFoundBeforeTheId3v1Record) {
    // Puts text at a position of the 3458 bytes read from the end (before the ID3v1 record).
    auto fileWith = [](const std::string& text, size_t pos, bool withV1 = true) {
        MpegHeaderFields fields;
        fields.mode = 1;
        fields.bitRateIndex = 11; // 192k: 626-byte frames, not guessed as anything but FhG
        std::string audio = MpegFrames(fields, 626, 12);
        audio.replace(audio.size() - 3458 + pos, text.size(), text);
        return withV1 ? audio + Id3v1Record("LAME9.99") : audio;
    };
    EXPECT_TRUE(Analyse(fileWith("LAME3.92", 3000)));
    EXPECT_EQ(audio.TailVendor(), "LAME3.92");
    EXPECT_EQ(audio.EncoderID(), 3);
    EXPECT_EQ(audio.Encoder(), "LAME 3.92");

    EXPECT_TRUE(Analyse(fileWith("GOGO3.92", 3000)));
    EXPECT_EQ(audio.TailVendor(), "GOGO");
    EXPECT_EQ(audio.Encoder(), "GoGo");

    // The window runs from 3450 back by twice the frame size (626).
    EXPECT_TRUE(Analyse(fileWith("LAME3.92", 3450)));
    EXPECT_EQ(audio.TailVendor(), "LAME3.92");
    EXPECT_TRUE(Analyse(fileWith("LAMEabcd", 3450 - 1252)));
    EXPECT_EQ(audio.TailVendor(), "LAMEabcd");
    EXPECT_EQ(audio.Encoder(), "LAME");
    EXPECT_TRUE(Analyse(fileWith("LAME3.92", 3450 - 1253)));
    EXPECT_EQ(audio.TailVendor(), "");
    EXPECT_TRUE(Analyse(fileWith("LAME", 3451)));
    EXPECT_EQ(audio.TailVendor(), "");
    EXPECT_EQ(audio.Encoder(), "FhG");

    // With both words in the window, the one nearer the end wins; stray first letters do not
    // hide a word behind them.
    EXPECT_TRUE(Analyse(fileWith("GOGO..LAME3.90LLLGGG", 3000)));
    EXPECT_EQ(audio.TailVendor(), "LAME3.90");
    EXPECT_TRUE(Analyse(fileWith("LAME3.90..GOGOGGG", 3000)));
    EXPECT_EQ(audio.TailVendor(), "GOGO");

    // Without an ID3v1 record the last 3458 bytes of the file are searched.
    EXPECT_TRUE(Analyse(fileWith("LAME3.97", 3100, false)));
    EXPECT_EQ(audio.TailVendor(), "LAME3.97");
}

TEST_F(MpegAudioTest, FileTooShortForTheTailReadKeepsItsFrame) {
    // 5 frames, 2085 bytes: the tail read cannot start 3458 bytes before the end.
    EXPECT_FALSE(Analyse(MpegFrames(Cbr128, 417, 5)));
    EXPECT_TRUE(audio.Frame().Found);
    EXPECT_EQ(audio.FileLength(), 2085);
    EXPECT_DOUBLE_EQ(audio.Duration(), 2085 * 8.0 / 128 / 1000);
    EXPECT_TRUE(audio.Valid());
}

TEST_F(MpegAudioTest, FilesAboveFourGigabytesKeepTheirLength) {
    path = dir / "big.mp3";
    ASSERT_TRUE(WriteFileBytes(path, MpegFrames(Cbr128, 417, 20)));
    const int64_t size = int64_t{5} << 30;
    ASSERT_EQ(::truncate(path.c_str(), size), 0); // sparse: no disk space used
    EXPECT_TRUE(audio.ReadFromFile(path));
    EXPECT_EQ(audio.FileLength(), size);
    EXPECT_DOUBLE_EQ(audio.Duration(), double(size) * 8 / 128 / 1000);
    EXPECT_TRUE(audio.Valid());
}

TEST_F(MpegAudioTest, FifoIsRefusedWithoutWaiting) {
    path = dir / "pipe.mp3";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    auto result = std::async(std::launch::async, [this] { return audio.ReadFromFile(path); });
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Release the blocked open so the test can end.
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        ADD_FAILURE() << "ReadFromFile waited on a FIFO";
    }
    EXPECT_FALSE(result.get());
    ExpectEmpty();
}

} // namespace
