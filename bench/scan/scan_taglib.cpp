// A peer scanner on TagLib: the same walk, and for every file named *.mp3 the MPEG file with
// its audio properties and both tags, as a tag finder built on TagLib would read it.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: scan_taglib FOLDER\n");
        return 2;
    }
    long valid = 0;
    unsigned long long sum = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             argv[1], fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) || !it->is_regular_file(ec))
            continue;
        std::string ext = it->path().extension().string();
        for (auto& c : ext)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (ext != ".mp3")
            continue;
        TagLib::MPEG::File file(it->path().c_str(), true, TagLib::AudioProperties::Average);
        if (!file.isValid() || !file.audioProperties())
            continue;
        ++valid;
        sum += static_cast<unsigned long long>(file.audioProperties()->lengthInSeconds());
        for (TagLib::Tag* tag : {static_cast<TagLib::Tag*>(file.ID3v1Tag()),
                                 static_cast<TagLib::Tag*>(file.ID3v2Tag())})
            if (tag)
                sum += tag->title().size() + tag->artist().size() + tag->album().size();
    }
    std::printf("%ld valid files (%llu)\n", valid, sum);
    return 0;
}
