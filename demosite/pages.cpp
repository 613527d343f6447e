#include "pages.h"

#include "mediacontent.h"
#include "urlcoding.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace demosite {

namespace {

std::string mediaUrl(const std::string &root, const Video &video, int code)
{
    return root + mediaPath(video.id, code);
}

std::string entry(int code, const std::string &link)
{
    return std::to_string(code) + "|" + link;
}

std::string joinEntries(const std::vector<std::string> &entries)
{
    std::string out;
    for (const std::string &e : entries) {
        if (!out.empty())
            out += ",";
        out += e;
    }
    return out;
}

std::string pageHead(const std::string &title)
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
           " - DemoTube</title>\n<link rel=\"stylesheet\" href=\"/static/site.css\">\n</head>\n<body>\n"
           "<div id=\"masthead\"><a href=\"/\" class=\"logo\">DemoTube</a>\n"
           "<form action=\"/results\" method=\"get\"><input type=\"text\" name=\"search_query\" value=\"\">"
           "<button type=\"submit\">Search</button></form></div>\n";
}

std::string relatedSection(const Video &video, const std::string &root)
{
    if (video.special == Special::NoRelated)
        return "<div id=\"watch-related-empty\"><p>No related videos.</p></div>\n";
    const std::vector<const Video *> related = relatedVideos(video);
    const std::size_t linked = relatedItemsWithLink(video);
    std::string out = "<div id=\"watch-related\">\n<h2>Related Videos</h2>\n<div id=\"watch-related-vids-body\">\n";
    for (std::size_t k = 0; k < related.size(); ++k) {
        const Video &r = *related[k];
        const std::string thumb = thumbnailUrl(root, r.id);
        // The item's script call comes first, its link after it: the program looks for the link
        // behind the item.
        out += "<div class=\"video-list-item\">\n"
               "<span class=\"ux-thumb-wrap\" ql=\"" + r.id + "\" onclick=\"yt.www.watch.related.show("
               "this.getAttribute('ql'), '" + thumb + "', '" + r.title + "')\">"
               "<img src=\"" + thumb + "\" width=\"120\" height=\"90\" alt=\"\"></span>\n";
        if (k < linked)
            out += "<a href=\"/watch?v=" + r.id + "\" title=\"" + r.title + "\" class=\"related-video\">"
                   "<span class=\"title\">" + r.title + "</span></a>\n";
        else
            out += "<em class=\"title\">" + r.title + "</em>\n";
        out += "<p class=\"stat\">by " + r.author + " &middot; " + r.views + " views</p>\n</div>\n";
    }
    out += "<div class=\"clearL\"></div>\n</div>\n</div>\n";
    return out;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string resultEntry(const Video &v, const std::string &root, bool terminated = true)
{
    const std::string thumb = thumbnailUrl(root, v.id);
    std::string out = "<div class=\"video-entry\">\n<div class=\"video-thumb\">"
                      "<a href=\"/watch?v=" + v.id + "\"><img src=\"" + thumb + "\" ql=\"" + v.id +
                      "\" onmouseover=\"yt.www.search.preview(this.getAttribute('ql'), 0, '" + thumb + "', '" +
                      v.title;
    if (!terminated)
        return out + "\n</div>\n</div>\n";
    out += "');\" alt=\"\"></a></div>\n<div class=\"video-main\"><h3><a href=\"/watch?v=" + v.id +
           "\" title=\"" + v.title + "\">" + v.title + "</a></h3>\n<span class=\"video-username\">by " + v.author +
           "</span> <span class=\"video-view-count\">" + v.views + " views</span></div>\n</div>\n";
    return out;
}

std::vector<const Video *> cyclic(std::size_t first, std::size_t count)
{
    const auto &pool = ordinaryVideos();
    std::vector<const Video *> out;
    for (std::size_t k = 0; k < count; ++k)
        out.push_back(pool[(first + k) % pool.size()]);
    return out;
}

} // namespace

std::string thumbnailUrl(const std::string &root, std::string_view id)
{
    return root + "/vi/" + std::string(id) + "/default.jpg";
}

std::string encodedFormatMap(const Video &video, const std::string &root)
{
    std::vector<std::string> entries;
    const std::string link18 = mediaUrl(root, video, 18);
    const std::string link22 = mediaUrl(root, video, 22);
    switch (video.special) {
    case Special::MapNoBar:
        entries = {entry(18, link18), "this-entry-has-no-bar", entry(22, link22)};
        break;
    case Special::MapBadCode:
        entries = {entry(18, link18), "abc|" + link18, entry(22, link22)};
        break;
    case Special::MapDuplicateCode:
        entries = {entry(18, link18 + "?copy=1"), entry(22, link22), entry(18, link18 + "?copy=2")};
        break;
    case Special::MapUtf8Link:
        // Percent-encoded UTF-8 in the links themselves: the map's own encoding turns each "%" into
        // "%25", so one decoding gives back "caf%C3%A9".
        for (const MediaFormat &f : video.formats)
            entries.push_back(entry(f.code, mediaUrl(root, video, f.code) + "?title=caf%C3%A9"));
        break;
    default:
        for (const MediaFormat &f : video.formats)
            entries.push_back(entry(f.code, mediaUrl(root, video, f.code)));
        break;
    }
    std::string encoded = percentEncode(joinEntries(entries));
    if (video.special == Special::MapBadPercent)
        encoded += "%2C%zz";
    return encoded;
}

std::string watchPage(const Video &v, const std::string &root)
{
    std::string args;
    if (v.special != Special::NoMap)
        args += "\"fmt_url_map\": \"" + encodedFormatMap(v, root) + "\", ";
    args += "\"video_id\": \"" + v.id + "\", \"length_seconds\": \"" + v.lengthText + "\", \"rv.3.rating\": \"" +
            v.rating + "\", \"enablejsapi\": \"1\", \"hl\": \"en_US\"";

    std::string page = pageHead(v.title);
    page += "<script type=\"text/javascript\">\nvar yt = yt || {};\nyt.setConfig({\n  'VIDEO_ID': '" + v.id +
            "',\n  'VIDEO_TITLE': '" + v.title + "',\n  'SWF_URL': '" + root +
            "/swf/player.swf',\n  'IS_EMBEDDABLE': true\n});\n"
            "var swfConfig = {\"url\": \"" + root + "/swf/player.swf\", \"attrs\": {\"id\": \"movie_player\"}, "
            "\"args\": {" + args + "}};\n</script>\n";
    page += "<div id=\"watch-headline\"><h1 id=\"watch-headline-title\">" + v.title + "</h1></div>\n";
    page += "<div id=\"watch-player\"><embed src=\"" + root + "/v/" + v.id +
            "\" type=\"text/html\" width=\"640\" height=\"385\"></div>\n";
    page += "<div id=\"watch-info\">\n<div id=\"watch-channel\">From: <a href=\"/user/" + v.author +
            "\" class=\"author\" data-discoverbox-username=\"" + v.author + "\" >" + v.author + "</a></div>\n";
    page += "<div class=\"watch-ratings RatingMessage\"><span class=\"smallText\">" + v.votes +
            " ratings</span></div>\n";
    page += "<div id=\"watch-views\">Views: <span class=\"watch-view-count\">" + v.views + "</span></div>\n";
    page += "<div id=\"watch-description\">\n<span class=\"watch-video-added post-date\">" + v.published +
            "</span>\n<div class=\"watch-video-desc description\"><span >" + v.descriptionHtml +
            "</span></div>\n</div>\n</div>\n";
    page += relatedSection(v, root);
    page += "<div id=\"footer\"><p>DemoTube &middot; a local demo site</p></div>\n</body>\n</html>\n";
    return page;
}

std::string embedPage(const Video &v, bool haveClip)
{
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + v.title +
                       "</title>\n<style>html,body{height:100%;margin:0;overflow:hidden;background:#000;color:#ddd;"
                       "font-family:sans-serif}video{width:100%;height:calc(100% - 2em);object-fit:contain;"
                       "display:block}p{margin:4px 8px}</style>\n</head>\n<body>\n";
    if (haveClip)
        page += "<video src=\"/clip.webm\" autoplay loop controls muted playsinline></video>\n";
    else
        page += "<p class=\"no-clip\">no clip</p>\n";
    page += "<p class=\"title\">" + v.title + "</p>\n</body>\n</html>\n";
    return page;
}

std::string indexPage(const std::string &root)
{
    std::string page = pageHead("All videos");
    page += "<h1>All videos</h1>\n<table class=\"catalogue\">\n<tr><th>Thumbnail</th><th>Title</th><th>Id</th>"
            "<th>Author</th><th>Formats</th></tr>\n";
    for (const Video &v : catalogue()) {
        std::string formats;
        for (const MediaFormat &f : v.formats)
            formats += "<a href=\"" + mediaPath(v.id, f.code) + "\">" + std::to_string(f.code) + "</a> (" +
                       std::to_string(f.size) + " bytes) ";
        page += "<tr><td><img src=\"" + thumbnailUrl(root, v.id) + "\" width=\"120\" height=\"90\" alt=\"\"></td>"
                "<td><a href=\"/watch?v=" + v.id + "\">" + v.title + "</a>" +
                (isSpecial(v) ? " <em>(test page)</em>" : "") + "</td><td><code>" + v.id + "</code> <a href=\"/v/" +
                v.id + "\">embed</a></td><td>" + v.author + "</td><td>" + formats + "</td></tr>\n";
    }
    page += "</table>\n<p>Searches: <a href=\"/results?search_query=all\">all</a>, "
            "<a href=\"/results?search_query=cats\">cats</a>.</p>\n"
            "<p>Pages of today's kind, for the video extractor: <a href=\"/clips\">clips</a>.</p>\n"
            "<p>Lists: <a href=\"/feed.xml\">a podcast feed</a> (<a href=\"/feed.xml?items=5000\">5,000 episodes</a>), "
            "<a href=\"/three-videos\">a page with three videos</a>.</p>\n</body>\n</html>\n";
    return page;
}

std::string notFoundPage(std::string_view what)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not found</title></head>"
           "<body><h1>Not found</h1><p>" + htmlEscape(what) + "</p></body></html>\n";
}

std::string resultsPage(std::string_view query, int page, const std::string &root)
{
    if (page < 1)
        page = 1;
    const std::string q = lowerAscii(query);
    std::string out = pageHead("Results for " + htmlEscape(query));
    out += "<div id=\"search-header\"><h2>Search results for <strong>" + htmlEscape(query) +
           "</strong></h2> <span class=\"page\">Page " + std::to_string(page) + "</span></div>\n";
    if (q == "nosection")
        return out + "<div id=\"search-results\"><p>The results are elsewhere today.</p></div>\n</body>\n</html>\n";

    out += "<div id=\"search-results\">\n<!-- start search results -->\n";
    const std::size_t first = static_cast<std::size_t>(page - 1) * resultsPerPage;
    if (q == "noresults") {
        out += "<p class=\"no-results\">No videos found.</p>\n";
    } else if (q == "many") {
        for (const Video *v : cyclic(first, 25))
            out += resultEntry(*v, root);
    } else if (q == "unterminated") {
        for (const Video *v : cyclic(first, 2))
            out += resultEntry(*v, root);
        out += resultEntry(*cyclic(first + 2, 1).front(), root, false);
    } else if (q == "twice") {
        const std::vector<const Video *> list = cyclic(first, 5);
        for (const Video *v : list)
            out += resultEntry(*v, root);
        out += resultEntry(*list[1], root);
    } else {
        const std::vector<const Video *> list = searchVideos(q == "failpage" ? "all" : q, page);
        for (const Video *v : list)
            out += resultEntry(*v, root);
        if (list.empty())
            out += "<p class=\"no-results\">No videos found.</p>\n";
    }
    out += "<!-- end search results -->\n</div>\n<div id=\"pager\"><a href=\"/results?search_query=" +
           percentEncode(query) + "&amp;page=" + std::to_string(page + 1) + "\">Next</a></div>\n</body>\n</html>\n";
    return out;
}

} // namespace demosite
