#include "lists.h"

#include "mediacontent.h"

#include <array>

namespace demosite::lists {

std::string episodeName(int number)
{
    return "episode-" + std::to_string(number);
}

std::string episodeTitle(int number)
{
    // Titles that a filter can tell apart, and some with characters a file name cannot hold.
    static constexpr std::array<std::string_view, 4> topics{"Harbour lights", "The night ferry",
                                                           "Fog: who sounds the horn?", "Tides & currents"};
    return "Episode " + std::to_string(number) + ": " +
           std::string(topics[static_cast<std::size_t>(number - 1) % topics.size()]);
}

int episodeSeconds(int number)
{
    return number % 5 == 0 ? 0 : 60 + number * 37 % 3600;
}

std::string threeVideosName(int number)
{
    return "three-videos-" + std::to_string(number);
}

std::string mediaPath(std::string_view name)
{
    return "/listmedia/" + std::string(name) + ".mp4";
}

std::uint64_t mediaSize(std::string_view name)
{
    return 16384 + mediaSeed(name, mediaCode) % 32768;
}

Video mediaVideo(std::string_view name)
{
    Video video;
    video.id = name;
    video.title = name;
    video.formats = {{mediaCode, mediaSize(name)}};
    return video;
}

} // namespace demosite::lists
