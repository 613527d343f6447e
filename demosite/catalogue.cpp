#include "catalogue.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace demosite {

namespace {

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t MiB = 1024 * KiB;
constexpr std::uint64_t GiB = 1024 * MiB;

Video ordinary(std::string_view id, std::string title, std::string author, std::string published,
               std::string description, int seconds, std::string rating, std::string votes,
               std::string views, std::vector<MediaFormat> formats)
{
    Video v;
    v.id = std::string(id);
    v.title = std::move(title);
    v.author = std::move(author);
    v.published = std::move(published);
    v.descriptionHtml = std::move(description);
    v.lengthSeconds = seconds;
    v.lengthText = std::to_string(seconds);
    v.rating = std::move(rating);
    v.votes = std::move(votes);
    v.views = std::move(views);
    v.formats = std::move(formats);
    return v;
}

Video special(std::string_view id, Special kind, std::string title, std::vector<MediaFormat> formats)
{
    Video v = ordinary(id, std::move(title), "edgecaselab", "January 1, 2011",
                       "A page made for testing.<br />See <a href=\"/\" rel=\"nofollow\">the index</a>"
                       " for <b>every</b> video.",
                       95, "3.5000", "42", "1,042", std::move(formats));
    v.special = kind;
    return v;
}

std::vector<Video> buildCatalogue()
{
    std::vector<Video> list;
    list.push_back(ordinary(
        ids::allSix, "Sunset at Crescent Beach", "shorelinefilms", "March 3, 2010",
        "Filmed at Crescent Beach on a calm evening.<br />Music: "
        "<a href=\"/results?search_query=ambient\" target=\"_blank\" rel=\"nofollow\">ambient loops</a>"
        " by <b>Low Tide</b>. Tip: write &lt;b&gt; for bold.",
        212, "4.8571", "1,234", "1,234,567",
        {{5, 1 * MiB + 7}, {34, 2345678}, {35, 3456789}, {18, 4567890}, {22, 12345678}, {37, 24 * MiB + 7}}));
    list.push_back(ordinary(
        ids::escapedApostrophe, "Rock \\'n\\' Roll Piano Lesson", "keysandchords", "April 12, 2009",
        "Learn the <b>boogie</b> left hand in ten minutes.<br />Sheet music: "
        "<a href=\"/results?search_query=piano\" rel=\"nofollow\">piano</a> text",
        605, "4.9000", "310", "48,211", {{34, 345678}, {18, 567890}}));
    list.push_back(ordinary(
        ids::entities, "Tom &amp; Jerry &quot;Best Chases&quot; Compilation", "cartoonvault", "May 30, 2008",
        "The chases &amp; the crashes, all in one.<br /><a href=\"/watch?v=sunsetBeach\">link</a> text",
        3725, "4.2500", "9,876", "12,345,678", {{5, 456789}, {34, 987654}, {18, 1500001}}));
    list.push_back(ordinary(
        ids::punctuation, "How to: fix a 1/2 inch tap? Plumbing basics", "handyhome", "June 1, 2010",
        "Tools: a wrench and a <b>washer</b>.<br />Steps &lt;1&gt; to &lt;5&gt; below.", 59, "3.9000",
        "77", "5,012",
        {{5, 64 * KiB + 1}, {34, 128 * KiB + 3}, {35, 256 * KiB + 5}, {18, 512 * KiB + 7},
         {22, 1 * MiB + 9}, {37, 2 * MiB + 11}}));
    list.push_back(ordinary(
        ids::nonAscii, "Café Müller – 日本語の字幕付き", "tanztheater", "July 7, 2010",
        "Eine Aufführung, schön gefilmt.<br />日本語の字幕 <b>付き</b>.", 600, "4.7000", "2,001", "88,888",
        {{18, 777777}, {22, 1777777}}));
    list.push_back(ordinary(ids::emptyTitle, "???", "mysteryuploader", "August 8, 2008",
                            "Nobody knows what this is.", 3600, "2.0000", "5", "321",
                            {{5, 4097}, {18, 12345}}));
    list.push_back(ordinary(ids::dotsTitle, "..", "dotdotdot", "September 9, 2009",
                            "Two dots, <i>nothing</i> else.", 1, "1.0000", "1", "12", {{34, 8193}, {35, 16385}}));
    list.push_back(ordinary(ids::tiny, "Tiny test clip", "cliplab", "October 10, 2010",
                            "Three very small files.<br />Handy for <b>quick</b> downloads.", 3, "5.0000", "8",
                            "999", {{5, 4097}, {34, 12345}, {18, 65537}}));
    list.push_back(ordinary(ids::oneGiB, "One gibibyte of lake footage", "bigfilefan", "November 11, 2010",
                            "A very long take of a lake.<br /><b>Large</b> file.", 7200, "4.1000", "640",
                            "70,001", {{18, 5 * MiB + 3}, {22, 1 * GiB}}));
    list.push_back(ordinary(ids::threeGiB, "Three gibibytes of night sky", "bigfilefan", "December 12, 2010",
                            "Stars, all night long.<br /><b>Very large</b> file.", 28800, "4.6000", "1,500",
                            "150,002", {{35, 3 * MiB + 1}, {37, 3 * GiB}}));
    list.push_back(ordinary(
        "catsPlaying", "Cats playing with a laser pointer", "whiskersdaily", "February 2, 2010",
        "Two cats, one <b>red dot</b>.<br /><a href=\"/results?search_query=cats\">more cats</a>", 95,
        "4.9500", "20,480", "9,876,543",
        {{5, 300001}, {34, 600001}, {35, 900001}, {18, 1200001}, {22, 2400001}, {37, 4800001}}));
    list.push_back(ordinary("mountainRun", "Mountain railway journey, full ride", "railwaytraveller",
                            "March 14, 2009", "The whole line from valley to summit.<br />Filmed from the cab.",
                            2710, "4.4000", "812", "230,017", {{5, 1100000}, {34, 2200000}, {35, 3300000}}));
    list.push_back(ordinary("guitarChord", "Guitar chords for beginners - lesson 1", "strumschool",
                            "April 1, 2010", "Chords <b>C</b>, <b>G</b> and <b>D</b>.<br />Practise daily.", 480,
                            "4.6667", "3,003", "400,400", {{18, 2100000}, {22, 4200000}, {37, 8400000}}));
    list.push_back(ordinary("pastaRecipe", "Fresh pasta recipe (Grandma\\'s way)", "nonnacooks", "May 5, 2010",
                            "Flour, eggs and <b>patience</b>.<br /><a href=\"/\">Back</a> text", 734, "4.8000",
                            "4,321", "654,321", {{34, 1300000}, {18, 2600000}, {22, 5200000}}));
    list.push_back(ordinary(
        "rain_Forest", "Rain forest sounds for sleeping", "naturesounds", "June 21, 2010",
        "Eight hours of rain.<br />No music, no talking.", 1800, "4.7500", "11,111", "2,222,222",
        {{5, 700001}, {34, 1400001}, {35, 2100001}, {18, 2800001}, {22, 5600001}, {37, 11200001}}));
    list.push_back(ordinary("robot-Dance", "Robot dance battle 2010", "botclub", "July 4, 2010",
                            "Who moves best?<br /><b>Vote</b> below.", 245, "3.2000", "150", "33,333",
                            {{5, 250001}, {18, 750001}}));
    list.push_back(ordinary("spaceLaunch", "Space launch countdown", "orbitwatch", "August 20, 2010",
                            "T minus ten.<br /><a href=\"/results?search_query=space\">space</a> &amp; rockets",
                            420, "4.9900", "50,505", "5,050,505",
                            {{5, 900003}, {34, 1800003}, {35, 2700003}, {18, 3600003}, {22, 7200003},
                             {37, 14400003}}));

    const std::vector<MediaFormat> pair{{18, 20001}, {22, 40001}};
    list.push_back(special(ids::mapOrder, Special::MapOrder, "Map codes in another order",
                           {{5, 10001}, {22, 40001}, {34, 15001}, {18, 20001}}));
    list.push_back(special(ids::noMap, Special::NoMap, "Page without a format map", pair));
    list.push_back(special(ids::unknownCodes, Special::UnknownCodes, "Only unknown format codes",
                           {{43, 30001}, {45, 50001}}));
    list.push_back(special(ids::mapNoBar, Special::MapNoBar, "Map entry without a bar", pair));
    list.push_back(special(ids::mapBadCode, Special::MapBadCode, "Map entry with a code that is no number", pair));
    list.push_back(special(ids::mapBadPercent, Special::MapBadPercent, "Map with a bad percent sequence", pair));
    list.push_back(special(ids::mapUtf8Link, Special::MapUtf8Link, "Map links with encoded UTF-8", pair));
    list.push_back(special(ids::mapDuplicateCode, Special::MapDuplicateCode, "Map with code 18 twice", pair));
    list.push_back(special(ids::related4, Special::Related4, "Four related videos", pair));
    list.push_back(special(ids::related9, Special::Related9, "Nine related videos", pair));
    list.push_back(special(ids::relatedNoLink, Special::RelatedNoLink, "Related items without links", pair));
    list.push_back(special(ids::noRelated, Special::NoRelated, "No related section", pair));
    Video badLength = special(ids::badLength, Special::BadLength, "Duration that is no number", pair);
    badLength.lengthText = "abc";
    list.push_back(badLength);

    for (const Video &v : list) {
        const bool idOk = v.id.size() == 11 && std::all_of(v.id.begin(), v.id.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
        });
        if (!idOk)
            throw std::logic_error("bad demo video id " + v.id);
    }
    return list;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> out;
    std::string current;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!current.empty())
                out.push_back(lowerAscii(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        out.push_back(lowerAscii(current));
    return out;
}

} // namespace

const std::vector<Video> &catalogue()
{
    static const std::vector<Video> list = buildCatalogue();
    return list;
}

const std::vector<const Video *> &ordinaryVideos()
{
    static const std::vector<const Video *> list = [] {
        std::vector<const Video *> out;
        for (const Video &v : catalogue())
            if (v.special == Special::None)
                out.push_back(&v);
        return out;
    }();
    return list;
}

const Video *findVideo(std::string_view id)
{
    for (const Video &v : catalogue())
        if (v.id == id)
            return &v;
    return nullptr;
}

std::uint64_t formatSize(const Video &video, int code)
{
    for (const MediaFormat &f : video.formats)
        if (f.code == code)
            return f.size;
    return 0;
}

bool isSpecial(const Video &video)
{
    return video.special != Special::None;
}

std::vector<const Video *> relatedVideos(const Video &video)
{
    const auto &pool = ordinaryVideos();
    const std::size_t n = pool.size();
    std::size_t start = 0;
    std::size_t count = 6;
    if (video.special == Special::None) {
        const auto self = std::find(pool.begin(), pool.end(), &video);
        const std::size_t index = static_cast<std::size_t>(self - pool.begin());
        start = index + 1;
        count = 6 + index % 3;
    } else if (video.special == Special::Related4) {
        count = 4;
    } else if (video.special == Special::Related9) {
        count = 9;
    } else if (video.special == Special::NoRelated) {
        count = 0;
    }
    std::vector<const Video *> out;
    for (std::size_t k = 0; k < count; ++k)
        out.push_back(pool[(start + k) % n]);
    return out;
}

std::size_t relatedItemsWithLink(const Video &video)
{
    const std::size_t count = relatedVideos(video).size();
    return video.special == Special::RelatedNoLink ? count - 2 : count;
}

std::vector<const Video *> searchVideos(std::string_view query, int page)
{
    const auto &pool = ordinaryVideos();
    if (page < 1)
        page = 1;
    const std::size_t first = static_cast<std::size_t>(page - 1) * resultsPerPage;
    std::vector<const Video *> out;
    const std::vector<std::string> wanted = words(query);
    if (wanted.size() == 1 && (wanted.front() == "all" || wanted.front() == "*")) {
        for (std::size_t k = 0; k < resultsPerPage; ++k)
            out.push_back(pool[(first + k) % pool.size()]);
        return out;
    }
    std::vector<const Video *> matches;
    for (const Video *v : pool) {
        const std::string title = lowerAscii(v->title);
        const std::string author = lowerAscii(v->author);
        const bool hit = std::any_of(wanted.begin(), wanted.end(), [&](const std::string &w) {
            return title.find(w) != std::string::npos || author.find(w) != std::string::npos;
        });
        if (hit)
            matches.push_back(v);
    }
    for (std::size_t k = first; k < matches.size() && k < first + resultsPerPage; ++k)
        out.push_back(matches[k]);
    return out;
}

} // namespace demosite
