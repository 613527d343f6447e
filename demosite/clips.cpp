#include "clips.h"

namespace demosite {

namespace {

std::vector<Clip> buildClips()
{
    std::vector<Clip> list;
    Clip ld;
    ld.name = clips::jsonLd;
    ld.kind = ClipKind::JsonLd;
    ld.title = "Harbour lights at dawn";
    ld.author = "Quayside Films";
    ld.uploadDate = "2021-05-04";
    ld.seconds = 205;
    ld.views = 1234567;
    ld.description = "Boats <b>leaving</b> & \"arriving\" while 5 < 6.\nFilmed from the east pier.";
    ld.thumbnailId = "sunsetBeach";
    ld.sources = {{18, "", "mp4", 640, 360, 345679}};
    list.push_back(ld);

    Clip h5;
    h5.name = clips::html5;
    h5.kind = ClipKind::Html5;
    h5.title = "A lighthouse keeper's day";
    h5.thumbnailId = "pianoLesson";
    h5.sources = {{18, "18", "mp4", 0, 360, 123457}, {22, "22", "mp4", 0, 720, 234567},
                  {43, "480p", "webm", 0, 480, 98765}};
    list.push_back(h5);

    Clip hls;
    hls.name = clips::hls;
    hls.kind = ClipKind::Hls;
    hls.title = "The night ferry crossing";
    hls.sources = {{360, "", "ts", 640, 360, 7 * hlsSegmentBytes + 12345},
                   {720, "", "ts", 1280, 720, 9 * hlsSegmentBytes + 23456}};
    list.push_back(hls);

    Clip separate;
    separate.name = clips::separate;
    separate.kind = ClipKind::SeparateStreams;
    separate.title = "Tide time-lapse";
    separate.sources = {{1, "", "ts", 1280, 720, 3 * hlsSegmentBytes + 111, false, true},
                        {2, "", "ts", 0, 0, 2 * hlsSegmentBytes + 222, true, false}};
    list.push_back(separate);

    Clip none;
    none.name = clips::noVideo;
    none.kind = ClipKind::NoVideo;
    none.title = "Notes from the harbour office";
    list.push_back(none);

    Clip silent;
    silent.name = clips::silent;
    silent.kind = ClipKind::Silent;
    silent.title = "The fog horn";
    list.push_back(silent);
    return list;
}

} // namespace

const std::vector<Clip> &clipCatalogue()
{
    static const std::vector<Clip> list = buildClips();
    return list;
}

const Clip *findClip(std::string_view name)
{
    for (const Clip &clip : clipCatalogue())
        if (clip.name == name)
            return &clip;
    return nullptr;
}

const ClipSource *findClipSource(const Clip &clip, int code)
{
    for (const ClipSource &source : clip.sources)
        if (source.code == code)
            return &source;
    return nullptr;
}

const Video &clipMediaVideo(const Clip &clip)
{
    static const std::vector<Video> videos = [] {
        std::vector<Video> out;
        for (const Clip &c : clipCatalogue()) {
            Video v;
            v.id = c.name;
            v.title = c.title;
            for (const ClipSource &s : c.sources)
                v.formats.push_back({s.code, s.size});
            out.push_back(v);
        }
        return out;
    }();
    return videos[static_cast<std::size_t>(&clip - clipCatalogue().data())];
}

std::string clipPagePath(std::string_view name)
{
    return "/clip/" + std::string(name);
}

std::string clipMediaPath(std::string_view name, const ClipSource &source)
{
    return "/clipmedia/" + std::string(name) + "/" + std::to_string(source.code) + "." + source.container;
}

std::string clipMasterPath(std::string_view name)
{
    return "/clipmedia/" + std::string(name) + "/master.m3u8";
}

std::string clipPlaylistPath(std::string_view name, int code)
{
    return "/clipmedia/" + std::string(name) + "/" + std::to_string(code) + "/index.m3u8";
}

std::string clipSegmentPath(std::string_view name, int code, std::uint64_t index)
{
    return "/clipmedia/" + std::string(name) + "/" + std::to_string(code) + "/seg-" + std::to_string(index) + ".ts";
}

std::uint64_t clipSegmentCount(const ClipSource &source)
{
    return (source.size + hlsSegmentBytes - 1) / hlsSegmentBytes;
}

} // namespace demosite
